// Input devices on DirectInput 8: the system keyboard with the predefined keyboard
// format, and game controllers with the extended joystick format. The keyboard is
// opened in the foreground, so keys typed into another program never reach the
// game; controllers are read in the background. A controller with force feedback
// rumbles through a constant force on its actuators, which DirectInput plays only
// for a program that has the controller to itself.
#include <vector>

#include "platform/input_devices.h"
#include "platform/win32/win32_platform.h"

struct InputSource {
    IDirectInput8A* directInput = nullptr;
    // The instance GUIDs of the last enumeration, by position.
    std::vector<GUID> controllers;
};

struct KeyboardDevice {
    IDirectInputDevice8A* device = nullptr;
};

struct ControllerDevice {
    IDirectInputDevice8A* device = nullptr;
    // Exclusive access was granted for force feedback.
    bool exclusive = false;
    // The rumble, on a controller with force feedback: created with the device, and
    // whether it was last started.
    IDirectInputEffect* rumble = nullptr;
    bool rumbling = false;
};

namespace {

// Keyboard: non-exclusive, foreground (acquired only while the window is active),
// Windows key left to the system.
constexpr DWORD kKeyboardCooperation = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY;
static_assert(kKeyboardCooperation == 0x16);
constexpr DWORD kControllerCooperation = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
static_assert(kControllerCooperation == 0x0A);
// Force feedback needs exclusive access: in the background where the driver grants
// it, otherwise in the foreground.
constexpr DWORD kRumbleCooperation = DISCL_EXCLUSIVE | DISCL_BACKGROUND;
static_assert(kRumbleCooperation == 0x09);
constexpr DWORD kForegroundRumbleCooperation = DISCL_EXCLUSIVE | DISCL_FOREGROUND;
static_assert(kForegroundRumbleCooperation == 0x05);
// The rumble pushes along at most two of the controller's force-feedback axes.
constexpr DWORD kMaxRumbleAxes = 2;

DeviceResult toResult(HRESULT result) {
    // Another window is active: a foreground device waits until ours is again.
    if (result == DIERR_NOTACQUIRED || result == DIERR_OTHERAPPHASPRIO) {
        return DeviceResult::NotAcquired;
    }
    if (result == DIERR_INPUTLOST) return DeviceResult::InputLost;
    return SUCCEEDED(result) ? DeviceResult::Ok : DeviceResult::Failed;
}

struct Enumeration {
    InputSource* source;
    ControllerCallback callback;
    void* context;
};

BOOL CALLBACK controllerFound(LPCDIDEVICEINSTANCEA instance, LPVOID reference) {
    auto* enumeration = static_cast<Enumeration*>(reference);
    auto& list = enumeration->source->controllers;
    const ControllerInfo info{static_cast<int>(list.size()), instance->tszProductName};
    list.push_back(instance->guidInstance);
    return enumeration->callback(info, enumeration->context) ? DIENUM_CONTINUE : DIENUM_STOP;
}

void releaseDevice(IDirectInputDevice8A*& device) {
    if (device == nullptr) return;
    device->Release();
    device = nullptr;
}

struct RumbleAxes {
    DWORD ids[kMaxRumbleAxes] = {};
    DWORD count = 0;
};

BOOL CALLBACK rumbleAxisFound(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID reference) {
    auto* axes = static_cast<RumbleAxes*>(reference);
    if ((object->dwFlags & DIDOI_FFACTUATOR) == 0) return DIENUM_CONTINUE;
    axes->ids[axes->count++] = object->dwType;
    return axes->count < kMaxRumbleAxes ? DIENUM_CONTINUE : DIENUM_STOP;
}

// A constant force at full strength on the controller's force-feedback axes, playing
// until stopped. Null when the controller has no such axis or refuses the effect.
IDirectInputEffect* createRumble(IDirectInputDevice8A* device) {
    RumbleAxes axes;
    if (FAILED(device->EnumObjects(rumbleAxisFound, &axes, DIDFT_AXIS | DIDFT_FFACTUATOR)) ||
        axes.count == 0) {
        return nullptr;
    }
    LONG direction[kMaxRumbleAxes] = {1, 0};  // along the first axis
    DICONSTANTFORCE force = {};
    force.lMagnitude = DI_FFNOMINALMAX;
    DIEFFECT effect = {};
    effect.dwSize = sizeof(effect);
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTIDS;
    effect.dwDuration = INFINITE;
    effect.dwGain = DI_FFNOMINALMAX;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.cAxes = axes.count;
    effect.rgdwAxes = axes.ids;
    effect.rglDirection = direction;
    effect.cbTypeSpecificParams = sizeof(force);
    effect.lpvTypeSpecificParams = &force;
    IDirectInputEffect* rumble = nullptr;
    if (FAILED(device->CreateEffect(GUID_ConstantForce, &effect, &rumble, nullptr))) return nullptr;
    return rumble;
}

void releaseRumble(ControllerDevice* controller) {
    if (controller->rumble == nullptr) return;
    controller->rumble->Release();
    controller->rumble = nullptr;
    controller->rumbling = false;
}

// Gives up force feedback and goes back to shared access, for a controller that
// cannot be acquired exclusively. Only while it is not acquired.
bool shareController(ControllerDevice* controller) {
    releaseRumble(controller);
    controller->exclusive = false;
    return SUCCEEDED(controller->device->SetCooperativeLevel(win32::windowHandle(topLevelWindow()),
                                                             kControllerCooperation));
}

}  // namespace

InputSource* createInputSource() {
    IDirectInput8A* directInput = nullptr;
    // Only whether an interface came back counts, as the result code may be a warning.
    DirectInput8Create(win32::programInstance(), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                       reinterpret_cast<void**>(&directInput), nullptr);
    if (directInput == nullptr) return nullptr;
    auto* source = new InputSource;
    source->directInput = directInput;
    return source;
}

void releaseInputSource(InputSource*& source) {
    if (source == nullptr) return;
    if (source->directInput != nullptr) source->directInput->Release();
    delete source;
    source = nullptr;
}

bool controllersMayHaveChanged(InputSource* source) {
    // Listing the controllers through DirectInput can take tens of milliseconds, too
    // long for a frame; the system says when devices come and go (WM_DEVICECHANGE).
    return source != nullptr && win32::takeDeviceChange();
}

bool enumerateAttachedControllers(InputSource* source, ControllerCallback callback, void* context) {
    if (source == nullptr || callback == nullptr) return false;
    source->controllers.clear();
    Enumeration enumeration{source, callback, context};
    return SUCCEEDED(source->directInput->EnumDevices(DI8DEVCLASS_GAMECTRL, controllerFound,
                                                      &enumeration, DIEDFL_ATTACHEDONLY));
}

KeyboardDevice* createKeyboardDevice(InputSource* source) {
    if (source == nullptr) return nullptr;
    IDirectInputDevice8A* device = nullptr;
    if (FAILED(source->directInput->CreateDevice(GUID_SysKeyboard, &device, nullptr)) ||
        device == nullptr) {
        return nullptr;
    }
    // A keyboard that cannot take these still answers reads; acquiring it tells.
    device->SetDataFormat(&c_dfDIKeyboard);
    device->SetCooperativeLevel(win32::windowHandle(topLevelWindow()), kKeyboardCooperation);
    auto* keyboard = new KeyboardDevice;
    keyboard->device = device;
    return keyboard;
}

DeviceResult acquireKeyboard(KeyboardDevice* keyboard) {
    if (keyboard == nullptr) return DeviceResult::Failed;
    // Only DI_OK counts: S_FALSE (already acquired) is not a fresh acquisition.
    const HRESULT result = keyboard->device->Acquire();
    return result == DI_OK ? DeviceResult::Ok : toResult(FAILED(result) ? result : E_FAIL);
}

void unacquireKeyboard(KeyboardDevice* keyboard) {
    if (keyboard != nullptr) keyboard->device->Unacquire();
}

DeviceResult readKeyboard(KeyboardDevice* keyboard, uint8_t* keys) {
    if (keyboard == nullptr) return DeviceResult::Failed;
    return toResult(keyboard->device->GetDeviceState(kKeyboardStateSize, keys));
}

void releaseKeyboardDevice(KeyboardDevice*& keyboard) {
    if (keyboard == nullptr) return;
    releaseDevice(keyboard->device);
    delete keyboard;
    keyboard = nullptr;
}

ControllerDevice* createControllerDevice(InputSource* source, const ControllerInfo& controller) {
    if (source == nullptr || controller.instance < 0 ||
        static_cast<size_t>(controller.instance) >= source->controllers.size()) {
        return nullptr;
    }
    IDirectInputDevice8A* device = nullptr;
    if (FAILED(source->directInput->CreateDevice(source->controllers[controller.instance], &device,
                                                 nullptr)) ||
        device == nullptr) {
        return nullptr;
    }
    if (FAILED(device->SetDataFormat(&c_dfDIJoystick2))) {
        device->Release();
        return nullptr;
    }
    const HWND window = win32::windowHandle(topLevelWindow());
    DIDEVCAPS capabilities = {};
    capabilities.dwSize = sizeof(capabilities);
    const bool forceFeedback = SUCCEEDED(device->GetCapabilities(&capabilities)) &&
                               (capabilities.dwFlags & DIDC_FORCEFEEDBACK) != 0;
    const bool exclusive =
        forceFeedback &&
        (SUCCEEDED(device->SetCooperativeLevel(window, kRumbleCooperation)) ||
         SUCCEEDED(device->SetCooperativeLevel(window, kForegroundRumbleCooperation)));
    if (!exclusive && FAILED(device->SetCooperativeLevel(window, kControllerCooperation))) {
        device->Release();
        return nullptr;
    }
    auto* created = new ControllerDevice;
    created->device = device;
    created->exclusive = exclusive;
    if (exclusive) created->rumble = createRumble(device);
    return created;
}

DeviceResult acquireController(ControllerDevice* controller) {
    if (controller == nullptr) return DeviceResult::Failed;
    HRESULT result = controller->device->Acquire();
    // Another program has the controller to itself, or only foreground access was
    // granted and another window is active: it is read shared, without rumble.
    if (result == DIERR_OTHERAPPHASPRIO && controller->exclusive && shareController(controller))
        result = controller->device->Acquire();
    // Losing the device stopped its effects; a fresh acquisition starts without.
    if (result == DI_OK) controller->rumbling = false;
    return toResult(result);
}

void unacquireController(ControllerDevice* controller) {
    if (controller != nullptr) controller->device->Unacquire();
}

DeviceResult pollController(ControllerDevice* controller) {
    if (controller == nullptr) return DeviceResult::Failed;
    return toResult(controller->device->Poll());
}

DeviceResult readController(ControllerDevice* controller, ControllerState& state) {
    if (controller == nullptr) return DeviceResult::Failed;
    DIJOYSTATE2 raw = {};
    const HRESULT result = controller->device->GetDeviceState(sizeof(raw), &raw);
    if (FAILED(result)) return toResult(result);
    state.hat0 = raw.rgdwPOV[0];
    static_assert(sizeof(raw.rgbButtons) == sizeof(state.buttons));
    for (int i = 0; i < kControllerButtonCount; ++i) state.buttons[i] = raw.rgbButtons[i];
    return DeviceResult::Ok;
}

void setControllerRumble(ControllerDevice* controller, bool on) {
    if (controller == nullptr || controller->rumble == nullptr || on == controller->rumbling)
        return;
    // Start downloads the effect to the device first when it does not hold it (yet,
    // or any more since it was lost). A start that fails is tried again on the next
    // call; a stop that fails leaves nothing playing, as the device is not acquired.
    if (on) {
        controller->rumbling = SUCCEEDED(controller->rumble->Start(1, 0));
    } else {
        controller->rumble->Stop();
        controller->rumbling = false;
    }
}

void releaseControllerDevice(ControllerDevice*& controller) {
    if (controller == nullptr) return;
    // The effect belongs to the device: it goes first.
    releaseRumble(controller);
    releaseDevice(controller->device);
    delete controller;
    controller = nullptr;
}
