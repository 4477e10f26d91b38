#include "platform/lit_area.h"

#include <cstddef>
#include <cstring>

namespace {

// First and one-past-last non-black pixel of a row; first == end when the row is black.
void litSpan(const Pixel* row, int width, int& first, int& end) {
    int x = 0;
    // Two pixels at a time across the black margin.
    while (x + 2 <= width) {
        uint64_t word;
        std::memcpy(&word, row + x, sizeof word);
        if (word != 0) break;
        x += 2;
    }
    while (x < width && row[x] == 0) ++x;
    first = x;
    if (x == width) {
        end = x;
        return;
    }
    int e = width;
    while (e - 2 > first) {
        uint64_t word;
        std::memcpy(&word, row + e - 2, sizeof word);
        if (word != 0) break;
        e -= 2;
    }
    while (row[e - 1] == 0) --e;
    end = e;
}

}  // namespace

int findLitAreas(const Pixel* pixels, int width, int height, int pitch,
                 LitArea (&areas)[kMaxLitAreas]) {
    int count = 0;
    bool inBand = false;  // the previous row was lit
    for (int y = 0; y < height; ++y) {
        int first = 0;
        int end = 0;
        litSpan(pixels + static_cast<ptrdiff_t>(y) * pitch, width, first, end);
        if (first == end) {
            inBand = false;
            continue;
        }
        if (!inBand && count < kMaxLitAreas) {
            areas[count++] = {first, y, end - first, 1};
        } else {
            // The band goes on (or there is no room for another): widen the last one.
            LitArea& a = areas[count - 1];
            const int left = first < a.x ? first : a.x;
            const int right = end > a.x + a.width ? end : a.x + a.width;
            a = {left, a.y, right - left, y - a.y + 1};
        }
        inBand = true;
    }
    return count;
}
