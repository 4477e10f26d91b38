#include "app/display_settings.h"

#include <gtest/gtest.h>

#include <fstream>

#include "resources/resources.h"
#include "shell_fixture.h"

namespace {

const DialogMessage kOk{DialogMessageKind::Command, IDOK};
const DialogMessage kCancel{DialogMessageKind::Command, IDCANCEL};
const DialogMessage kEsc{DialogMessageKind::KeyDown, VK_ESCAPE};

class DisplaySettingsTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        headless::presenter().setModes({{800, 600, 8},
                                        {320, 240, 32},
                                        {640, 480, 16},
                                        {640, 400, 32},
                                        {640, 480, 32},
                                        {800, 600, 32}});
        // 640 x 480 at zoom 1, the limit off.
        std::ofstream(path("settings.bin"), std::ios::binary).write("\x80\x02\xE0\x01\x01\x00\x00\x00", 8);
        ASSERT_TRUE(startUp());
    }

    // A user that picks a size by text (empty: leave it), which the dialog hears of,
    // then a zoom, sets the box, and sends one message; what the dialog showed on
    // opening is kept.
    headless::DialogUser user(const std::string& size, const std::string& zoomText, bool limit,
                              DialogMessage then) {
        return [=, this, sizeChosen = false](Dialog& dialog) mutable {
            if (!sizeChosen) {
                shownSizes = dialog.entries(IDC_SCREEN_SIZE);
                shownZoom = dialog.entries(IDC_ZOOM);
                shownSize = dialog.itemText(IDC_SCREEN_SIZE);
                shownZoomSelection = dialog.itemText(IDC_ZOOM);
                shownLimit = dialog.checked(IDC_LIMIT_FPS);
                sizeChosen = true;
                if (!size.empty()) {
                    select(dialog, IDC_SCREEN_SIZE, size);
                    return DialogMessage{DialogMessageKind::Command, IDC_SCREEN_SIZE};
                }
            }
            offeredZoom = dialog.entries(IDC_ZOOM);
            select(dialog, IDC_ZOOM, zoomText);
            dialog.setChecked(IDC_LIMIT_FPS, limit);
            return then;
        };
    }

    static void select(Dialog& dialog, uint16_t id, const std::string& text) {
        if (text.empty()) return;
        const std::vector<std::string>& entries = dialog.entries(id);
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i] == text) dialog.setSelection(id, static_cast<int>(i));
        }
    }

    std::vector<std::string> shownSizes, shownZoom, offeredZoom;
    std::string shownSize, shownZoomSelection;
    bool shownLimit = false;
};

TEST_F(DisplaySettingsTest, OpensWithTheListsAndTheCurrentChoices) {
    zoom = 2;
    limitFps = 1;
    headless::setDialogUser(user("", "", true, kCancel));
    openDisplaySettings();
    EXPECT_EQ(shownZoom, (std::vector<std::string>{"1", "2", "3"})) << "4 does not fit 640 x 480";
    EXPECT_EQ(shownSizes, (std::vector<std::string>{"320x240", "640x400", "640x480", "800x600"}))
        << "8-bit modes only, in the order offered";
    EXPECT_EQ(shownSize, "640x480");
    EXPECT_EQ(shownZoomSelection, "2");
    EXPECT_TRUE(shownLimit);
    const PixelRect r = headless::dialogRects().at(0);
    EXPECT_EQ(r.left, 320 - r.width() / 2);
    EXPECT_EQ(r.top, 240 - r.height() / 2);
}

// Only zooms that fit the chosen size are offered: the zoom shown is kept where it
// fits and cut to the largest that does where it does not.
TEST_F(DisplaySettingsTest, OnlyZoomsThatFitTheChosenSizeAreOffered) {
    struct Case {
        const char* size;
        uint8_t zoomBefore;
        const char* zoomText;  // empty: the one shown
        size_t offered;
        uint8_t expectZoom;
    };
    const Case cases[] = {
        {"640x480", 3, "", 3, 3}, {"320x240", 3, "", 1, 1}, {"800x600", 1, "4", 4, 4},
        {"640x400", 4, "", 2, 2}, {"640x400", 4, "1", 2, 1}, {"800x600", 2, "", 4, 2},
    };
    for (const Case& c : cases) {
        zoom = c.zoomBefore;
        headless::setDialogUser(user(c.size, c.zoomText, false, kOk));
        openDisplaySettings();
        EXPECT_EQ(offeredZoom.size(), c.offered) << c.size;
        EXPECT_EQ(zoom, c.expectZoom) << c.size << " zoom " << c.zoomText;
        EXPECT_EQ(readFile(path("settings.bin"))[4], c.expectZoom) << c.size;
        EXPECT_EQ(quitRequested, 0);
    }
}

TEST_F(DisplaySettingsTest, OkWithTheSameSizeSavesWithoutTakingTheDisplayAgain) {
    const int opens = headless::presenter().openCount();
    inputDevice = 3;
    headless::setDialogUser(user("640x480", "3", true, kOk));
    openDisplaySettings();
    EXPECT_EQ(readFile(path("settings.bin")),
              (std::vector<uint8_t>{0x80, 0x02, 0xE0, 0x01, 3, 3, 1, 0}));
    EXPECT_EQ(limitFps, 1);
    EXPECT_EQ(headless::presenter().openCount(), opens);
}

TEST_F(DisplaySettingsTest, ANewSizeMovesTheWindowAndTakesTheDisplayAgain) {
    const int opens = headless::presenter().openCount();
    headless::setDialogUser(user("800x600", "", false, kOk));
    openDisplaySettings();
    EXPECT_EQ(screenCentreX, 400);
    EXPECT_EQ(screenCentreY, 300);
    EXPECT_EQ(headless::windowWidth(), 800);
    EXPECT_EQ(headless::windowHeight(), 600);
    EXPECT_EQ(display.width(), 800);
    EXPECT_EQ(display.height(), 600);
    EXPECT_EQ(headless::presenter().openCount(), opens + 1);
    EXPECT_EQ(readFile(path("settings.bin")),
              (std::vector<uint8_t>{0x20, 0x03, 0x58, 0x02, 1, 0, 0, 0}));
}

TEST_F(DisplaySettingsTest, CancelAndEscChangeNothing) {
    for (DialogMessage message : {kCancel, kEsc}) {
        headless::setDialogUser(user("800x600", "4", true, message));
        openDisplaySettings();
        EXPECT_EQ(zoom, 1);
        EXPECT_EQ(limitFps, 0);
        EXPECT_EQ(screenCentreX, 320);
        EXPECT_EQ(readFile(path("settings.bin")),
                  (std::vector<uint8_t>{0x80, 0x02, 0xE0, 0x01, 1, 0, 0, 0}));
    }
}

TEST_F(DisplaySettingsTest, CurrentSizeNotOfferedKeepsItOnOk) {
    headless::presenter().setModes({{800, 600, 32}});
    headless::setDialogUser(user("", "2", false, kOk));
    openDisplaySettings();
    EXPECT_EQ(shownSize, "") << "nothing selected";
    EXPECT_EQ(screenCentreX, 320);
    EXPECT_EQ(screenCentreY, 240);
    EXPECT_EQ(zoom, 2);
    EXPECT_EQ(readFile(path("settings.bin"))[0], 0x80);
}

TEST_F(DisplaySettingsTest, FailedReinitialisationTellsAndQuits) {
    headless::presenter().setOpenFails(true);
    headless::setDialogUser(user("800x600", "", false, kOk));
    openDisplaySettings();
    EXPECT_EQ(quitRequested, 1);
    EXPECT_EQ(headless::messageBoxes(),
              std::vector<std::string>{"ERROR: Display reinitialization failed."});
    EXPECT_EQ(readFile(path("settings.bin"))[0], 0x20) << "the new size is saved all the same";
    headless::presenter().setOpenFails(false);
}

TEST(AddDisplayMode, SkipsModesThatAreNot8Bit) {
    Dialog dialog(*loadDialogTemplate(IDD_DISPLAY_SETTINGS));
    for (int bits : {4, 8, 15, 16, 24, 32}) {
        EXPECT_TRUE(addDisplayMode({1024, 768, bits}, &dialog));
    }
    EXPECT_EQ(dialog.entries(IDC_SCREEN_SIZE), std::vector<std::string>{"1024x768"});
}

}  // namespace
