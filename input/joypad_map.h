// How the keyboard and a game controller drive the handheld's eight buttons and
// the pause request, and which keys drive the program's own commands.
#pragma once

#include <cstdint>

#include "core/machine_state.h"
#include "platform/input_devices.h"

// Sets every button of joypad and pause from a keyboard snapshot.
void mapKeyboard(const uint8_t* keys, JoypadButtons& joypad, uint8_t& pause);
// Sets every button of joypad and pause from a controller's hat 0 and buttons.
void mapController(const ControllerState& controller, JoypadButtons& joypad, uint8_t& pause);

// The program's keys, as held in one keyboard snapshot: F5 saves the state in the
// selected slot, F7 loads it, F9 undoes the last save or load, 1-4 select a slot,
// and Backspace, held, rewinds. None of them is a game key.
struct ProgramKeys {
    uint8_t saveState, loadState, undoState, rewind;
    uint8_t slot;  // 1-4 while a slot key is held (the lowest), else 0
};
void mapProgramKeys(const uint8_t* keys, ProgramKeys& held);
