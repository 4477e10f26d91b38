// The "Input Settings" dialog: choose the game controller read beside the keyboard,
// and the key and controller button of each of the handheld's buttons and of the
// program's own commands; the controller choice goes to settings.bin, the bindings
// to preferences.ini. A key or button chosen twice is refused with a message.
#pragma once

#include "platform/dialog.h"

// The Input > Settings... command.
void openInputSettings();
// The dialog's procedure (exposed for tests).
bool inputSettingsProcedure(Dialog& dialog, const DialogMessage& message, void* context);
