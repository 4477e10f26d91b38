// Every opcode of both tables: where PC goes, and which ones stop the CPU.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/core/cpu_fixture.h"

namespace {

// Instruction lengths of the published SM83 set, row by row (high nibble). The
// undefined opcodes count 1; STOP counts 2; 0xCB counts 2 with its second byte.
constexpr uint8_t kLength[256] = {
    1, 3, 1, 1, 1, 1, 2, 1, 3, 1, 1, 1, 1, 1, 2, 1,  // 0x
    2, 3, 1, 1, 1, 1, 2, 1, 2, 1, 1, 1, 1, 1, 2, 1,  // 1x
    2, 3, 1, 1, 1, 1, 2, 1, 2, 1, 1, 1, 1, 1, 2, 1,  // 2x
    2, 3, 1, 1, 1, 1, 2, 1, 2, 1, 1, 1, 1, 1, 2, 1,  // 3x
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 4x
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 5x
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 6x
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 7x
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 8x
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 9x
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // Ax
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // Bx
    1, 1, 3, 3, 3, 1, 2, 1, 1, 1, 3, 2, 3, 3, 2, 1,  // Cx
    1, 1, 3, 1, 3, 1, 2, 1, 1, 1, 3, 1, 3, 1, 2, 1,  // Dx
    2, 1, 1, 1, 1, 1, 2, 1, 2, 1, 3, 1, 1, 1, 2, 1,  // Ex
    2, 1, 1, 1, 1, 1, 2, 1, 2, 1, 3, 1, 1, 1, 2, 1,  // Fx
};

bool isUndefined(unsigned op) {
    switch (op) {
        case 0xD3:
        case 0xDB:
        case 0xDD:
        case 0xE3:
        case 0xE4:
        case 0xEB:
        case 0xEC:
        case 0xED:
        case 0xF4:
        case 0xFC:
        case 0xFD: return true;
        default: return false;
    }
}

// The condition of a conditional opcode (JR cc, RET cc, JP cc, CALL cc), or -1.
int conditionOf(unsigned op) {
    if ((op & 0xE7) == 0x20) return (op >> 3) & 3;                          // JR cc
    if ((op & 0xE7) == 0xC0 || (op & 0xE7) == 0xC2 || (op & 0xE7) == 0xC4)  // RET/JP/CALL cc
        return (op >> 3) & 3;
    return -1;
}

bool conditionHolds(int cc, uint8_t f) {
    const bool zero = f & 0x80, carry = f & 0x10;
    switch (cc) {
        case 0: return !zero;
        case 1: return zero;
        case 2: return !carry;
        default: return carry;
    }
}

}  // namespace

class OpcodeTableTest : public CpuTest {
protected:
    static constexpr uint16_t kStack = 0xD000;
    static constexpr uint16_t kPopped = 0x5678;  // the word waiting on the stack
    static constexpr uint16_t kHl = 0xC800;

    // Puts opcode, 0x34, 0x12 at kCode (so nn = 0x1234 and e = 0x34) with registers
    // pointing at harmless work RAM, and runs one step.
    void runOpcode(unsigned op, uint8_t f) {
        machine.stopped = 0;
        machine.halted = 0;
        machine.ime = 0;
        cpu().A = 0x00;
        setBc(0xC900);
        setDe(0xCA00);
        setHl(kHl);
        cpu().SP = kStack;
        poke(kStack, {0x78, 0x56});
        cpu().F = f;
        run({static_cast<uint8_t>(op), 0x34, 0x12});
    }

    static uint16_t expectedPc(unsigned op, uint8_t f) {
        const uint16_t next = static_cast<uint16_t>(kCode + kLength[op]);
        const int cc = conditionOf(op);
        if (cc >= 0 && !conditionHolds(cc, f)) return next;
        if (op == 0x18 || (op & 0xE7) == 0x20) return kCode + 2 + 0x34;              // JR
        if (op == 0xC3 || op == 0xCD || (op & 0xE7) == 0xC2 || (op & 0xE7) == 0xC4)  // JP, CALL
            return 0x1234;
        if (op == 0xC9 || op == 0xD9 || (op & 0xE7) == 0xC0) return kPopped;  // RET, RETI
        if ((op & 0xC7) == 0xC7) return op & 0x38;                            // RST
        if (op == 0xE9) return kHl;                                           // JP HL
        return next;
    }
};

TEST_F(OpcodeTableTest, EveryMainOpcodeMovesPcAsPublished) {
    for (unsigned op = 0; op < 256; ++op) {
        for (const uint8_t f : {uint8_t{0x00}, uint8_t{0x90}}) {
            runOpcode(op, f);
            EXPECT_EQ(cpu().PC, expectedPc(op, f))
                << "opcode 0x" << std::hex << op << " with F=0x" << int(f);
            const uint8_t stopped =
                op == 0x10 ? kWaitingForButton : isUndefined(op) ? kStoppedForGood : 0;
            EXPECT_EQ(machine.stopped, stopped) << "opcode 0x" << std::hex << op;
            EXPECT_EQ(machine.halted, 0) << "opcode 0x" << std::hex << op;
        }
    }
}

// Every second byte is defined: PC moves on by 2 and the CPU keeps running.
TEST_F(OpcodeTableTest, EveryCbOpcodeIsTwoBytesLong) {
    for (unsigned second = 0; second < 256; ++second) {
        for (const uint16_t at : {kCode, uint16_t{0xFFFE}}) {
            machine.stopped = 0;
            setHl(kHl);
            place(at, {0xCB, static_cast<uint8_t>(second)});
            step();
            EXPECT_EQ(cpu().PC, static_cast<uint16_t>(at + 2))
                << "CB 0x" << std::hex << second << " at 0x" << at;
            EXPECT_EQ(machine.stopped, 0) << "CB 0x" << std::hex << second;
        }
    }
}
