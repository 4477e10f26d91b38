#include "platform/display_modes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string describe(const std::vector<DisplayModeDescription>& modes) {
    std::string out;
    for (const DisplayModeDescription& m : modes) {
        out += std::to_string(m.width) + "x" + std::to_string(m.height) + "@" +
               std::to_string(m.bitsPerPixel) + " ";
    }
    return out;
}

TEST(OfferedDisplayModes, EachSizeOnceInOrderPlusTheTwoSmallOnes) {
    struct Case {
        const char* name;
        std::vector<ScreenSize> reported;
        const char* offered;
    };
    const Case cases[] = {
        {"nothing reported", {}, "320x240@32 640x480@32 "},
        {"one size at several refresh rates",
         {{1920, 1080}, {1920, 1080}, {1280, 720}, {1920, 1080}},
         "1920x1080@32 1280x720@32 320x240@32 640x480@32 "},
        {"640x480 already reported keeps its place",
         {{800, 600}, {640, 480}},
         "800x600@32 640x480@32 320x240@32 "},
        {"both small sizes reported", {{640, 480}, {320, 240}}, "640x480@32 320x240@32 "},
        {"nonsense sizes dropped",
         {{0, 480}, {1024, -1}, {1024, 768}},
         "1024x768@32 320x240@32 640x480@32 "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describe(offeredDisplayModes(c.reported)), c.offered) << c.name;
    }
}

}  // namespace
