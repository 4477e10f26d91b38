// Input devices of the platform: the system keyboard as a snapshot indexed by
// keyboard scan codes (the DIK_ codes below, bit 7 set while a key is down), and the
// attached game controllers in a stable order with their product names, hat 0,
// their buttons and their rumble. Shaped after the platform's device interface: an
// input source, devices created from it, acquire, poll and read.
#pragma once

#include <cstdint>

// Keyboard scan codes used by the joypad map.
inline constexpr uint8_t DIK_ESCAPE = 0x01;
inline constexpr uint8_t DIK_1 = 0x02;
inline constexpr uint8_t DIK_2 = 0x03;
inline constexpr uint8_t DIK_3 = 0x04;
inline constexpr uint8_t DIK_4 = 0x05;
inline constexpr uint8_t DIK_BACK = 0x0E;
inline constexpr uint8_t DIK_TAB = 0x0F;
inline constexpr uint8_t DIK_RETURN = 0x1C;
inline constexpr uint8_t DIK_Z = 0x2C;
inline constexpr uint8_t DIK_X = 0x2D;
inline constexpr uint8_t DIK_LMENU = 0x38;  // left Alt
inline constexpr uint8_t DIK_SPACE = 0x39;
inline constexpr uint8_t DIK_F5 = 0x3F;
inline constexpr uint8_t DIK_F7 = 0x41;
inline constexpr uint8_t DIK_F9 = 0x43;
inline constexpr uint8_t DIK_RMENU = 0xB8;  // right Alt
inline constexpr uint8_t DIK_UP = 0xC8;
inline constexpr uint8_t DIK_LEFT = 0xCB;
inline constexpr uint8_t DIK_RIGHT = 0xCD;
inline constexpr uint8_t DIK_DOWN = 0xD0;

inline constexpr int kKeyboardStateSize = 256;
inline constexpr int kControllerButtonCount = 128;
// Hat angle in hundredths of a degree clockwise from up; centred reports this.
inline constexpr uint32_t kHatCentred = 0xFFFFFFFFu;

struct ControllerState {
    uint32_t hat0 = kHatCentred;
    uint8_t buttons[kControllerButtonCount] = {};  // bit 7 set while pressed
};

struct ControllerInfo {
    int instance;             // position in the enumeration
    const char* productName;  // valid during the callback
};

struct InputSource;
struct KeyboardDevice;
struct ControllerDevice;

enum class DeviceResult : uint8_t { Ok, NotAcquired, InputLost, Failed };

// Returns true to go on with the enumeration.
using ControllerCallback = bool (*)(const ControllerInfo& controller, void* context);

InputSource* createInputSource();
void releaseInputSource(InputSource*& source);

// Whether controllers may have been plugged in or out since the last call (true the
// first time). Cheap enough to ask once a second while a game runs, where listing the
// controllers may not be.
bool controllersMayHaveChanged(InputSource* source);

// Calls back once per attached controller, in order, until the callback returns
// false. False when the enumeration itself failed.
bool enumerateAttachedControllers(InputSource* source, ControllerCallback callback, void* context);

KeyboardDevice* createKeyboardDevice(InputSource* source);
DeviceResult acquireKeyboard(KeyboardDevice* keyboard);
void unacquireKeyboard(KeyboardDevice* keyboard);
// Copies the key states into keys; on a failure keys are left as they were.
DeviceResult readKeyboard(KeyboardDevice* keyboard, uint8_t* keys);
void releaseKeyboardDevice(KeyboardDevice*& keyboard);

ControllerDevice* createControllerDevice(InputSource* source, const ControllerInfo& controller);
DeviceResult acquireController(ControllerDevice* controller);
void unacquireController(ControllerDevice* controller);
DeviceResult pollController(ControllerDevice* controller);
DeviceResult readController(ControllerDevice* controller, ControllerState& state);
// Runs the controller's rumble (strong, both motors where it has two) or stops it.
// While on, it is to be called again at least every few frames: a rumble that is
// not renewed may stop by itself, so that a program that stalls does not leave the
// controller shaking. Does nothing for a null controller or one that cannot rumble.
void setControllerRumble(ControllerDevice* controller, bool on);
void releaseControllerDevice(ControllerDevice*& controller);
