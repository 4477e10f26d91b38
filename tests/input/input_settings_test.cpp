#include "input/input_settings.h"

#include <gtest/gtest.h>

#include "input/input.h"
#include "resources/resources.h"
#include "tests/app/shell_fixture.h"

namespace {

// A scripted user that selects one entry and then sends one message.
headless::DialogUser choose(int entry, DialogMessage then) {
    return [entry, then](Dialog& dialog) {
        if (entry >= 0) dialog.setSelection(IDC_INPUT_DEVICE, entry);
        return then;
    };
}

const DialogMessage kOk{DialogMessageKind::Command, IDOK};
const DialogMessage kCancel{DialogMessageKind::Command, IDCANCEL};
const DialogMessage kEsc{DialogMessageKind::KeyDown, VK_ESCAPE};

class InputSettingsTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        screenCentreX = 320;
        screenCentreY = 240;
    }

    // What the dialog showed when it opened.
    std::vector<std::string> shownEntries;
    int shownSelection = -2;

    headless::DialogUser observingThen(headless::DialogUser user) {
        return [this, user](Dialog& dialog) {
            shownEntries = dialog.entries(IDC_INPUT_DEVICE);
            shownSelection = dialog.selection(IDC_INPUT_DEVICE);
            return user(dialog);
        };
    }
};

TEST_F(InputSettingsTest, ListsTheFirstAttachedThenControllersInOrder) {
    headless::attachController("Gamepad One");
    headless::attachController("Gamepad Two");
    ASSERT_TRUE(initInput());
    headless::setDialogUser(observingThen(choose(-1, kCancel)));
    openInputSettings();
    EXPECT_EQ(shownEntries,
              (std::vector<std::string>{"First attached", "Gamepad One", "Gamepad Two"}));
    EXPECT_EQ(shownSelection, 0);
    ASSERT_EQ(headless::dialogsRun(), std::vector<uint16_t>{IDD_INPUT_SETTINGS});
}

TEST_F(InputSettingsTest, StoredDeviceBeyondTheListShowsTheFirstAttached) {
    inputDevice = 2;  // as if read from the file, without controllers
    ASSERT_TRUE(initInput());
    headless::setDialogUser(observingThen(choose(-1, kEsc)));
    openInputSettings();
    EXPECT_EQ(shownEntries, std::vector<std::string>{"First attached"});
    EXPECT_EQ(shownSelection, 0);
    EXPECT_EQ(inputDevice, 2) << "Esc changes nothing";
}

TEST_F(InputSettingsTest, CentredOnTheScreenCentre) {
    ASSERT_TRUE(initInput());
    openInputSettings();
    ASSERT_EQ(headless::dialogRects().size(), 1u);
    const PixelRect r = headless::dialogRects()[0];
    EXPECT_EQ(r.left, 320 - r.width() / 2);
    EXPECT_EQ(r.top, 240 - r.height() / 2);
}

TEST_F(InputSettingsTest, CancelAndEscLeaveDeviceAndFilesAlone) {
    headless::attachController("Pad");
    headless::attachController("Other");
    ASSERT_TRUE(initInput());
    for (DialogMessage message : {kCancel, kEsc}) {
        headless::setDialogUser(choose(2, message));
        openInputSettings();
        EXPECT_EQ(inputDevice, 0);
        EXPECT_FALSE(std::filesystem::exists(path("settings.bin")));
        EXPECT_FALSE(std::filesystem::exists(path("preferences.ini")));
        EXPECT_EQ(headless::openedController(), 0);
    }
}

TEST_F(InputSettingsTest, OkWithTheSameChoiceRewritesTheFileOnly) {
    headless::attachController("Pad");
    ASSERT_TRUE(initInput());
    zoom = 2;
    limitFps = 1;
    // A keyboard that can no longer be set up would make a re-initialisation fail.
    headless::failKeyboardAcquire(true);
    headless::setDialogUser(choose(0, kOk));
    openInputSettings();
    EXPECT_EQ(readFile(path("settings.bin")),
              (std::vector<uint8_t>{0x80, 0x02, 0xE0, 0x01, 2, 0, 1, 0}));
    EXPECT_EQ(quitRequested, 0);
    EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(InputSettingsTest, ChoosingTheSecondOfTwoControllersSetsItUp) {
    headless::attachController("First");
    headless::attachController("Second");
    ASSERT_TRUE(initInput());
    headless::setDialogUser(choose(2, kOk));
    openInputSettings();
    EXPECT_EQ(inputDevice, 2);
    EXPECT_EQ(headless::openedController(), 1);
    EXPECT_EQ(readFile(path("settings.bin"))[5], 2);
}

TEST_F(InputSettingsTest, FailedReinitialisationTellsAndQuits) {
    headless::attachController("Pad");
    ASSERT_TRUE(initInput());
    // The controller can no longer be opened and the keyboard cannot be taken either.
    headless::reset();
    headless::failKeyboardAcquire(true);
    headless::attachController("Pad", false);
    headless::setDialogUser(choose(1, kOk));
    openInputSettings();
    EXPECT_EQ(quitRequested, 1);
    EXPECT_EQ(headless::messageBoxes(),
              std::vector<std::string>{"ERROR: Input reinitialization failed."});
    EXPECT_EQ(readFile(path("settings.bin"))[5], 1) << "the file already holds the choice";
}

}  // namespace
