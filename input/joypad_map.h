// How the keyboard and a game controller drive the handheld's eight buttons, the
// pause request and the program's own commands: each through the key and the
// controller button bound to it in the player's preferences.
#pragma once

#include <cstdint>

#include "cartridge/preferences.h"
#include "core/machine_state.h"
#include "platform/input_devices.h"

// Whether the binding's key is down in the keyboard snapshot (null: no keyboard) or
// its button, or hat direction, on the controller (null: none).
bool bindingHeld(const Binding& binding, const uint8_t* keys, const ControllerState* controller);

// Sets every button of joypad and pause from both: held on either counts. keys or
// controller may be null.
void mapControls(const uint8_t* keys, const ControllerState* controller, JoypadButtons& joypad,
                 uint8_t& pause);
// Sets every button of joypad and pause from a keyboard snapshot.
void mapKeyboard(const uint8_t* keys, JoypadButtons& joypad, uint8_t& pause);
// Sets every button of joypad and pause from a controller's hat 0 and buttons.
void mapController(const ControllerState& controller, JoypadButtons& joypad, uint8_t& pause);

// The program's keys as held: save the state in the selected slot, load it, undo the
// last save or load, rewind while held (by their bindings, keyboard or controller),
// and 1-4, which select a slot. None of them is a game key.
struct ProgramKeys {
    uint8_t saveState, loadState, undoState, rewind, screenshot;
    uint8_t slot;  // 1-4 while a slot key is held (the lowest), else 0
};
void mapProgramKeys(const uint8_t* keys, const ControllerState* controller, ProgramKeys& held);
