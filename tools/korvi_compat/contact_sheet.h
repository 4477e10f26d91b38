// The contact sheet: every cartridge's last picture in a grid, its file name and
// verdict written underneath, so that a whole folder can be judged at a glance.
#pragma once

#include <string>
#include <vector>

#include "video/png_image.h"

struct SheetEntry {
    std::string name;     // written under the picture, cut to the picture's width
    std::string caption;  // second line: the verdict or the loader's reason
    RgbImage picture;     // empty (width 0) when there is nothing to show
};

inline constexpr int kSheetPictureWidth = 160;
inline constexpr int kSheetPictureHeight = 144;

// Lays the entries out in rows of `columns`, each picture (160 x 144; larger ones are
// cut) above its two lines of text. An entry without a picture gets a crossed box.
RgbImage drawContactSheet(const std::vector<SheetEntry>& entries, int columns = 8);
