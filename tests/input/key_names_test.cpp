#include "input/key_names.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/input_devices.h"

namespace {

std::string withCase(std::string text, int (*change)(int)) {
    for (char& c : text) c = static_cast<char>(change(static_cast<unsigned char>(c)));
    return text;
}

// Every named key is listed once, and its name leads back to it in any case: no two
// keys share a name or a code.
TEST(KeyNamesTest, EveryNamedKeyRoundTripsThroughItsName) {
    bool listed[256] = {};
    for (const uint8_t code : namedKeys()) {
        EXPECT_FALSE(listed[code]) << "listed twice: " << int{code};
        listed[code] = true;
        const char* name = keyName(code);
        ASSERT_NE(name, nullptr) << int{code};
        for (const std::string& spelling :
             {std::string(name), withCase(name, ::tolower), withCase(name, ::toupper)}) {
            uint8_t found = 0;
            EXPECT_TRUE(keyFromName(spelling, found)) << spelling;
            EXPECT_EQ(found, code) << spelling;
        }
    }
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(keyName(static_cast<uint8_t>(code)) != nullptr, listed[code]) << code;
    // A list to choose from starts with the letters, the digits and the function keys.
    std::string start;
    for (size_t i = 0; i < 48 && i < namedKeys().size(); ++i) start += keyName(namedKeys()[i]);
    EXPECT_EQ(start, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789F1F2F3F4F5F6F7F8F9F10F11F12");
}

// The codes are the keyboard snapshot's: the ones the joypad map reads, and the PC
// scan codes of the keys around them.
TEST(KeyNamesTest, NamesGoWithTheSnapshotsScanCodes) {
    struct Case {
        const char* name;
        uint8_t code;
    };
    const Case cases[] = {
        {"Escape", DIK_ESCAPE},
        {"1", DIK_1},
        {"4", DIK_4},
        {"Backspace", DIK_BACK},
        {"Tab", DIK_TAB},
        {"Return", DIK_RETURN},
        {"Z", DIK_Z},
        {"X", DIK_X},
        {"Space", DIK_SPACE},
        {"F5", DIK_F5},
        {"F7", DIK_F7},
        {"F9", DIK_F9},
        {"Up", DIK_UP},
        {"Left", DIK_LEFT},
        {"Right", DIK_RIGHT},
        {"Down", DIK_DOWN},
        {"0", 0x0B},
        {"A", 0x1E},
        {"Q", 0x10},
        {"M", 0x32},
        {"F10", 0x44},
        {"F11", 0x57},
        {"F12", 0x58},
        {"Minus", 0x0C},
        {"Left Bracket", 0x1A},
        {"Grave", 0x29},
        {"Backslash", 0x2B},
        {"Slash", 0x35},
        {"Left Shift", 0x2A},
        {"Right Shift", 0x36},
        {"Left Ctrl", 0x1D},
        {"Right Ctrl", 0x9D},
        {"Left Alt", 0x38},
        {"Right Alt", 0xB8},
        {"Keypad 7", 0x47},
        {"Keypad 0", 0x52},
        {"Keypad Enter", 0x9C},
        {"Keypad Divide", 0xB5},
        {"Insert", 0xD2},
        {"Delete", 0xD3},
        {"Home", 0xC7},
        {"End", 0xCF},
        {"Page Up", 0xC9},
        {"Page Down", 0xD1},
    };
    for (const Case& c : cases) {
        uint8_t code = 0;
        EXPECT_TRUE(keyFromName(c.name, code)) << c.name;
        EXPECT_EQ(code, c.code) << c.name;
    }
    // Codes without a name: none, Caps Lock, the left Windows key. Names of no key.
    for (const uint8_t code : {uint8_t{0x00}, uint8_t{0x3A}, uint8_t{0xDB}})
        EXPECT_EQ(keyName(code), nullptr) << int{code};
    for (const char* name : {"", "none", "Shift", "F13", " A", "A ", "Keypad5", "Left  Shift"}) {
        uint8_t code = 0x77;
        EXPECT_FALSE(keyFromName(name, code)) << name;
        EXPECT_EQ(code, 0x77) << name;
    }
}

}  // namespace
