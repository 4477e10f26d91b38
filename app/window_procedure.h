// The main window's procedure: closing the window or the session ending asks the
// program to end; menu commands change the application flags and open the
// chooser and the settings dialogs.
#pragma once

#include <string>

#include "platform/window.h"

// Returns true when the message was handled, false when it was left to the
// platform's default handling.
bool windowProcedure(const WindowMessage& message);

// Shows the open-file chooser for cartridge images and loads the chosen one. True
// when a file was chosen and loaded; a file that fails to load keeps the chooser
// open with the reason shown.
bool chooseRomFile(PlatformWindow* owner);
