// The SDL controller device against SDL's virtual joysticks: what the player presses
// is read, pulling the controller out is seen as lost input, which the input layer
// answers by handing over to the keyboard, and the rumble reaches the motors.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/input_devices.h"

namespace {

bool findLast(const ControllerInfo& controller, void* context) {
    *static_cast<int*>(context) = controller.instance;
    return true;
}

TEST(SdlControllerTest, ReadsAVirtualControllerAndSeesItUnplugged) {
    InputSource* source = createInputSource();
    ASSERT_NE(source, nullptr);
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 0, 12, 1);
    ASSERT_GE(index, 0) << SDL_GetError();

    int found = -1;
    ASSERT_TRUE(enumerateAttachedControllers(source, &findLast, &found));
    ASSERT_EQ(found, index) << "the virtual controller is enumerated last";
    ControllerDevice* controller = createControllerDevice(source, {found, "virtual"});
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(acquireController(controller), DeviceResult::Ok);

    // The player's hand, through a second handle on the same joystick.
    SDL_Joystick* hand = SDL_JoystickOpen(index);
    ASSERT_NE(hand, nullptr);
    SDL_JoystickSetVirtualButton(hand, 2, SDL_PRESSED);
    SDL_JoystickSetVirtualHat(hand, 0, SDL_HAT_RIGHTDOWN);
    ASSERT_EQ(pollController(controller), DeviceResult::Ok);
    ControllerState state;
    ASSERT_EQ(readController(controller, state), DeviceResult::Ok);
    EXPECT_EQ(state.buttons[2], 0x80);
    EXPECT_EQ(state.buttons[11], 0x00);
    EXPECT_EQ(state.hat0, 13500u);
    SDL_JoystickClose(hand);

    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
    EXPECT_NE(pollController(controller), DeviceResult::Ok);
    EXPECT_EQ(acquireController(controller), DeviceResult::InputLost);
    EXPECT_EQ(readController(controller, state), DeviceResult::Failed);

    releaseControllerDevice(controller);
    releaseInputSource(source);
}

// What the virtual joystick's motors were last told, and how often.
struct Motors {
    Uint16 low = 0;
    Uint16 high = 0;
    int commands = 0;
};

int SDLCALL driveMotors(void* userdata, Uint16 low, Uint16 high) {
    Motors& motors = *static_cast<Motors*>(userdata);
    motors.low = low;
    motors.high = high;
    ++motors.commands;
    return 0;
}

TEST(SdlControllerTest, RumbleRunsStopsAndEndsByItselfWhenNotRenewed) {
    InputSource* source = createInputSource();
    ASSERT_NE(source, nullptr);
    Motors motors;
    SDL_VirtualJoystickDesc description = {};
    description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    description.nbuttons = 12;
    description.nhats = 1;
    description.name = "virtual rumble";
    description.userdata = &motors;
    description.Rumble = &driveMotors;
    const int index = SDL_JoystickAttachVirtualEx(&description);
    ASSERT_GE(index, 0) << SDL_GetError();
    ControllerDevice* controller = createControllerDevice(source, {index, "virtual rumble"});
    ASSERT_NE(controller, nullptr);
    setControllerRumble(nullptr, true);  // no device: nothing happens

    setControllerRumble(controller, true);
    EXPECT_EQ(motors.low, 0xFFFF);
    EXPECT_EQ(motors.high, 0xFFFF);
    setControllerRumble(controller, false);
    EXPECT_EQ(motors.low, 0);
    EXPECT_EQ(motors.high, 0);

    // Switched on and never renewed: SDL stops the motors once the time is up, as
    // it brings the joystick up to date. Generous deadline; only the stop counts.
    setControllerRumble(controller, true);
    ASSERT_EQ(motors.low, 0xFFFF);
    const Uint32 start = SDL_GetTicks();
    while (motors.low != 0 && SDL_GetTicks() - start < 10000) {
        pollController(controller);
        SDL_Delay(1);
    }
    EXPECT_EQ(motors.low, 0);
    EXPECT_EQ(motors.high, 0);

    releaseControllerDevice(controller);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
    releaseInputSource(source);
}

}  // namespace
