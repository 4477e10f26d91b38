// The SDL controller device against one of SDL's virtual joysticks: what the player
// presses is read, and pulling the controller out is seen as lost input, which the
// input layer answers by handing over to the keyboard.
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

}  // namespace
