// The parts of an 8-bit frame that are not black. Around the handheld's picture
// the back buffer is mostly index 0 (with perhaps a frame counter in a corner); a
// presenter that clears its window to black needs to convert and draw only these
// rectangles.
#pragma once

#include <cstdint>

struct LitArea {
    int x = 0;
    int y = 0;
    int width = 0;  // 0 when every pixel is black
    int height = 0;
};

constexpr int kMaxLitAreas = 4;

// Bands of rows holding pixels whose index is not 0, separated by black rows, each
// narrowed to its lit columns; top to bottom, at most kMaxLitAreas (bands beyond
// that are merged into the last one). Returns how many were written to areas.
int findLitAreas(const uint8_t* pixels, int width, int height, int pitch,
                 LitArea (&areas)[kMaxLitAreas]);
