// What a cartridge showed after a compatibility run, in four kinds, or why it was not run.
#pragma once

#include <cstdint>

#include "video/palette.h"

enum class Verdict : uint8_t {
    Refused,           // the loader did not accept the image
    NothingPresented,  // no frame was ever presented: the LCD stayed off or never came on
    OneShade,          // the last frame is a single shade all over
    Picture,           // the last frame shows something
    Skipped,           // not run: the name is no readable file (a folder, pipe, broken link)
};
inline constexpr int kVerdictCount = 5;

// The word for a verdict in the CSV, the totals and the contact sheet.
const char* verdictName(Verdict verdict);

// OneShade when every pixel of the width x height picture (rows pitch bytes apart)
// has the same palette index, Picture otherwise.
Verdict judgePicture(const Pixel* pixels, int width, int height, int pitch);
