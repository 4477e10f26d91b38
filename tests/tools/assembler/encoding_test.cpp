// Every opcode of the main and CB tables: the instruction text is derived from the opcode's
// bit fields (x = bits 7-6, y = bits 5-3, z = bits 2-0), assembled, and the bytes must give
// back the opcode and its operands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "tests/tools/assembler/assemble_helpers.h"

namespace sm83 {
namespace {

constexpr const char* kR8[] = {"b", "c", "d", "e", "h", "l", "(hl)", "a"};
constexpr const char* kRp[] = {"bc", "de", "hl", "sp"};
constexpr const char* kRp2[] = {"bc", "de", "hl", "af"};
constexpr const char* kCc[] = {"nz", "z", "nc", "c"};
constexpr const char* kAlu[] = {"add a,", "adc a,", "sub ", "sbc a,", "and ", "xor ", "or ", "cp "};
constexpr const char* kRot[] = {"rlc", "rrc", "rl", "rr", "sla", "sra", "swap", "srl"};

// Operand values used in the generated text, and their expected encodings. The instruction
// is assembled at 0x0100.
constexpr const char* kN = "0x5A";
constexpr uint8_t kNByte = 0x5A;
constexpr const char* kNN = "0x1234";
constexpr const char* kJrTarget = "0x0100 + 2 - 3";  // offset -3
constexpr uint8_t kJrByte = 0xFD;
constexpr const char* kSpOffset = "-2";
constexpr uint8_t kSpByte = 0xFE;

struct Case {
    std::string text;
    std::vector<uint8_t> bytes;
};

std::optional<Case> mainOpcode(int op) {
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7, p = y >> 1, q = y & 1;
    const uint8_t o = static_cast<uint8_t>(op);
    auto plain = [&](std::string t) { return Case{std::move(t), {o}}; };
    auto withN = [&](std::string t) { return Case{std::move(t), {o, kNByte}}; };
    auto withNN = [&](std::string t) { return Case{std::move(t), {o, 0x34, 0x12}}; };
    auto s = [](const char* c) { return std::string(c); };
    switch (x) {
        case 0:
            switch (z) {
                case 0:
                    if (y == 0) return plain("nop");
                    if (y == 1) return withNN(s("ld (") + kNN + "),sp");
                    if (y == 2) return Case{"stop", {0x10, 0x00}};
                    if (y == 3) return Case{s("jr ") + kJrTarget, {o, kJrByte}};
                    return Case{s("jr ") + kCc[y - 4] + "," + kJrTarget, {o, kJrByte}};
                case 1:
                    if (q == 0) return withNN(s("ld ") + kRp[p] + "," + kNN);
                    return plain(s("add hl,") + kRp[p]);
                case 2: {
                    const char* mem[] = {"(bc)", "(de)", "(hl+)", "(hl-)"};
                    if (q == 0) return plain(s("ld ") + mem[p] + ",a");
                    return plain(s("ld a,") + mem[p]);
                }
                case 3: return plain(s(q == 0 ? "inc " : "dec ") + kRp[p]);
                case 4: return plain(s("inc ") + kR8[y]);
                case 5: return plain(s("dec ") + kR8[y]);
                case 6: return withN(s("ld ") + kR8[y] + "," + kN);
                default: {
                    const char* ops[] = {"rlca", "rrca", "rla", "rra", "daa", "cpl", "scf", "ccf"};
                    return plain(ops[y]);
                }
            }
        case 1:
            if (y == 6 && z == 6) return plain("halt");
            return plain(s("ld ") + kR8[y] + "," + kR8[z]);
        case 2: return plain(s(kAlu[y]) + kR8[z]);
        default:
            switch (z) {
                case 0:
                    if (y < 4) return plain(s("ret ") + kCc[y]);
                    if (y == 4) return withN(s("ldh (") + kN + "),a");
                    if (y == 5) return Case{s("add sp,") + kSpOffset, {o, kSpByte}};
                    if (y == 6) return withN(s("ldh a,(") + kN + ")");
                    return Case{s("ld hl,sp") + kSpOffset, {o, kSpByte}};
                case 1: {
                    if (q == 0) return plain(s("pop ") + kRp2[p]);
                    const char* ops[] = {"ret", "reti", "jp hl", "ld sp,hl"};
                    return plain(ops[p]);
                }
                case 2:
                    if (y < 4) return withNN(s("jp ") + kCc[y] + "," + kNN);
                    if (y == 4) return plain("ld (c),a");
                    if (y == 5) return withNN(s("ld (") + kNN + "),a");
                    if (y == 6) return plain("ld a,(c)");
                    return withNN(s("ld a,(") + kNN + ")");
                case 3:
                    if (y == 0) return withNN(s("jp ") + kNN);
                    if (y == 6) return plain("di");
                    if (y == 7) return plain("ei");
                    return std::nullopt;  // 0xCB prefix and undefined opcodes
                case 4:
                    if (y < 4) return withNN(s("call ") + kCc[y] + "," + kNN);
                    return std::nullopt;
                case 5:
                    if (q == 0) return plain(s("push ") + kRp2[p]);
                    if (p == 0) return withNN(s("call ") + kNN);
                    return std::nullopt;
                case 6: return withN(s(kAlu[y]) + kN);
                default: return plain("rst " + std::to_string(y * 8));
            }
    }
}

Case cbOpcode(int second) {
    const int x = second >> 6, y = (second >> 3) & 7, z = second & 7;
    std::string text;
    if (x == 0) {
        text = std::string(kRot[y]) + " " + kR8[z];
    } else {
        const char* ops[] = {"", "bit", "res", "set"};
        text = std::string(ops[x]) + " " + std::to_string(y) + "," + kR8[z];
    }
    return Case{text, {0xCB, static_cast<uint8_t>(second)}};
}

// The same instruction in capitals with square memory brackets.
std::string shouted(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (c == '(') c = '[';
        if (c == ')') c = ']';
    }
    return text;
}

void expectEncodes(const Case& c) {
    for (const std::string& text : {c.text, shouted(c.text)}) {
        SCOPED_TRACE(text);
        const std::vector<uint8_t> got =
            testing::bytesAt("org 0x0100\n " + text + "\n", 0x100, c.bytes.size() + 1);
        ASSERT_EQ(got.size(), c.bytes.size() + 1);
        for (size_t i = 0; i < c.bytes.size(); ++i) EXPECT_EQ(got[i], c.bytes[i]) << "byte " << i;
        EXPECT_EQ(got.back(), 0x00) << "instruction is longer than expected";
    }
}

TEST(EncodingTest, EveryDefinedMainOpcode) {
    int covered = 0;
    for (int op = 0; op < 256; ++op) {
        const std::optional<Case> c = mainOpcode(op);
        if (!c) continue;
        ++covered;
        expectEncodes(*c);
    }
    // 256 less the CB prefix and the eleven undefined opcodes.
    EXPECT_EQ(covered, 244);
}

TEST(EncodingTest, EveryCbOpcode) {
    for (int second = 0; second < 256; ++second) expectEncodes(cbOpcode(second));
}

}  // namespace
}  // namespace sm83
