// The "Input Settings" dialog: choose the keyboard or one of the attached game
// controllers, save the choice, and set the input device up again when it changed.
#pragma once

#include "platform/dialog.h"

// The Input > Settings... command.
void openInputSettings();
// The dialog's procedure (exposed for tests).
bool inputSettingsProcedure(Dialog& dialog, const DialogMessage& message, void* context);
