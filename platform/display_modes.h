// The screen sizes the display settings offer: every size the display reports,
// once each in the order reported, then 320x240 and 640x480 when missing. All are
// offered as 8-bit modes, since the back buffer is 8-bit whatever the desktop's
// depth.
#pragma once

#include <vector>

#include "video/display.h"

struct ScreenSize {
    int width;
    int height;
};

std::vector<DisplayModeDescription> offeredDisplayModes(const std::vector<ScreenSize>& reported);
