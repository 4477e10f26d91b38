#include "input/joypad_map.h"

namespace {

// A key or button is down while bit 7 of its byte is set.
uint8_t down(uint8_t value) {
    return static_cast<uint8_t>(value >> 7);
}

// Hat 0 reports one of eight angles in hundredths of a degree; each direction takes
// the angle straight at it and the two diagonals beside it. Anything else (centred)
// presses nothing. The controller's axes are not read.
uint8_t hatAt(uint32_t hat, uint32_t a, uint32_t b, uint32_t c) {
    return (hat == a || hat == b || hat == c) ? 1 : 0;
}

}  // namespace

void mapKeyboard(const uint8_t* keys, JoypadButtons& joypad, uint8_t& pause) {
    joypad.right = down(keys[DIK_RIGHT]);
    joypad.left = down(keys[DIK_LEFT]);
    joypad.up = down(keys[DIK_UP]);
    joypad.down = down(keys[DIK_DOWN]);
    joypad.a = down(keys[DIK_X]);
    joypad.b = down(keys[DIK_Z]);
    joypad.select = down(keys[DIK_SPACE]);
    joypad.start = down(keys[DIK_RETURN]);
    pause = down(keys[DIK_ESCAPE]);
}

void mapController(const ControllerState& controller, JoypadButtons& joypad, uint8_t& pause) {
    const uint32_t hat = controller.hat0;
    joypad.right = hatAt(hat, 4500, 9000, 13500);
    joypad.left = hatAt(hat, 22500, 27000, 31500);
    joypad.up = hatAt(hat, 31500, 0, 4500);
    joypad.down = hatAt(hat, 13500, 18000, 22500);
    joypad.a = down(controller.buttons[2]);
    joypad.b = down(controller.buttons[0]);
    joypad.select = down(controller.buttons[10]);
    joypad.start = down(controller.buttons[11]);
    pause = down(controller.buttons[1]);
}

void mapProgramKeys(const uint8_t* keys, ProgramKeys& held) {
    held.saveState = down(keys[DIK_F5]);
    held.loadState = down(keys[DIK_F7]);
    held.undoState = down(keys[DIK_F9]);
    held.rewind = down(keys[DIK_BACK]);
    held.slot = 0;
    const uint8_t slotKeys[4] = {DIK_1, DIK_2, DIK_3, DIK_4};
    for (uint8_t i = 4; i > 0; --i) {
        if (down(keys[slotKeys[i - 1]])) held.slot = i;
    }
}
