// The keyboard and game controllers as scripted state.
#include <cstring>
#include <utility>

#include "platform/headless/headless_state.h"
#include "platform/input_devices.h"

struct InputSource {};
struct KeyboardDevice {
    bool acquired = false;
};
struct ControllerDevice {
    int index;
    bool acquired = false;
};

namespace headless {

void failInputSource(bool fail) {
    state().failSource = fail;
}
void failKeyboardCreation(bool fail) {
    state().failKeyboardCreate = fail;
}
void failKeyboardAcquire(bool fail) {
    state().failKeyboardAcquire = fail;
}
void loseKeyboardAcquisition(int reads) {
    state().notAcquiredReads = reads;
}
void setKey(uint8_t code, bool down) {
    state().keys[code] = down ? 0x80 : 0x00;
}
void setKeyboardHandler(std::function<void(uint32_t)> handler) {
    state().keyboardHandler = std::move(handler);
}
uint32_t keyboardReads() {
    return state().keyboardReads;
}

int attachController(const std::string& productName, bool canBeCreated) {
    headless::FakeController controller;
    controller.name = productName;
    controller.creatable = canBeCreated;
    state().controllers.push_back(std::move(controller));
    return static_cast<int>(state().controllers.size()) - 1;
}
void setControllerState(int index, const ControllerState& controllerState) {
    state().controllers.at(static_cast<size_t>(index)).state = controllerState;
}
void failControllerReads(int index, bool fail) {
    state().controllers.at(static_cast<size_t>(index)).failReads = fail;
}
void setControllerHandler(std::function<void(uint32_t)> handler) {
    state().controllerHandler = std::move(handler);
}
uint32_t controllerReads() {
    return state().controllerReads;
}
void failEnumeration(bool fail) {
    state().failEnumeration = fail;
}
int openedController() {
    return state().openedController;
}
bool controllerRumbling(int index) {
    return state().controllers.at(static_cast<size_t>(index)).rumbling;
}
uint32_t controllerRumbleStarts(int index) {
    return state().controllers.at(static_cast<size_t>(index)).rumbleStarts;
}
uint32_t controllerRumbleCalls(int index) {
    return state().controllers.at(static_cast<size_t>(index)).rumbleCalls;
}

}  // namespace headless

using headless::state;

InputSource* createInputSource() {
    return state().failSource ? nullptr : new InputSource;
}

void releaseInputSource(InputSource*& source) {
    delete source;
    source = nullptr;
}

bool controllersMayHaveChanged(InputSource* source) {
    return source != nullptr;
}

bool enumerateAttachedControllers(InputSource* source, ControllerCallback callback, void* context) {
    if (source == nullptr || state().failEnumeration) return false;
    // Copy the names first: a callback may attach or open controllers.
    const std::vector<headless::FakeController> controllers = state().controllers;
    for (size_t i = 0; i < controllers.size(); ++i) {
        const ControllerInfo info{static_cast<int>(i), controllers[i].name.c_str()};
        if (!callback(info, context)) break;
    }
    return true;
}

KeyboardDevice* createKeyboardDevice(InputSource* source) {
    if (source == nullptr || state().failKeyboardCreate) return nullptr;
    return new KeyboardDevice;
}

DeviceResult acquireKeyboard(KeyboardDevice* keyboard) {
    if (keyboard == nullptr || state().failKeyboardAcquire) return DeviceResult::Failed;
    keyboard->acquired = true;
    return DeviceResult::Ok;
}

void unacquireKeyboard(KeyboardDevice* keyboard) {
    if (keyboard != nullptr) keyboard->acquired = false;
}

DeviceResult readKeyboard(KeyboardDevice* keyboard, uint8_t* keys) {
    headless::State& s = state();
    if (keyboard == nullptr) return DeviceResult::Failed;
    if (s.notAcquiredReads > 0) {
        --s.notAcquiredReads;
        keyboard->acquired = false;
    }
    if (!keyboard->acquired) return DeviceResult::NotAcquired;
    if (s.keyboardHandler) s.keyboardHandler(s.keyboardReads);
    ++s.keyboardReads;
    std::memcpy(keys, s.keys, kKeyboardStateSize);
    return DeviceResult::Ok;
}

void releaseKeyboardDevice(KeyboardDevice*& keyboard) {
    delete keyboard;
    keyboard = nullptr;
}

ControllerDevice* createControllerDevice(InputSource* source, const ControllerInfo& controller) {
    headless::State& s = state();
    if (source == nullptr || controller.instance < 0 ||
        controller.instance >= static_cast<int>(s.controllers.size()))
        return nullptr;
    if (!s.controllers[static_cast<size_t>(controller.instance)].creatable) return nullptr;
    s.openedController = controller.instance;
    return new ControllerDevice{controller.instance};
}

DeviceResult acquireController(ControllerDevice* controller) {
    if (controller == nullptr) return DeviceResult::Failed;
    controller->acquired = true;
    return DeviceResult::Ok;
}

void unacquireController(ControllerDevice* controller) {
    if (controller != nullptr) controller->acquired = false;
}

DeviceResult pollController(ControllerDevice* controller) {
    if (controller == nullptr || !controller->acquired) return DeviceResult::NotAcquired;
    return DeviceResult::Ok;
}

DeviceResult readController(ControllerDevice* controller, ControllerState& controllerState) {
    headless::State& s = state();
    if (controller == nullptr || !controller->acquired) return DeviceResult::NotAcquired;
    if (s.controllerHandler) s.controllerHandler(s.controllerReads);
    ++s.controllerReads;
    const headless::FakeController& fake = s.controllers.at(static_cast<size_t>(controller->index));
    if (fake.failReads) return DeviceResult::Failed;
    controllerState = fake.state;
    return DeviceResult::Ok;
}

void setControllerRumble(ControllerDevice* controller, bool on) {
    if (controller == nullptr) return;
    headless::FakeController& fake = state().controllers.at(static_cast<size_t>(controller->index));
    ++fake.rumbleCalls;
    if (on && !fake.rumbling) ++fake.rumbleStarts;
    fake.rumbling = on;
}

void releaseControllerDevice(ControllerDevice*& controller) {
    if (controller != nullptr && state().openedController == controller->index)
        state().openedController = -1;
    delete controller;
    controller = nullptr;
}
