// The keyboard and game controllers on SDL2: a snapshot of SDL's keyboard state
// indexed by the keyboard scan codes of the joypad map, and joysticks in SDL's
// enumeration order with hat 0 turned into angles and their motors driven by SDL's
// rumble.
#include <cstring>

#include "platform/input_devices.h"
#include "platform/sdl/sdl_platform.h"

struct InputSource {};
struct KeyboardDevice {};
struct ControllerDevice {
    SDL_Joystick* joystick;
};

namespace {

struct ScanCode {
    SDL_Scancode sdl;
    uint8_t code;
};

// SDL's scan codes to the keyboard's set-1 scan codes that the snapshot is indexed
// by (the same codes as DIK_...).
const ScanCode kScanCodes[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02},
    {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},
    {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},
    {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},
    {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10},
    {SDL_SCANCODE_W, 0x11},
    {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14},
    {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16},
    {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},
    {SDL_SCANCODE_D, 0x20},
    {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22},
    {SDL_SCANCODE_H, 0x23},
    {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28},
    {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B},
    {SDL_SCANCODE_Z, 0x2C},
    {SDL_SCANCODE_X, 0x2D},
    {SDL_SCANCODE_C, 0x2E},
    {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},
    {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},
    {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37},
    {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B},
    {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},
    {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},
    {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},
    {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
    {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47},
    {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B},
    {SDL_SCANCODE_KP_5, 0x4C},
    {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},
    {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_F11, 0x57},
    {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_KP_ENTER, 0x9C},
    {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5},
    {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_HOME, 0xC7},
    {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9},
    {SDL_SCANCODE_LEFT, 0xCB},
    {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF},
    {SDL_SCANCODE_DOWN, 0xD0},
    {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2},
    {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC},
};

// Hat positions as angles in hundredths of a degree clockwise from up.
uint32_t hatAngle(Uint8 hat) {
    switch (hat) {
        case SDL_HAT_UP: return 0;
        case SDL_HAT_RIGHTUP: return 4500;
        case SDL_HAT_RIGHT: return 9000;
        case SDL_HAT_RIGHTDOWN: return 13500;
        case SDL_HAT_DOWN: return 18000;
        case SDL_HAT_LEFTDOWN: return 22500;
        case SDL_HAT_LEFT: return 27000;
        case SDL_HAT_LEFTUP: return 31500;
        default: return kHatCentred;
    }
}

int sourceCount = 0;

// The rumble: both motors at full strength, for a little longer than the frames
// between two renewals take, so that it ends by itself when they stop coming.
constexpr Uint16 kRumbleStrength = 0xFFFF;
constexpr Uint32 kRumbleMilliseconds = 100;

// A key tapped so briefly that its press and release arrive together would never
// show in a snapshot, and a program that looks at the joypad once a frame would miss
// it. Every press is therefore reported for at least this long.
constexpr Uint32 kShortestPressMilliseconds = 20;
Uint32 pressedAt[SDL_NUM_SCANCODES] = {};
bool pressSeen[SDL_NUM_SCANCODES] = {};
bool watching = false;
Uint32 lastEventFetch = 0;

int watchKeys(void*, SDL_Event* event) {
    if (event->type == SDL_KEYDOWN && event->key.repeat == 0) {
        const SDL_Scancode code = event->key.keysym.scancode;
        if (code >= 0 && code < SDL_NUM_SCANCODES) {
            pressedAt[code] = SDL_GetTicks();
            pressSeen[code] = true;
        }
    }
    return 0;
}

bool recentlyPressed(SDL_Scancode code, Uint32 now) {
    if (!pressSeen[code]) return false;
    if (now - pressedAt[code] < kShortestPressMilliseconds) return true;
    pressSeen[code] = false;
    return false;
}

}  // namespace

InputSource* createInputSource() {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return nullptr;
    ++sourceCount;
    return new InputSource;
}

void releaseInputSource(InputSource*& source) {
    if (source == nullptr) return;
    delete source;
    source = nullptr;
    if (sourceCount > 0) {
        --sourceCount;
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
}

bool controllersMayHaveChanged(InputSource* source) {
    if (source == nullptr) return false;
    // SDL keeps its list of joysticks current as events are fetched.
    static int lastCount = -1;
    const int count = SDL_NumJoysticks();
    const bool changed = count != lastCount;
    lastCount = count;
    return changed;
}

bool enumerateAttachedControllers(InputSource* source, ControllerCallback callback, void* context) {
    if (source == nullptr) return false;
    const int count = SDL_NumJoysticks();
    if (count < 0) return false;
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_JoystickNameForIndex(i);
        const ControllerInfo info{i, name != nullptr ? name : "Game controller"};
        if (!callback(info, context)) break;
    }
    return true;
}

KeyboardDevice* createKeyboardDevice(InputSource* source) {
    // SDL's keyboard state needs the video part, which delivers the key events.
    if (source == nullptr || !sdl::startVideo()) return nullptr;
    if (!watching) {
        SDL_AddEventWatch(&watchKeys, nullptr);
        watching = true;
    }
    return new KeyboardDevice;
}

DeviceResult acquireKeyboard(KeyboardDevice* keyboard) {
    return keyboard != nullptr ? DeviceResult::Ok : DeviceResult::Failed;
}

void unacquireKeyboard(KeyboardDevice*) {}

DeviceResult readKeyboard(KeyboardDevice* keyboard, uint8_t* keys) {
    if (keyboard == nullptr) return DeviceResult::Failed;
    // Fetch the pending events so that SDL's keyboard state is current, and drop the
    // mouse movements that would pile up. Asking the display server costs far more
    // than a scan line takes, so it is done at most once a millisecond: a key is
    // still seen within a millisecond, and between fetches every scan line reads
    // the same state.
    const Uint32 now = SDL_GetTicks();
    if (now != lastEventFetch) {
        lastEventFetch = now;
        SDL_PumpEvents();
        SDL_FlushEvent(SDL_MOUSEMOTION);
        SDL_FlushEvent(SDL_JOYAXISMOTION);
    }
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    std::memset(keys, 0, kKeyboardStateSize);
    for (const ScanCode& s : kScanCodes) {
        const bool down = s.sdl < count && state[s.sdl] != 0;
        if (down || recentlyPressed(s.sdl, now)) keys[s.code] = 0x80;
    }
    return DeviceResult::Ok;
}

void releaseKeyboardDevice(KeyboardDevice*& keyboard) {
    if (keyboard != nullptr && watching) {
        SDL_DelEventWatch(&watchKeys, nullptr);
        watching = false;
    }
    delete keyboard;
    keyboard = nullptr;
}

ControllerDevice* createControllerDevice(InputSource* source, const ControllerInfo& controller) {
    if (source == nullptr) return nullptr;
    SDL_Joystick* joystick = SDL_JoystickOpen(controller.instance);
    if (joystick == nullptr) return nullptr;
    return new ControllerDevice{joystick};
}

DeviceResult acquireController(ControllerDevice* controller) {
    if (controller == nullptr) return DeviceResult::Failed;
    return SDL_JoystickGetAttached(controller->joystick) ? DeviceResult::Ok
                                                         : DeviceResult::InputLost;
}

void unacquireController(ControllerDevice*) {}

DeviceResult pollController(ControllerDevice* controller) {
    if (controller == nullptr) return DeviceResult::Failed;
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_MOUSEMOTION);
    SDL_FlushEvent(SDL_JOYAXISMOTION);
    SDL_JoystickUpdate();
    return SDL_JoystickGetAttached(controller->joystick) ? DeviceResult::Ok
                                                         : DeviceResult::NotAcquired;
}

DeviceResult readController(ControllerDevice* controller, ControllerState& state) {
    if (controller == nullptr || !SDL_JoystickGetAttached(controller->joystick))
        return DeviceResult::Failed;
    state.hat0 = SDL_JoystickNumHats(controller->joystick) > 0
                     ? hatAngle(SDL_JoystickGetHat(controller->joystick, 0))
                     : kHatCentred;
    const int buttons = SDL_JoystickNumButtons(controller->joystick);
    for (int i = 0; i < kControllerButtonCount; ++i) {
        state.buttons[i] =
            (i < buttons && SDL_JoystickGetButton(controller->joystick, i) != 0) ? 0x80 : 0x00;
    }
    return DeviceResult::Ok;
}

void setControllerRumble(ControllerDevice* controller, bool on) {
    if (controller == nullptr) return;
    // Each call replaces the rumble before it. While the strength stays the same,
    // SDL only moves the end on, so renewing it every frame costs nothing; once the
    // time is up without a renewal, SDL stops the motors when it next brings the
    // joysticks up to date. A controller without motors answers with an error,
    // which changes nothing.
    if (on) {
        SDL_JoystickRumble(controller->joystick, kRumbleStrength, kRumbleStrength,
                           kRumbleMilliseconds);
    } else {
        SDL_JoystickRumble(controller->joystick, 0, 0, 0);
    }
}

void releaseControllerDevice(ControllerDevice*& controller) {
    if (controller == nullptr) return;
    SDL_JoystickClose(controller->joystick);
    delete controller;
    controller = nullptr;
}
