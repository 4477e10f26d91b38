#include "input/input_layer.h"

#include <cstring>

InputLayer inputLayer;

namespace {
// A controller that keeps answering "input lost" is given up after this many tries.
constexpr int kMaxReacquireTries = 16;
}  // namespace

bool InputLayer::initKeyboard(PlatformWindow*) {
    releaseDevices();
    source_ = createInputSource();
    if (source_ == nullptr) return false;
    keyboard_ = createKeyboardDevice(source_);
    if (keyboard_ == nullptr) return false;
    // The keyboard is read only while the program's window is the active one; at
    // start-up the window may not be active yet, so "not acquired" is no failure here.
    return acquireKeyboard(keyboard_) != DeviceResult::Failed;
}

bool InputLayer::selectController(const ControllerInfo& controller, void* context) {
    InputLayer& layer = *static_cast<InputLayer*>(context);
    --layer.controllerCountdown_;
    if (layer.controllerCountdown_ != 0) return true;
    layer.controller_ = createControllerDevice(layer.source_, controller);
    if (layer.controller_ != nullptr) return false;
    // This one cannot be opened: take the next one instead.
    ++layer.controllerCountdown_;
    return true;
}

bool InputLayer::initController(PlatformWindow*, ControllerCallback callback, uint8_t n) {
    releaseController();
    if (source_ == nullptr) return false;
    controllerCountdown_ = n != 0 ? n : 1;
    const bool listed = enumerateAttachedControllers(source_, callback, this);
    if (listed && controller_ == nullptr && n > 1) {
        // Fewer than n controllers, or none from the n-th on could be opened: take
        // the first one that can be.
        controllerCountdown_ = 1;
        enumerateAttachedControllers(source_, callback, this);
    }
    controllerCountdown_ = 0;
    return controller_ != nullptr;
}

void InputLayer::releaseController() {
    setRumble(false);
    if (controller_ != nullptr) {
        unacquireController(controller_);
        releaseControllerDevice(controller_);
    }
}

// A key pressed while Alt is held is part of a shortcut of the system or the program
// (Alt+Enter switches the window mode, Alt+F4 closes it): it reads as released until
// it is let go, so that the Enter of Alt+Enter never reaches the game as Start, even
// when Alt is let go first.
void InputLayer::hideShortcutKeys() {
    const bool alt = ((keyboardState_[DIK_LMENU] | keyboardState_[DIK_RMENU]) & 0x80) != 0;
    for (int key = 0; key < kKeyboardStateSize; ++key) {
        const bool held = (keyboardState_[key] & 0x80) != 0;
        if (!held) {
            shortcutKeys_[key] = false;
        } else if (alt && key != DIK_LMENU && key != DIK_RMENU) {
            shortcutKeys_[key] = true;
        }
        if (shortcutKeys_[key]) keyboardState_[key] = 0;
    }
}

bool InputLayer::readState() {
    if (keyboard_ == nullptr) return false;
    DeviceResult result = readKeyboard(keyboard_, keyboardState_);
    if (result == DeviceResult::NotAcquired || result == DeviceResult::InputLost) {
        if (acquireKeyboard(keyboard_) == DeviceResult::NotAcquired) {
            // Another program's window is active: its keys are not the game's.
            std::memset(keyboardState_, 0, sizeof keyboardState_);
            result = DeviceResult::Ok;
        } else {
            result = readKeyboard(keyboard_, keyboardState_);
        }
    }
    hideShortcutKeys();
    if (controller_ != nullptr) {
        if (pollController(controller_) != DeviceResult::Ok) {
            DeviceResult acquired = acquireController(controller_);
            for (int tries = 1; acquired == DeviceResult::InputLost && tries < kMaxReacquireTries;
                 ++tries) {
                acquired = acquireController(controller_);
            }
            pollController(controller_);
        }
        if (readController(controller_, controllerState_) != DeviceResult::Ok) {
            rumbling_ = false;
            releaseControllerDevice(controller_);
            controllerState_ = ControllerState{};
            controllerLost_ = true;
        }
    }
    return result == DeviceResult::Ok;
}

bool InputLayer::takeControllerLoss() {
    const bool lost = controllerLost_;
    controllerLost_ = false;
    return lost;
}

void InputLayer::setRumble(bool on) {
    if (controller_ == nullptr || (!on && !rumbling_)) return;
    setControllerRumble(controller_, on);
    rumbling_ = on;
}

void InputLayer::releaseDevices() {
    releaseController();
    if (keyboard_ != nullptr) {
        unacquireKeyboard(keyboard_);
        releaseKeyboardDevice(keyboard_);
    }
    if (source_ != nullptr) releaseInputSource(source_);
    controllerLost_ = false;
}

bool InputLayer::enumerateControllers(ControllerCallback callback, void* context) {
    if (source_ == nullptr) return false;
    return enumerateAttachedControllers(source_, callback, context);
}
