// The names of keyboard keys, by the scan codes the keyboard snapshot is indexed by
// (the DIK_ codes of platform/input_devices.h): what the preferences file stores for
// a key binding and what the key lists show. The table is the PC's set-1 scan codes,
// with the extended keys (arrows, Insert to Page Down, right Ctrl and Alt, keypad
// Enter and slash) at their code with bit 7 set.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The key's name, short and readable: "A", "1", "F5", "Escape", "Left Shift",
// "Keypad 5", "Minus". nullptr for a scan code the table has no name for (the lock
// keys, the Windows keys, keys of other countries' keyboards).
const char* keyName(uint8_t scanCode);

// The scan code of the key called name, in any mix of upper and lower case
// ("left shift", "PAGE UP"); nothing else about the name may differ. False, with
// scanCode untouched, when no key has that name.
bool keyFromName(std::string_view name, uint8_t& scanCode);

// Every named key's scan code once, in the order a list to choose from shows them:
// letters, digits, function keys, editing and moving keys, modifiers, keypad,
// punctuation.
std::span<const uint8_t> namedKeys();
