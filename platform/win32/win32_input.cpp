// Input devices on DirectInput 8: the system keyboard with the predefined keyboard
// format, and game controllers with the extended joystick format. The keyboard is
// opened in the foreground, so keys typed into another program never reach the
// game; controllers are read in the background.
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
};

namespace {

// Keyboard: non-exclusive, foreground (acquired only while the window is active),
// Windows key left to the system.
constexpr DWORD kKeyboardCooperation = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY;
static_assert(kKeyboardCooperation == 0x16);
constexpr DWORD kControllerCooperation = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
static_assert(kControllerCooperation == 0x0A);

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
    if (FAILED(device->SetDataFormat(&c_dfDIJoystick2)) ||
        FAILED(device->SetCooperativeLevel(win32::windowHandle(topLevelWindow()),
                                           kControllerCooperation))) {
        device->Release();
        return nullptr;
    }
    auto* created = new ControllerDevice;
    created->device = device;
    return created;
}

DeviceResult acquireController(ControllerDevice* controller) {
    if (controller == nullptr) return DeviceResult::Failed;
    return toResult(controller->device->Acquire());
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

void releaseControllerDevice(ControllerDevice*& controller) {
    if (controller == nullptr) return;
    releaseDevice(controller->device);
    delete controller;
    controller = nullptr;
}
