// How the keyboard and a game controller drive the handheld's eight buttons and
// the pause request.
#pragma once

#include <cstdint>

#include "core/app_flags.h"
#include "platform/input_devices.h"

// Sets every button of joypad and pause from a keyboard snapshot.
void mapKeyboard(const uint8_t* keys, JoypadButtons& joypad, uint8_t& pause);
// Sets every button of joypad and pause from a controller's hat 0 and buttons.
void mapController(const ControllerState& controller, JoypadButtons& joypad, uint8_t& pause);
