// The CB-prefixed operations against reference formulas, over every operand encoding
// and every value, plus the bus use of their (HL) forms.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/core/cpu_fixture.h"

namespace {

constexpr uint16_t kData = 0xC800;  // where HL points for the (HL) operand

const char* const kShiftNames[8] = {"RLC", "RRC", "RL", "RR", "SLA", "SRA", "SWAP", "SRL"};

// Published result and carry-out of each rotate, shift and swap.
void referenceShift(unsigned op, unsigned v, unsigned cy, unsigned& result, unsigned& carry) {
    switch (op) {
        case 0: result = ((v << 1) | (v >> 7)) & 0xFF, carry = v >> 7; break;
        case 1: result = ((v >> 1) | (v << 7)) & 0xFF, carry = v & 1; break;
        case 2: result = ((v << 1) | cy) & 0xFF, carry = v >> 7; break;
        case 3: result = (v >> 1) | (cy << 7), carry = v & 1; break;
        case 4: result = (v << 1) & 0xFF, carry = v >> 7; break;
        case 5: result = (v >> 1) | (v & 0x80), carry = v & 1; break;
        case 6: result = ((v & 0x0F) << 4) | (v >> 4), carry = 0; break;
        default: result = v >> 1, carry = v & 1; break;
    }
}

}  // namespace

class CbTest : public CpuTest {
protected:
    // Sets operand `index` (6 meaning the byte at HL) and runs CB `second`.
    static void runCb(uint8_t second, unsigned index, uint8_t value, uint8_t f) {
        setHl(kData);
        if (index == 6) {
            poke(kData, {value});
        } else {
            reg(index) = value;
        }
        cpu().F = f;
        run({0xCB, second});
    }
    static uint8_t operand(unsigned index) { return index == 6 ? readByte(kData) : reg(index); }
};

TEST_F(CbTest, RotatesShiftsAndSwapOnEveryOperandAndValue) {
    for (unsigned op = 0; op < 8; ++op) {
        for (unsigned index = 0; index < 8; ++index) {
            for (unsigned v = 0; v < 256; ++v) {
                for (unsigned cy = 0; cy < 2; ++cy) {
                    // F starts with every other bit set, so each must be rewritten.
                    runCb(static_cast<uint8_t>(op * 8 + index), index, static_cast<uint8_t>(v),
                          static_cast<uint8_t>(cy ? 0xFF : 0xEF));
                    unsigned want, carry;
                    referenceShift(op, v, cy, want, carry);
                    ASSERT_EQ(operand(index), want)
                        << kShiftNames[op] << " operand " << index << " v=" << v << " cy=" << cy;
                    ASSERT_EQ(cpu().F, (want == 0 ? 0x80 : 0) | (carry << 4))
                        << kShiftNames[op] << " operand " << index << " v=" << v << " cy=" << cy;
                    ASSERT_EQ(cpu().PC, kCode + 2);
                }
            }
        }
    }
}

TEST_F(CbTest, ShiftCornerCases) {
    struct Case {
        uint8_t second, value, f, want, wantF;
    };
    const Case cases[] = {
        {0x2F, 0x80, 0x00, 0xC0, 0x00},  // SRA A keeps bit 7
        {0x2F, 0x81, 0x00, 0xC0, 0x10}, {0x2F, 0x01, 0x00, 0x00, 0x90},
        {0x3F, 0x80, 0x00, 0x40, 0x00},                                  // SRL A
        {0x3F, 0x01, 0x00, 0x00, 0x90}, {0x27, 0x80, 0x00, 0x00, 0x90},  // SLA A
        {0x27, 0xC1, 0x00, 0x82, 0x10}, {0x37, 0xF0, 0x10, 0x0F, 0x00},  // SWAP clears C
        {0x37, 0x00, 0x00, 0x00, 0x80}, {0x1F, 0x01, 0x10, 0x80, 0x10},  // RR A
    };
    for (const Case& c : cases) {
        runCb(c.second, 7, c.value, c.f);
        EXPECT_EQ(cpu().A, c.want) << "CB " << int(c.second) << " of " << int(c.value);
        EXPECT_EQ(cpu().F, c.wantF) << "CB " << int(c.second) << " of " << int(c.value);
    }
    runCb(0x10, 0, 0x80, 0x00);  // RL B
    EXPECT_EQ(cpu().B, 0x00);
    EXPECT_EQ(cpu().F, 0x90);
}

// The CB rotates of A give exactly what the one-byte RLCA, RRCA, RLA and RRA give.
TEST_F(CbTest, RotatesOfAMatchTheOneByteForms) {
    const uint8_t oneByte[4] = {0x07, 0x0F, 0x17, 0x1F};
    for (unsigned op = 0; op < 4; ++op) {
        for (unsigned a = 0; a < 256; ++a) {
            for (const uint8_t f : {uint8_t{0x00}, uint8_t{0x1F}, uint8_t{0xF0}}) {
                cpu().A = static_cast<uint8_t>(a);
                cpu().F = f;
                run({oneByte[op]});
                const uint8_t shortA = cpu().A, shortF = cpu().F;
                runCb(static_cast<uint8_t>(op * 8 + 7), 7, static_cast<uint8_t>(a), f);
                ASSERT_EQ(cpu().A, shortA) << kShiftNames[op] << " A=" << a;
                ASSERT_EQ(cpu().F, shortF) << kShiftNames[op] << " A=" << a;
            }
        }
    }
}

// BIT: Z from the tested bit, N clear, H set, C kept, bits 0-3 cleared, nothing
// written. RES and SET: the bit changed and F untouched, bits 0-3 included.
TEST_F(CbTest, BitResetAndSetOnEveryBitOperandAndValue) {
    for (unsigned bit = 0; bit < 8; ++bit) {
        for (unsigned index = 0; index < 8; ++index) {
            for (unsigned v = 0; v < 256; ++v) {
                for (const uint8_t f :
                     {uint8_t{0x00}, uint8_t{0x1F}, uint8_t{0xEF}, uint8_t{0xFF}}) {
                    const uint8_t value = static_cast<uint8_t>(v);
                    const unsigned column = bit * 8 + index;

                    runCb(static_cast<uint8_t>(0x40 + column), index, value, f);
                    const uint8_t wantBitF =
                        static_cast<uint8_t>(((v >> bit) & 1 ? 0x00 : 0x80) | 0x20 | (f & 0x10));
                    ASSERT_EQ(cpu().F, wantBitF) << "BIT " << bit << " operand " << index;
                    ASSERT_EQ(operand(index), value) << "BIT " << bit << " operand " << index;

                    runCb(static_cast<uint8_t>(0x80 + column), index, value, f);
                    ASSERT_EQ(operand(index), value & ~(1u << bit))
                        << "RES " << bit << " operand " << index;
                    ASSERT_EQ(cpu().F, f);

                    runCb(static_cast<uint8_t>(0xC0 + column), index, value, f);
                    ASSERT_EQ(operand(index), value | (1u << bit))
                        << "SET " << bit << " operand " << index;
                    ASSERT_EQ(cpu().F, f);
                }
            }
        }
    }
    runCb(0x7C, 4, 0x7F, 0x10);  // BIT 7,H
    EXPECT_EQ(cpu().F, 0xB0);
    runCb(0x7C, 4, 0x7F, 0x1F);
    EXPECT_EQ(cpu().F, 0xB0);
}

// Every operation but BIT writes (HL) back exactly once; BIT never writes. The colour
// palette data port counts writes: each one moves its index register on.
TEST_F(CbTest, MemoryOperandWritesOnceExceptForBit) {
    std::vector<uint8_t> image(0x8000, 0);
    image[0x143] = 0x80;
    install(image);
    for (unsigned second = 0x06; second < 0x100; second += 8) {
        io(0xFF68) = 0x80;
        io(0xFF69) = 0x85;
        setHl(0xFF69);
        cpu().F = 0x00;
        run({0xCB, static_cast<uint8_t>(second)});
        const bool isBit = second >= 0x40 && second < 0x80;
        EXPECT_EQ(io(0xFF68), isBit ? 0x80 : 0x81) << "CB " << second;
    }
    // RLC (HL) of 0x85 writes 0x0B, which the port stores at its index.
    io(0xFF68) = 0x80;
    io(0xFF69) = 0x85;
    run({0xCB, 0x06});
    EXPECT_EQ(machine.backgroundPalettes[0], 0x0B);
    EXPECT_EQ(cpu().F, 0x10);
    // BIT on LY leaves it alone; SET on LY is a write, which resets it.
    io(0xFF44) = 0x05;
    setHl(0xFF44);
    run({0xCB, 0x46});
    EXPECT_EQ(io(0xFF44), 0x05);
    run({0xCB, 0xC6});
    EXPECT_EQ(io(0xFF44), 0x00);
}
