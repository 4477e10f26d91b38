// The input device layer: owns the platform's input source, the system keyboard and
// at most one game controller beside it, reads both into fixed buffers and runs the
// controller's rumble. The keyboard is always read; the controller is there while one
// is plugged in and can be opened.
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

    // Sets up the input source and the keyboard, releasing whatever was set up.
    bool initKeyboard(PlatformWindow* window);
    // Opens the n-th attached controller (n >= 1) beside the keyboard, in place of the
    // one open; n = 0 takes the first. callback is the selection step run for each
    // enumerated controller (selectController). A controller that is missing or
    // cannot be opened is replaced by the first one that can; false when none can.
    bool initController(PlatformWindow* window, ControllerCallback callback, uint8_t n);
    void releaseController();
    // Refreshes the keyboard's buffer, and the controller's; false when the keyboard
    // cannot be read. A controller that cannot be read is taken for gone and
    // released (its rumble is not stopped, as nothing reaches it any more);
    // takeControllerLoss() then tells so, once.
    bool readState();
    bool takeControllerLoss();
    // Whether controllers may have come or gone since the last call.
    bool controllersMayHaveChanged() { return ::controllersMayHaveChanged(source_); }
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

    bool usesController() const { return controller_ != nullptr; }
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
    // During selection the number of controllers still to skip plus one.
    uint8_t controllerCountdown_ = 0;
    bool controllerLost_ = false;
    // The controller's rumble was last switched on.
    bool rumbling_ = false;
};

extern InputLayer inputLayer;
