// The "Display Settings" dialog: zoom, screen size and the 60 frames per second
// limit; on OK the choices are saved and, when the size changed, the display is
// taken again at the new size.
#pragma once

#include "platform/dialog.h"
#include "video/display.h"

// The Display > Settings... command.
void openDisplaySettings();
// The dialog's procedure and its parts (exposed for tests).
bool displaySettingsProcedure(Dialog& dialog, const DialogMessage& message, void* context);
void initDisplaySettings(Dialog& dialog);
// Makes the renderer follow the raw colours setting.
void applyColourSetting();
void applyDisplaySettings(Dialog& dialog);
// Appends an 8-bit mode to the Screen Size list; context is the Dialog. Always
// answers true so that the enumeration goes on.
bool addDisplayMode(const DisplayModeDescription& mode, void* context);
