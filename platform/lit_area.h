// The parts of a frame that are not black. Around the handheld's picture the back
// buffer is mostly black (with perhaps a frame counter in a corner); a
// presenter that clears its window to black needs to convert and draw only these
// rectangles.
#pragma once

#include <cstdint>

#include "video/palette.h"

struct LitArea {
    int x = 0;
    int y = 0;
    int width = 0;  // 0 when every pixel is black
    int height = 0;
};

constexpr int kMaxLitAreas = 4;

// Bands of rows holding pixels that are not black, separated by black rows, each
// narrowed to its lit columns; top to bottom, at most kMaxLitAreas (bands beyond
// that are merged into the last one). Returns how many were written to areas.
int findLitAreas(const Pixel* pixels, int width, int height, int pitch,
                 LitArea (&areas)[kMaxLitAreas]);
