// Text from outside the program (file names above all) made safe to print on a
// terminal: control characters are shown as escapes instead of being obeyed, so a
// name cannot clear the screen, move the cursor or set the window's title.
#pragma once

#include <string>

// Each C0 control character, DEL and each C1 control written in UTF-8 becomes
// \xNN (\n, \r and \t as such); everything else is kept as it is.
std::string printable(const std::string& text);
