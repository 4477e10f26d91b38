// The main window's procedure: closing the window or the session ending asks the
// program to end; menu commands change the application flags and open the
// chooser and the settings dialogs; Esc released in the menu resumes the game.
#pragma once

#include <string>

#include "platform/window.h"

// Returns true when the message was handled, false when it was left to the
// platform's default handling.
bool windowProcedure(const WindowMessage& message);

// Forgets an Esc press seen so far: only a press that starts once the menu is up
// resumes the game on its release, never the release of the press that paused it.
void forgetMenuKeys();

// Shows the open-file chooser for cartridge images, starting in the folder of the
// cartridge last loaded, and loads the chosen one. True when a file was chosen and
// loaded; a file that fails to load keeps the chooser open with the reason shown.
bool chooseRomFile(PlatformWindow* owner);

// Loads the image at path; on failure tells the player why, and the game that was
// running goes on as it was. A battery save that could not be written on the way, or
// the new cartridge's that could not be read, is reported too. True when the new
// cartridge is loaded.
bool loadCartridgeAndReport(const std::string& path);
