#include "input/key_names.h"

#include <array>
#include <cstddef>

namespace {

struct NamedKey {
    uint8_t code;
    const char* name;
};

// In the order namedKeys() gives them.
constexpr NamedKey kKeys[] = {
    {0x1E, "A"},
    {0x30, "B"},
    {0x2E, "C"},
    {0x20, "D"},
    {0x12, "E"},
    {0x21, "F"},
    {0x22, "G"},
    {0x23, "H"},
    {0x17, "I"},
    {0x24, "J"},
    {0x25, "K"},
    {0x26, "L"},
    {0x32, "M"},
    {0x31, "N"},
    {0x18, "O"},
    {0x19, "P"},
    {0x10, "Q"},
    {0x13, "R"},
    {0x1F, "S"},
    {0x14, "T"},
    {0x16, "U"},
    {0x2F, "V"},
    {0x11, "W"},
    {0x2D, "X"},
    {0x15, "Y"},
    {0x2C, "Z"},

    {0x0B, "0"},
    {0x02, "1"},
    {0x03, "2"},
    {0x04, "3"},
    {0x05, "4"},
    {0x06, "5"},
    {0x07, "6"},
    {0x08, "7"},
    {0x09, "8"},
    {0x0A, "9"},

    {0x3B, "F1"},
    {0x3C, "F2"},
    {0x3D, "F3"},
    {0x3E, "F4"},
    {0x3F, "F5"},
    {0x40, "F6"},
    {0x41, "F7"},
    {0x42, "F8"},
    {0x43, "F9"},
    {0x44, "F10"},
    {0x57, "F11"},
    {0x58, "F12"},

    {0x01, "Escape"},
    {0x0F, "Tab"},
    {0x0E, "Backspace"},
    {0x1C, "Return"},
    {0x39, "Space"},
    {0xC8, "Up"},
    {0xD0, "Down"},
    {0xCB, "Left"},
    {0xCD, "Right"},
    {0xD2, "Insert"},
    {0xD3, "Delete"},
    {0xC7, "Home"},
    {0xCF, "End"},
    {0xC9, "Page Up"},
    {0xD1, "Page Down"},

    {0x2A, "Left Shift"},
    {0x36, "Right Shift"},
    {0x1D, "Left Ctrl"},
    {0x9D, "Right Ctrl"},
    {0x38, "Left Alt"},
    {0xB8, "Right Alt"},

    {0x52, "Keypad 0"},
    {0x4F, "Keypad 1"},
    {0x50, "Keypad 2"},
    {0x51, "Keypad 3"},
    {0x4B, "Keypad 4"},
    {0x4C, "Keypad 5"},
    {0x4D, "Keypad 6"},
    {0x47, "Keypad 7"},
    {0x48, "Keypad 8"},
    {0x49, "Keypad 9"},
    {0x9C, "Keypad Enter"},
    {0x4E, "Keypad Plus"},
    {0x4A, "Keypad Minus"},
    {0x37, "Keypad Multiply"},
    {0xB5, "Keypad Divide"},
    {0x53, "Keypad Period"},

    {0x0C, "Minus"},
    {0x0D, "Equals"},
    {0x1A, "Left Bracket"},
    {0x1B, "Right Bracket"},
    {0x27, "Semicolon"},
    {0x28, "Apostrophe"},
    {0x29, "Grave"},
    {0x2B, "Backslash"},
    {0x33, "Comma"},
    {0x34, "Period"},
    {0x35, "Slash"},
};

constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

constexpr std::array<const char*, 256> kNameByCode = [] {
    std::array<const char*, 256> names{};
    for (const NamedKey& key : kKeys) names[key.code] = key.name;
    return names;
}();

constexpr std::array<uint8_t, kKeyCount> kOrder = [] {
    std::array<uint8_t, kKeyCount> codes{};
    for (size_t i = 0; i < kKeyCount; ++i) codes[i] = kKeys[i].code;
    return codes;
}();

// ASCII only: every name in the table is.
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

const char* keyName(uint8_t scanCode) {
    return kNameByCode[scanCode];
}

bool keyFromName(std::string_view name, uint8_t& scanCode) {
    for (const NamedKey& key : kKeys) {
        if (sameIgnoringCase(name, key.name)) {
            scanCode = key.code;
            return true;
        }
    }
    return false;
}

std::span<const uint8_t> namedKeys() {
    return kOrder;
}
