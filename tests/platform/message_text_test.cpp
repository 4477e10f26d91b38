#include "platform/message_text.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageText, LongPathsAreShortenedInTheMiddleAndTheReasonKept) {
    const std::string deep = "C:\\Users\\player\\Documents\\Games\\Collection\\Handheld\\Colour\\"
                             "Puzzle\\game.gb";
    struct Case {
        std::string text, want;
    };
    const Case cases[] = {
        {"Cannot load short.gb: cannot open file.", "Cannot load short.gb: cannot open file."},
        {"Cannot load " + deep + ": cannot open file: Access denied.",
         "Cannot load C:\\...\\Handheld\\Colour\\Puzzle\\game.gb: cannot open file: "
         "Access denied."},
        // A file name too long to fit keeps all of it; the folders give way.
        {"/a/b/c/" + std::string(70, 'x') + ".gb", "/.../" + std::string(70, 'x') + ".gb"},
        // No folders to leave out: left as it is.
        {std::string(80, 'y'), std::string(80, 'y')},
    };
    for (const Case& c : cases) EXPECT_EQ(fitForMessageBox(c.text, 40), c.want) << c.text;
}

}  // namespace
