#include "tools/korvi_run/run_options.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::optional<RunOptions> parse(std::vector<std::string> arguments, std::string* error = nullptr) {
    std::string message;
    auto options = parseRunOptions(arguments, message);
    if (error) *error = message;
    return options;
}

TEST(RunOptionsTest, DefaultsAndValues) {
    auto options = parse({});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->romPath, "");
    EXPECT_EQ(options->frames, 60u);
    EXPECT_EQ(options->width, 160);
    EXPECT_EQ(options->height, 144);

    options =
        parse({"game.gb", "--frames", "500", "--zoom", "3", "--screenshot", "out.png", "--quiet"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->romPath, "game.gb");
    EXPECT_EQ(options->frames, 500u);
    EXPECT_EQ(options->zoom, 3);
    EXPECT_EQ(options->width, 480) << "the default size follows the zoom";
    EXPECT_EQ(options->height, 432);
    EXPECT_EQ(options->screenshotPath, "out.png");
    EXPECT_TRUE(options->quiet);

    options = parse({"--size", "640x480", "--view", "oam"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->width, 640);
    EXPECT_EQ(options->height, 480);
    EXPECT_EQ(options->view, RunView::Oam);

    options = parse({"--view", "tiles"});
    ASSERT_TRUE(options);
    EXPECT_GE(options->width, 269) << "the tiles view fits by default";
    EXPECT_GE(options->height, 414);

    options = parse({"--frames", "4294967295", "--", "-x.gb"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->frames, 4294967295u);
    EXPECT_EQ(options->romPath, "-x.gb") << "after -- a name starting with '-' is the image";
    options = parse({"--quiet", "--", "--"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->romPath, "--");
}

TEST(RunOptionsTest, RejectedArgumentsSayWhy) {
    struct Case {
        std::vector<std::string> arguments;
        const char* messagePart;
    };
    const Case cases[] = {
        {{"--frames"}, "needs a value"},
        {{"--frames", "ten"}, "--frames expects a number"},
        {{"--frames", "-1"}, "--frames expects a number"},
        {{"--zoom", "5"}, "--zoom expects 1 to 4"},
        {{"--zoom", "0"}, "--zoom expects 1 to 4"},
        {{"--size", "640"}, "--size expects WxH"},
        {{"--size", "0x480"}, "--size expects WxH"},
        {{"--size", "99999x1"}, "--size expects WxH"},
        {{"--view", "sprites"}, "--view expects main, tiles or oam"},
        {{"--press", "10"}, "FRAME:BUTTONS"},
        {{"--press", "x:a"}, "FRAME:BUTTONS"},
        {{"--press", "10:jump"}, "unknown button \"jump\""},
        {{"--press", "10:a:0"}, "positive number of frames"},
        {{"--press", "10:a+"}, "unknown button \"\""},
        {{"--fast"}, "unknown option \"--fast\""},
        {{"a.gb", "b.gb"}, "only one cartridge image"},
        {{"--", "a.gb", "--quiet"}, "only one cartridge image"},
        {{"--frames", "4294967296"}, "--frames expects a number"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(parse(c.arguments, &error)) << c.arguments[0];
        EXPECT_NE(error.find(c.messagePart), std::string::npos)
            << "got \"" << error << "\", want it to contain \"" << c.messagePart << "\"";
    }
}

TEST(RunOptionsTest, ScriptedPressesHoldForTheirFrames) {
    auto options = parse({"--press", "10:right+a:3", "--press", "11:up", "--press", "20:start"});
    ASSERT_TRUE(options);
    struct Case {
        uint32_t frame;
        JoypadButtons held;
    };
    const Case cases[] = {
        {9, {}},
        {10, {1, 0, 0, 0, 1, 0, 0, 0}},
        {11, {1, 0, 1, 0, 1, 0, 0, 0}},
        {12, {1, 0, 0, 0, 1, 0, 0, 0}},
        {13, {}},
        {20, {0, 0, 0, 0, 0, 0, 0, 1}},
        {21, {}},
    };
    for (const Case& c : cases) {
        const JoypadButtons got = scriptedButtons(options->presses, c.frame);
        EXPECT_EQ(std::memcmp(&got, &c.held, sizeof got), 0) << "frame " << c.frame;
    }
}

}  // namespace
