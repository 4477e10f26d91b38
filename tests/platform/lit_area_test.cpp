#include "platform/lit_area.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string describe(const LitArea* areas, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        const LitArea& a = areas[i];
        out += std::to_string(a.x) + "," + std::to_string(a.y) + " " + std::to_string(a.width) +
               "x" + std::to_string(a.height) + " ";
    }
    return out;
}

// A frame 37 pixels wide (not a multiple of the eight-byte scan) with a pitch of 40
// whose padding is never black, so reading past a row's end would show.
TEST(FindLitAreas, BandsOfNonBlackRowsNarrowedToTheirColumns) {
    constexpr int kWidth = 37;
    constexpr int kHeight = 12;
    constexpr int kPitch = 40;
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> lit;  // x, y
        const char* areas;
    };
    const Case cases[] = {
        {"all black", {}, ""},
        {"top-left pixel", {{0, 0}}, "0,0 1x1 "},
        {"bottom-right pixel", {{36, 11}}, "36,11 1x1 "},
        {"pixels inside one word", {{9, 3}, {14, 3}}, "9,3 6x1 "},
        {"one band over adjacent rows", {{30, 1}, {3, 2}, {17, 3}}, "3,1 28x3 "},
        {"a counter in the corner and a picture below",
         {{0, 0}, {4, 1}, {12, 5}, {20, 6}, {15, 7}, {18, 8}, {24, 9}},
         "0,0 5x2 12,5 13x5 "},
        {"bands beyond four merge into the last",
         {{1, 0}, {2, 2}, {3, 4}, {4, 6}, {5, 8}, {20, 10}},
         "1,0 1x1 2,2 1x1 3,4 1x1 4,6 17x5 "},
    };
    for (const Case& c : cases) {
        std::vector<Pixel> frame(kPitch * kHeight, 0);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = kWidth; x < kPitch; ++x) frame[y * kPitch + x] = 0xFFFFFF;
        }
        for (auto [x, y] : c.lit) frame[y * kPitch + x] = 0x000100;
        LitArea areas[kMaxLitAreas];
        const int count = findLitAreas(frame.data(), kWidth, kHeight, kPitch, areas);
        EXPECT_EQ(describe(areas, count), c.areas) << c.name;
    }
}

}  // namespace
