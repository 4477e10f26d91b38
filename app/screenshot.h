// The screenshot key: the game's picture at its zoom, as a PNG file beside the
// game's save, named after the game with the date and time ("game-20261210-114503.png").
#pragma once

#include <string>

// Writes the screenshot and says so on the screen; a failure is told in a message box.
// The path written, or empty on failure.
std::string takeScreenshot();
