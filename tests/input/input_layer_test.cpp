#include <gtest/gtest.h>

#include <iterator>

#include "app/app_flags.h"
#include "input/input.h"
#include "input/joypad_map.h"
#include "tests/app/shell_fixture.h"

namespace {

struct KeyCase {
    const char* name;
    uint8_t code;
    uint8_t JoypadButtons::*button;  // null for the pause key
};

const KeyCase kKeys[] = {
    {"right", DIK_RIGHT, &JoypadButtons::right},
    {"left", DIK_LEFT, &JoypadButtons::left},
    {"up", DIK_UP, &JoypadButtons::up},
    {"down", DIK_DOWN, &JoypadButtons::down},
    {"A", DIK_X, &JoypadButtons::a},
    {"B", DIK_Z, &JoypadButtons::b},
    {"select", DIK_SPACE, &JoypadButtons::select},
    {"start", DIK_RETURN, &JoypadButtons::start},
    {"pause", DIK_ESCAPE, nullptr},
};

// Counts the buttons that are down, plus the pause request.
int pressedCount(const JoypadButtons& j, uint8_t pause) {
    return j.right + j.left + j.up + j.down + j.a + j.b + j.select + j.start + pause;
}

TEST(JoypadMap, EachKeyDrivesExactlyItsOwnButton) {
    for (const KeyCase& key : kKeys) {
        uint8_t keys[kKeyboardStateSize] = {};
        keys[key.code] = 0x80;
        JoypadButtons joypad{1, 1, 1, 1, 1, 1, 1, 1};  // stale values must be overwritten
        uint8_t pause = 1;
        mapKeyboard(keys, joypad, pause);
        EXPECT_EQ(pressedCount(joypad, pause), 1) << key.name;
        if (key.button != nullptr) {
            EXPECT_EQ(joypad.*key.button, 1) << key.name;
        } else {
            EXPECT_EQ(pause, 1) << key.name;
        }
    }
}

TEST(JoypadMap, OnlyBitSevenCountsAsDown) {
    uint8_t keys[kKeyboardStateSize] = {};
    keys[DIK_X] = 0x7F;
    keys[DIK_Z] = 0xFF;
    JoypadButtons joypad{};
    uint8_t pause = 0;
    mapKeyboard(keys, joypad, pause);
    EXPECT_EQ(joypad.a, 0);
    EXPECT_EQ(joypad.b, 1);
}

TEST(JoypadMap, OpposingDirectionsAreBothReported) {
    uint8_t keys[kKeyboardStateSize] = {};
    keys[DIK_LEFT] = keys[DIK_RIGHT] = keys[DIK_UP] = keys[DIK_DOWN] = 0x80;
    JoypadButtons joypad{};
    uint8_t pause = 0;
    mapKeyboard(keys, joypad, pause);
    EXPECT_EQ(joypad.left + joypad.right + joypad.up + joypad.down, 4);
}

TEST(JoypadMap, HatAnglesGiveDirectionsAndDiagonals) {
    struct HatCase {
        uint32_t angle;
        uint8_t right, left, up, down;
    };
    const HatCase cases[] = {
        {0, 0, 0, 1, 0},           {4500, 1, 0, 1, 0},  {9000, 1, 0, 0, 0},  {13500, 1, 0, 0, 1},
        {18000, 0, 0, 0, 1},       {22500, 0, 1, 0, 1}, {27000, 0, 1, 0, 0}, {31500, 0, 1, 1, 0},
        {kHatCentred, 0, 0, 0, 0}, {4499, 0, 0, 0, 0},  // only the exact angles count
    };
    for (const HatCase& c : cases) {
        ControllerState state;
        state.hat0 = c.angle;
        JoypadButtons joypad{};
        uint8_t pause = 0;
        mapController(state, joypad, pause);
        EXPECT_EQ(joypad.right, c.right) << c.angle;
        EXPECT_EQ(joypad.left, c.left) << c.angle;
        EXPECT_EQ(joypad.up, c.up) << c.angle;
        EXPECT_EQ(joypad.down, c.down) << c.angle;
    }
}

TEST(JoypadMap, ControllerButtonsByNumber) {
    struct ButtonCase {
        int number;
        uint8_t JoypadButtons::*button;
    };
    const ButtonCase cases[] = {
        {2, &JoypadButtons::a},      {0, &JoypadButtons::b}, {10, &JoypadButtons::select},
        {11, &JoypadButtons::start}, {1, nullptr},           {3, nullptr}};
    for (const ButtonCase& c : cases) {
        ControllerState state;
        state.buttons[c.number] = 0x80;
        JoypadButtons joypad{};
        uint8_t pause = 0;
        mapController(state, joypad, pause);
        if (c.button != nullptr) {
            EXPECT_EQ(joypad.*c.button, 1) << c.number;
            EXPECT_EQ(pressedCount(joypad, pause), 1) << c.number;
        } else if (c.number == 1) {
            EXPECT_EQ(pause, 1);
            EXPECT_EQ(pressedCount(joypad, pause), 1);
        } else {
            EXPECT_EQ(pressedCount(joypad, pause), 0) << "button 3 is not mapped";
        }
    }
}

class InputSetUp : public ShellTest {};

// The keyboard is always read; beside it the chosen controller, or the first that
// can be opened. The choice itself is kept for when that controller is there.
TEST_F(InputSetUp, ControllerFallbacks) {
    struct Case {
        const char* name;
        uint8_t stored;
        std::vector<bool> controllers;  // attached, in order; false = cannot be opened
        int expectOpened;               // -1 none
    };
    const Case cases[] = {
        {"the chosen one", 2, {true, true}, 1},
        {"device 3 with one attached takes it", 3, {true}, 0},
        {"device 2 with none attached: the keyboard alone", 2, {}, -1},
        {"an unopenable choice is replaced by the next", 1, {false, true}, 1},
        {"an unopenable last one is replaced by the first", 2, {true, false}, 0},
        {"none can be opened", 1, {false, false}, -1},
        {"the first attached", 0, {true}, 0},
    };
    for (const Case& c : cases) {
        headless::reset();
        for (size_t i = 0; i < c.controllers.size(); ++i) {
            headless::attachController("Pad " + std::to_string(i), c.controllers[i]);
        }
        inputDevice = c.stored;
        ASSERT_TRUE(initInput()) << c.name;
        EXPECT_EQ(headless::openedController(), c.expectOpened) << c.name;
        EXPECT_EQ(inputDevice, c.stored) << c.name;
        EXPECT_EQ(inputLayer.usesController(), c.expectOpened >= 0) << c.name;
        inputLayer.releaseDevices();
    }
}

TEST_F(InputSetUp, FailsOnlyWhenTheKeyboardCannotBeSetUp) {
    headless::failKeyboardAcquire(true);
    inputDevice = 0;
    EXPECT_FALSE(initInput());
    inputDevice = 1;
    EXPECT_FALSE(initInput()) << "no controller and no keyboard";

    headless::reset();
    headless::failInputSource(true);
    inputDevice = 0;
    EXPECT_FALSE(initInput());
}

TEST_F(InputSetUp, EnumerationFailureFallsBackToTheKeyboard) {
    headless::attachController("Pad");
    headless::failEnumeration(true);
    inputDevice = 1;
    ASSERT_TRUE(initInput());
    EXPECT_EQ(inputDevice, 1);
    EXPECT_FALSE(inputLayer.usesController());
}

TEST_F(InputSetUp, PollWritesAllNineValuesFromTheKeyboard) {
    inputDevice = 0;
    ASSERT_TRUE(initInput());
    machine.joypad = {1, 1, 1, 1, 1, 1, 1, 1};
    paused = 1;
    headless::setKey(DIK_RETURN, true);
    ASSERT_TRUE(pollInput());
    EXPECT_EQ(pressedCount(machine.joypad, paused), 1);
    EXPECT_EQ(machine.joypad.start, 1);

    headless::setKey(DIK_RETURN, false);
    headless::setKey(DIK_ESCAPE, true);
    ASSERT_TRUE(pollInput());
    EXPECT_EQ(machine.joypad.start, 0);
    EXPECT_EQ(paused, 1);
}

TEST_F(InputSetUp, TheEnterOfAltEnterNeverPressesStart) {
    inputDevice = 0;
    ASSERT_TRUE(initInput());
    struct Step {
        bool alt, enter;
        uint8_t start;
    };
    // Alt+Enter, Alt let go first, Enter let go, then Enter alone.
    const Step steps[] = {{true, false, 0}, {true, true, 0}, {false, true, 0},
                          {false, false, 0}, {false, true, 1}};
    for (const Step& step : steps) {
        headless::setKey(DIK_LMENU, step.alt);
        headless::setKey(DIK_RETURN, step.enter);
        ASSERT_TRUE(pollInput());
        EXPECT_EQ(machine.joypad.start, step.start) << "alt " << step.alt << " enter " << step.enter;
    }
}

TEST_F(InputSetUp, KeyboardThatLostAcquisitionIsAcquiredAgain) {
    inputDevice = 0;
    ASSERT_TRUE(initInput());
    headless::setKey(DIK_X, true);
    headless::loseKeyboardAcquisition(1);
    ASSERT_TRUE(pollInput());
    EXPECT_EQ(machine.joypad.a, 1);

    // Acquiring again fails: the read cannot be done.
    headless::loseKeyboardAcquisition(1);
    headless::failKeyboardAcquire(true);
    EXPECT_FALSE(pollInput());
}

TEST_F(InputSetUp, ControllerPollAndReadFailure) {
    const int pad = headless::attachController("Pad");
    ControllerState state;
    state.hat0 = 27000;
    state.buttons[1] = 0x80;
    headless::setControllerState(pad, state);
    inputDevice = 1;
    ASSERT_TRUE(initInput());
    paused = 0;
    // Not acquired at set-up: the first read acquires it.
    ASSERT_TRUE(pollInput());
    EXPECT_EQ(machine.joypad.left, 1);
    EXPECT_EQ(paused, 1);

    // Unplugged: the keyboard goes on alone, with a message, and the game pauses.
    headless::failControllerReads(pad, true);
    paused = 0;
    headless::setKey(DIK_X, true);
    ASSERT_TRUE(pollInput());
    EXPECT_FALSE(inputLayer.usesController());
    EXPECT_EQ(paused, 1);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    ASSERT_TRUE(pollInput());
    EXPECT_EQ(machine.joypad.a, 1) << "the keyboard is read";

    // Plugged in again: taken up within a second of play (154 polls a frame), and
    // read together with the keyboard.
    headless::failControllerReads(pad, false);
    int polls = 0;
    for (; !inputLayer.usesController() && polls < 154 * 61; ++polls) ASSERT_TRUE(pollInput());
    ASSERT_TRUE(inputLayer.usesController()) << "after " << polls << " polls";
    ASSERT_TRUE(pollInput());
    EXPECT_EQ(machine.joypad.left, 1) << "its hat is read again";
    EXPECT_EQ(machine.joypad.a, 1) << "and the keyboard beside it";

    // The keyboard cannot be read: the input is lost.
    headless::loseKeyboardAcquisition(1);
    headless::failKeyboardAcquire(true);
    EXPECT_FALSE(pollInput());
}

TEST_F(InputSetUp, RumbleRenewsWhileOnAndStopsOnceOffAndAtRelease) {
    const int pad = headless::attachController("Pad");
    inputDevice = 1;
    ASSERT_TRUE(initInput());
    struct Step {
        bool on;
        uint32_t calls, starts;  // totals at the controller afterwards
        bool rumbling;
    };
    const Step steps[] = {
        {false, 0, 0, false},  // already off: nothing to tell
        {true, 1, 1, true},   {true, 2, 1, true},   {true, 3, 1, true},  // renewed each time
        {false, 4, 1, false}, {false, 4, 1, false}, {true, 5, 2, true},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        inputLayer.setRumble(steps[i].on);
        EXPECT_EQ(headless::controllerRumbleCalls(pad), steps[i].calls) << "step " << i;
        EXPECT_EQ(headless::controllerRumbleStarts(pad), steps[i].starts) << "step " << i;
        EXPECT_EQ(headless::controllerRumbling(pad), steps[i].rumbling) << "step " << i;
    }
    inputLayer.releaseDevices();
    EXPECT_FALSE(headless::controllerRumbling(pad)) << "released while rumbling";
    EXPECT_EQ(headless::controllerRumbleCalls(pad), 6u);
    inputLayer.setRumble(true);
    EXPECT_EQ(headless::controllerRumbleCalls(pad), 6u) << "no device any more";
}

// The controller unplugged while rumbling: the keyboard takes over, and the
// controller hears nothing more, neither at the hand-over nor afterwards.
TEST_F(InputSetUp, RumbleNeverReachesAControllerTheKeyboardReplaced) {
    const int pad = headless::attachController("Pad");
    ControllerState idle;
    headless::setControllerState(pad, idle);
    inputDevice = 1;
    ASSERT_TRUE(initInput());
    ASSERT_TRUE(pollInput());
    inputLayer.setRumble(true);
    ASSERT_TRUE(headless::controllerRumbling(pad));
    const uint32_t calls = headless::controllerRumbleCalls(pad);
    headless::failControllerReads(pad, true);
    ASSERT_TRUE(pollInput());
    ASSERT_FALSE(inputLayer.usesController()) << "the controller was let go";
    inputLayer.setRumble(true);
    inputLayer.setRumble(false);
    inputLayer.releaseDevices();
    EXPECT_EQ(headless::controllerRumbleCalls(pad), calls);
}

TEST_F(InputSetUp, ReleaseIsHarmlessWhenRepeated) {
    ASSERT_TRUE(initInput());
    inputLayer.releaseDevices();
    inputLayer.releaseDevices();
    EXPECT_FALSE(inputLayer.readState());
    EXPECT_FALSE(pollInput());
}

}  // namespace
