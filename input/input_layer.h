// The input device layer: owns the platform's input source and the one active
// device, the system keyboard or one game controller, reads its state into a fixed
// buffer and runs the controller's rumble.
#pragma once

#include <cstdint>

#include "platform/input_devices.h"

struct PlatformWindow;

class InputLayer {
public:
    InputLayer() = default;
    ~InputLayer() { releaseDevices(); }
    InputLayer(const InputLayer&) = delete;
    InputLayer& operator=(const InputLayer&) = delete;

    bool initKeyboard(PlatformWindow* window);
    // Sets up the n-th attached controller (n >= 1); callback is the selection step
    // run for each enumerated controller (selectController). A controller that is
    // missing or cannot be opened is replaced by the first one that can.
    bool initController(PlatformWindow* window, ControllerCallback callback, uint8_t n);
    // Refreshes the active device's buffer; false when it cannot be read. A
    // controller that cannot be read is taken for gone: its rumble is not stopped
    // afterwards, as nothing reaches it any more.
    bool readState();
    // Runs or stops the active controller's rumble; the keyboard has none. While it
    // is on, every call reaches the controller and renews the rumble, which the
    // platform may end by itself when the calls stop; off reaches it once.
    void setRumble(bool on);
    // Stops the rumble, then releases the keyboard, the controller and the input
    // source. Repeatable.
    void releaseDevices();
    // Lists the attached controllers through the current input source.
    bool enumerateControllers(ControllerCallback callback, void* context);

    // The selection step: counts controllers down and opens the one reaching zero.
    // context is the InputLayer.
    static bool selectController(const ControllerInfo& controller, void* context);

    bool usesController() const { return controllerCountdown_ != 0; }
    const uint8_t* keyboardState() const { return keyboardState_; }
    const ControllerState& controllerState() const { return controllerState_; }

private:
    // Hides the keys of Alt shortcuts from the snapshot.
    void hideShortcutKeys();

    InputSource* source_ = nullptr;
    KeyboardDevice* keyboard_ = nullptr;
    ControllerDevice* controller_ = nullptr;
    ControllerState controllerState_;
    uint8_t keyboardState_[kKeyboardStateSize] = {};
    // Keys that went down while Alt was held, until they are let go.
    bool shortcutKeys_[kKeyboardStateSize] = {};
    // 0 while the keyboard is active; during selection the number of controllers
    // still to skip plus one; 1 once a controller is set up.
    uint8_t controllerCountdown_ = 0;
    // The controller's rumble was last switched on.
    bool rumbling_ = false;
};

extern InputLayer inputLayer;
