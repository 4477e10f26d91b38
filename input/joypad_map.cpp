#include "input/joypad_map.h"

namespace {

// A key or button is down while bit 7 of its byte is set.
uint8_t down(uint8_t value) {
    return static_cast<uint8_t>(value >> 7);
}

// Hat 0 reports one of eight angles in hundredths of a degree; each direction takes
// the angle straight at it and the two diagonals beside it. Anything else (centred)
// presses nothing. The controller's axes are not read.
bool hatAt(uint32_t hat, uint32_t a, uint32_t b, uint32_t c) {
    return hat == a || hat == b || hat == c;
}

bool buttonHeld(int16_t button, const ControllerState& controller) {
    if (button >= 0 && button <= kLastButton && button < kControllerButtonCount) {
        return down(controller.buttons[button]) != 0;
    }
    const uint32_t hat = controller.hat0;
    switch (button) {
        case kHatUp: return hatAt(hat, 31500, 0, 4500);
        case kHatDown: return hatAt(hat, 13500, 18000, 22500);
        case kHatLeft: return hatAt(hat, 22500, 27000, 31500);
        case kHatRight: return hatAt(hat, 4500, 9000, 13500);
        default: return false;
    }
}

uint8_t actionHeld(Action action, const uint8_t* keys, const ControllerState* controller) {
    return bindingHeld(preferences.bindings[static_cast<size_t>(action)], keys, controller) ? 1 : 0;
}

void mapButtons(const uint8_t* keys, const ControllerState* controller, JoypadButtons& joypad,
                uint8_t& pause) {
    joypad.right = actionHeld(Action::Right, keys, controller);
    joypad.left = actionHeld(Action::Left, keys, controller);
    joypad.up = actionHeld(Action::Up, keys, controller);
    joypad.down = actionHeld(Action::Down, keys, controller);
    joypad.a = actionHeld(Action::A, keys, controller);
    joypad.b = actionHeld(Action::B, keys, controller);
    joypad.select = actionHeld(Action::Select, keys, controller);
    joypad.start = actionHeld(Action::Start, keys, controller);
    pause = actionHeld(Action::Menu, keys, controller);
}

}  // namespace

bool bindingHeld(const Binding& binding, const uint8_t* keys, const ControllerState* controller) {
    if (keys != nullptr && binding.key != kNoKey && down(keys[binding.key]) != 0) return true;
    return controller != nullptr && buttonHeld(binding.button, *controller);
}

void mapControls(const uint8_t* keys, const ControllerState* controller, JoypadButtons& joypad,
                 uint8_t& pause) {
    mapButtons(keys, controller, joypad, pause);
}

void mapKeyboard(const uint8_t* keys, JoypadButtons& joypad, uint8_t& pause) {
    mapButtons(keys, nullptr, joypad, pause);
}

void mapController(const ControllerState& controller, JoypadButtons& joypad, uint8_t& pause) {
    mapButtons(nullptr, &controller, joypad, pause);
}

void mapProgramKeys(const uint8_t* keys, const ControllerState* controller, ProgramKeys& held) {
    held.saveState = actionHeld(Action::SaveState, keys, controller);
    held.loadState = actionHeld(Action::LoadState, keys, controller);
    held.undoState = actionHeld(Action::UndoState, keys, controller);
    held.rewind = actionHeld(Action::Rewind, keys, controller);
    held.screenshot = actionHeld(Action::Screenshot, keys, controller);
    held.slot = 0;
    if (keys == nullptr) return;
    const uint8_t slotKeys[4] = {DIK_1, DIK_2, DIK_3, DIK_4};
    for (uint8_t i = 4; i > 0; --i) {
        if (down(keys[slotKeys[i - 1]])) held.slot = i;
    }
}
