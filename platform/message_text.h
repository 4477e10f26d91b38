// Message box text made to fit the screen: a message box wraps its text only at
// spaces, so a long path (which has none) would make the box wider than the screen
// and cut off the reason after it.
#pragma once

#include <cstddef>
#include <string>

// text with each run of characters without a space that is longer than `longest`
// (a path, as a rule) shortened in the middle: its first folder and as many of its
// last ones as fit are kept around an ellipsis ("C:\...\folder\game.gb"). The file name
// at the end is always kept whole.
std::string fitForMessageBox(const std::string& text, size_t longest = 64);
