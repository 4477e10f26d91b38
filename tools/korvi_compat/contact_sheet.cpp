#include "tools/korvi_compat/contact_sheet.h"

#include <algorithm>

#include "video/font.h"

namespace {

constexpr int kMargin = 6;
constexpr int kTextLines = 2;
constexpr int kCellWidth = kSheetPictureWidth + kMargin;
constexpr int kCellHeight = kSheetPictureHeight + kTextLines * kGlyphHeight + 2 + kMargin;

struct Rgb {
    uint8_t red, green, blue;
};

constexpr Rgb kBackground{48, 48, 56};
constexpr Rgb kText{235, 235, 235};
constexpr Rgb kEmptyBox{120, 40, 40};

void putPixel(RgbImage& sheet, int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= sheet.width || y >= sheet.height) return;
    uint8_t* p = &sheet.rgb[(static_cast<size_t>(y) * sheet.width + x) * 3];
    p[0] = colour.red;
    p[1] = colour.green;
    p[2] = colour.blue;
}

// Writes text from (x, y), cut where it would run past maxWidth pixels.
void drawText(RgbImage& sheet, const std::string& text, int x, int y, int maxWidth) {
    const int fitting = std::max(0, (maxWidth + 1) / kGlyphAdvance);
    const size_t count = std::min(text.size(), static_cast<size_t>(fitting));
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* rows = glyphRows(text[i]);
        const int left = x + static_cast<int>(i) * kGlyphAdvance;
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int column = 0; column < kGlyphWidth; ++column) {
                if (rows[row] & (0x10 >> column)) putPixel(sheet, left + column, y + row, kText);
            }
        }
    }
}

void drawPicture(RgbImage& sheet, const RgbImage& picture, int left, int top) {
    const int width = std::min(picture.width, kSheetPictureWidth);
    const int height = std::min(picture.height, kSheetPictureHeight);
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = &picture.rgb[static_cast<size_t>(y) * picture.width * 3];
        uint8_t* target = &sheet.rgb[(static_cast<size_t>(top + y) * sheet.width + left) * 3];
        std::copy(source, source + width * 3, target);
    }
}

// A box with its diagonals: no picture to show.
void drawEmpty(RgbImage& sheet, int left, int top) {
    const int w = kSheetPictureWidth;
    const int h = kSheetPictureHeight;
    for (int x = 0; x < w; ++x) {
        putPixel(sheet, left + x, top, kEmptyBox);
        putPixel(sheet, left + x, top + h - 1, kEmptyBox);
        putPixel(sheet, left + x, top + x * (h - 1) / (w - 1), kEmptyBox);
        putPixel(sheet, left + x, top + (w - 1 - x) * (h - 1) / (w - 1), kEmptyBox);
    }
    for (int y = 0; y < h; ++y) {
        putPixel(sheet, left, top + y, kEmptyBox);
        putPixel(sheet, left + w - 1, top + y, kEmptyBox);
    }
}

}  // namespace

RgbImage drawContactSheet(const std::vector<SheetEntry>& entries, int columns) {
    columns = std::max(1, std::min(columns, static_cast<int>(entries.size())));
    const int rows = static_cast<int>((entries.size() + columns - 1) / columns);
    RgbImage sheet;
    sheet.width = kMargin + columns * kCellWidth;
    sheet.height = kMargin + std::max(rows, 1) * kCellHeight;
    sheet.rgb.resize(static_cast<size_t>(sheet.width) * sheet.height * 3);
    for (size_t i = 0; i < sheet.rgb.size(); i += 3) {
        sheet.rgb[i] = kBackground.red;
        sheet.rgb[i + 1] = kBackground.green;
        sheet.rgb[i + 2] = kBackground.blue;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const SheetEntry& entry = entries[i];
        const int left = kMargin + static_cast<int>(i % columns) * kCellWidth;
        const int top = kMargin + static_cast<int>(i / columns) * kCellHeight;
        if (entry.picture.width > 0 && entry.picture.height > 0) {
            drawPicture(sheet, entry.picture, left, top);
        } else {
            drawEmpty(sheet, left, top);
        }
        const int textTop = top + kSheetPictureHeight + 2;
        drawText(sheet, entry.name, left, textTop, kSheetPictureWidth);
        drawText(sheet, entry.caption, left, textTop + kGlyphHeight, kSheetPictureWidth);
    }
    return sheet;
}
