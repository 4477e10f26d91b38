// 8-bit and 16-bit arithmetic of the main table, checked against reference formulas
// written out here independently of the CPU's own code, over every operand value
// where that is cheap.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/core/cpu_fixture.h"

namespace {

struct Result {
    uint8_t a;
    uint8_t f;
};

uint8_t z(unsigned value) {
    return (value & 0xFF) == 0 ? 0x80 : 0;
}

// The published results of ADD, ADC, SUB, SBC, AND, XOR, OR and CP (in encoding
// order), which this machine follows, bits 0-3 of F included (always 0).
Result referenceAccumulate(unsigned op, unsigned a, unsigned x, unsigned cy) {
    switch (op) {
        case 0:
        case 1: {
            const unsigned c = op == 1 ? cy : 0;
            const unsigned sum = a + x + c;
            const bool half = (a & 0xF) + (x & 0xF) + c > 0xF;
            return {static_cast<uint8_t>(sum),
                    static_cast<uint8_t>(z(sum) | (half ? 0x20 : 0) | (sum > 0xFF ? 0x10 : 0))};
        }
        case 2:
        case 3:
        case 7: {
            const unsigned c = op == 3 ? cy : 0;
            const uint8_t result = static_cast<uint8_t>(a - x - c);
            const bool half = (a & 0xF) < (x & 0xF) + c;
            const bool borrow = a < x + c;
            const uint8_t f =
                static_cast<uint8_t>(z(result) | 0x40 | (half ? 0x20 : 0) | (borrow ? 0x10 : 0));
            return {op == 7 ? static_cast<uint8_t>(a) : result, f};
        }
        case 4: return {static_cast<uint8_t>(a & x), static_cast<uint8_t>(z(a & x) | 0x20)};
        case 5: return {static_cast<uint8_t>(a ^ x), z(a ^ x)};
        default: return {static_cast<uint8_t>(a | x), z(a | x)};
    }
}

const char* const kOpNames[8] = {"ADD", "ADC", "SUB", "SBC", "AND", "XOR", "OR", "CP"};

std::string hex(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", v);
    return text;
}

}  // namespace

// Every A, every operand and both carries, for the register form (operand B) and the
// immediate form. F starts with every other bit set so stale flags would show.
TEST_F(CpuTest, AccumulatorOperationsMatchPublishedResultsForEveryInput) {
    for (unsigned op = 0; op < 8; ++op) {
        for (const bool immediate : {false, true}) {
            const uint8_t opcode = static_cast<uint8_t>(immediate ? 0xC6 + op * 8 : 0x80 + op * 8);
            int failures = 0;
            for (unsigned a = 0; a < 256 && failures < 5; ++a) {
                for (unsigned x = 0; x < 256 && failures < 5; ++x) {
                    for (unsigned cy = 0; cy < 2; ++cy) {
                        place(kCode, {opcode, static_cast<uint8_t>(x)});
                        cpu().A = static_cast<uint8_t>(a);
                        cpu().B = static_cast<uint8_t>(x);
                        cpu().F = static_cast<uint8_t>(cy ? 0xFF : 0xEF);
                        step();
                        const Result want = referenceAccumulate(op, a, x, cy);
                        if (cpu().A != want.a || cpu().F != want.f ||
                            cpu().PC != kCode + (immediate ? 2 : 1)) {
                            ADD_FAILURE() << kOpNames[op] << (immediate ? " n" : " B")
                                          << " A=" << hex(a) << " x=" << hex(x) << " cy=" << cy
                                          << ": got A=" << hex(cpu().A) << " F=" << hex(cpu().F)
                                          << ", want A=" << hex(want.a) << " F=" << hex(want.f);
                            ++failures;
                        }
                    }
                }
            }
        }
    }
}

// Each of the eight operand encodings feeds the right value, (HL) through the bus.
TEST_F(CpuTest, AccumulatorOperationsReadEveryOperandEncoding) {
    for (unsigned op = 0; op < 8; ++op) {
        for (unsigned src = 0; src < 8; ++src) {
            cpu().A = 0x3C;
            cpu().B = 0x11;
            cpu().C = 0x22;
            cpu().D = 0x33;
            cpu().E = 0x44;
            setHl(0xC855);
            poke(0xC855, {0x9E});
            cpu().F = 0x10;
            const uint8_t values[8] = {0x11, 0x22, 0x33, 0x44, 0xC8, 0x55, 0x9E, 0x3C};
            run({static_cast<uint8_t>(0x80 + op * 8 + src)});
            const Result want = referenceAccumulate(op, 0x3C, values[src], 1);
            EXPECT_EQ(cpu().A, want.a) << kOpNames[op] << " operand " << src;
            EXPECT_EQ(cpu().F, want.f) << kOpNames[op] << " operand " << src;
        }
    }
}

TEST_F(CpuTest, AccumulatorCornerCases) {
    struct Case {
        const char* name;
        uint8_t opcode, a, b, f, wantA, wantF;
    };
    const Case cases[] = {
        {"ADC 0x80+0x80+1", 0x88, 0x80, 0x80, 0x10, 0x01, 0x10},
        {"ADC 0x0F+0x00+1", 0x88, 0x0F, 0x00, 0x10, 0x10, 0x20},
        {"SBC 0x10-0x01-1", 0x98, 0x10, 0x01, 0x10, 0x0E, 0x60},
        {"SBC 0x00-0xFF-1", 0x98, 0x00, 0xFF, 0x10, 0x00, 0xF0},
        {"CP 0x10,0x01", 0xB8, 0x10, 0x01, 0x00, 0x10, 0x60},
        {"CP 0x01,0x10", 0xB8, 0x01, 0x10, 0x00, 0x01, 0x50},
        {"SUB A", 0x97, 0x5A, 0x00, 0x1F, 0x00, 0xC0},
        {"XOR A", 0xAF, 0x5A, 0x00, 0x1F, 0x00, 0x80},
        {"CP A", 0xBF, 0x5A, 0x00, 0x1F, 0x5A, 0xC0},
        {"SBC A,A with carry", 0x9F, 0x5A, 0x00, 0x10, 0xFF, 0x70},
        {"AND clears low bits of F", 0xA0, 0xFF, 0x0F, 0x0F, 0x0F, 0x20},
    };
    for (const Case& c : cases) {
        cpu().A = c.a;
        cpu().B = c.b;
        cpu().F = c.f;
        run({c.opcode});
        EXPECT_EQ(cpu().A, c.wantA) << c.name;
        EXPECT_EQ(cpu().F, c.wantF) << c.name;
    }
}

// INC and DEC on every operand and every value; C and nothing else survives from F.
TEST_F(CpuTest, IncrementAndDecrementEveryOperandAndValue) {
    for (unsigned index = 0; index < 8; ++index) {
        for (unsigned v = 0; v < 256; ++v) {
            for (const uint8_t f0 : {uint8_t{0x00}, uint8_t{0xFF}}) {
                for (const bool dec : {false, true}) {
                    setHl(0xC800);
                    if (index == 6) {
                        poke(0xC800, {static_cast<uint8_t>(v)});
                    } else {
                        reg(index) = static_cast<uint8_t>(v);
                    }
                    cpu().F = f0;
                    run({static_cast<uint8_t>((dec ? 0x05 : 0x04) + index * 8)});
                    const uint8_t got = index == 6 ? readByte(0xC800) : reg(index);
                    const uint8_t want = static_cast<uint8_t>(dec ? v - 1 : v + 1);
                    const bool half = dec ? (v & 0xF) == 0 : (v & 0xF) == 0xF;
                    const uint8_t wantF = static_cast<uint8_t>(z(want) | (dec ? 0x40 : 0) |
                                                               (half ? 0x20 : 0) | (f0 & 0x10));
                    ASSERT_EQ(got, want)
                        << (dec ? "DEC" : "INC") << " operand " << index << " v=" << hex(v);
                    ASSERT_EQ(cpu().F, wantF) << (dec ? "DEC" : "INC") << " operand " << index
                                              << " v=" << hex(v) << " F0=" << hex(f0);
                }
            }
        }
    }
}

// RLCA, RRCA, RLA, RRA for every A and carry. This machine sets Z from the result, as
// its CB rotates of A do, where the published instruction always clears Z.
TEST_F(CpuTest, AccumulatorRotatesSetZeroFromTheResult) {
    const uint8_t opcodes[4] = {0x07, 0x0F, 0x17, 0x1F};
    for (unsigned kind = 0; kind < 4; ++kind) {
        for (unsigned a = 0; a < 256; ++a) {
            for (unsigned cy = 0; cy < 2; ++cy) {
                unsigned want = 0, out = 0;
                switch (kind) {
                    case 0: want = (a << 1 | a >> 7) & 0xFF, out = a >> 7; break;
                    case 1: want = (a >> 1 | a << 7) & 0xFF, out = a & 1; break;
                    case 2: want = (a << 1 | cy) & 0xFF, out = a >> 7; break;
                    case 3: want = a >> 1 | cy << 7, out = a & 1; break;
                }
                cpu().A = static_cast<uint8_t>(a);
                cpu().F = static_cast<uint8_t>(cy ? 0x7F : 0x6F);
                run({opcodes[kind]});
                ASSERT_EQ(cpu().A, want) << "opcode " << hex(opcodes[kind]) << " A=" << hex(a);
                ASSERT_EQ(cpu().F, z(want) | (out << 4))
                    << "opcode " << hex(opcodes[kind]) << " A=" << hex(a) << " cy=" << cy;
            }
        }
    }
    cpu().A = 0x00;
    cpu().F = 0x00;
    run({0x07});  // RLCA of zero
    EXPECT_EQ(cpu().F, 0x80);
    cpu().A = 0x80;
    cpu().F = 0x00;
    run({0x17});  // RLA shifting the only bit out
    EXPECT_EQ(cpu().A, 0x00);
    EXPECT_EQ(cpu().F, 0x90);
}

TEST_F(CpuTest, DecimalAdjustCases) {
    struct Case {
        uint8_t a, f, wantA, wantF;
    };
    const Case cases[] = {
        {0x1A, 0x00, 0x20, 0x20},  // low digit corrected; H stays set afterwards
        {0x9A, 0x00, 0x00, 0xB0},  // both digits corrected, result zero
        {0x00, 0x30, 0x66, 0x30},  // after 0x99 + 0x67
        {0x0F, 0x60, 0x09, 0x60},  // after 0x10 - 0x01
        {0x7D, 0x40, 0x77, 0x60},  // subtraction corrects by the nibble alone
        {0x01, 0x4F, 0x01, 0x4F},  // nothing to do: N and bits 0-3 kept
        {0x45, 0x00, 0x45, 0x00},  // already decimal
        {0x00, 0x80, 0x00, 0x80},  // zero stays zero with Z
        {0x05, 0x8F, 0x05, 0x0F},  // Z recomputed, low bits kept
        {0xA0, 0x00, 0x00, 0x90},  // high digit over 9
        {0x9F, 0x00, 0x05, 0x30},  // 0x9F + 6 = 0xA5, then + 0x60
        {0x3A, 0x60, 0x34, 0x60},  // subtraction with H: - 6
        {0xFA, 0x50, 0x94, 0x70},  // subtraction with C and a low digit over 9
    };
    for (const Case& c : cases) {
        cpu().A = c.a;
        cpu().F = c.f;
        run({0x27});
        EXPECT_EQ(cpu().A, c.wantA) << "A=" << hex(c.a) << " F=" << hex(c.f);
        EXPECT_EQ(cpu().F, c.wantF) << "A=" << hex(c.a) << " F=" << hex(c.f);
    }
}

// After adding or subtracting two packed-decimal bytes, with or without carry, DAA
// gives the decimal result in A and the decimal carry in C, as published.
TEST_F(CpuTest, DecimalAdjustFollowsPackedDecimalArithmetic) {
    auto bcd = [](unsigned n) { return static_cast<uint8_t>((n / 10) << 4 | (n % 10)); };
    for (unsigned x = 0; x < 100; ++x) {
        for (unsigned y = 0; y < 100; ++y) {
            for (unsigned cy = 0; cy < 2; ++cy) {
                for (const bool subtract : {false, true}) {
                    cpu().A = bcd(x);
                    cpu().B = bcd(y);
                    cpu().F = static_cast<uint8_t>(cy << 4);
                    run({static_cast<uint8_t>(subtract ? 0x98 : 0x88), 0x27}, 2);  // ADC/SBC, DAA
                    const int exact =
                        subtract ? static_cast<int>(x) - static_cast<int>(y) - static_cast<int>(cy)
                                 : static_cast<int>(x + y + cy);
                    const uint8_t want = bcd(static_cast<unsigned>((exact + 200) % 100));
                    const bool carry = subtract ? exact < 0 : exact >= 100;
                    ASSERT_EQ(cpu().A, want)
                        << (subtract ? "SBC " : "ADC ") << x << ", " << y << " cy " << cy;
                    ASSERT_EQ((cpu().F & 0x10) != 0, carry)
                        << (subtract ? "SBC " : "ADC ") << x << ", " << y << " cy " << cy;
                    ASSERT_EQ((cpu().F & 0x80) != 0, want == 0);
                    ASSERT_EQ((cpu().F & 0x40) != 0, subtract);
                }
            }
        }
    }
}

TEST_F(CpuTest, ComplementAndCarryFlagOperations) {
    struct Case {
        const char* name;
        uint8_t opcode, a, f, wantA, wantF;
    };
    const Case cases[] = {
        {"CPL", 0x2F, 0x35, 0x00, 0xCA, 0x60},
        {"CPL keeps Z and C", 0x2F, 0xFF, 0x9F, 0x00, 0xF0},
        {"SCF", 0x37, 0x00, 0x1F, 0x00, 0x10},
        {"SCF keeps Z", 0x37, 0x00, 0xEF, 0x00, 0x90},
        {"CCF sets", 0x3F, 0x00, 0x6F, 0x00, 0x10},
        {"CCF clears", 0x3F, 0x00, 0x70, 0x00, 0x00},
        {"CCF keeps Z", 0x3F, 0x00, 0x9F, 0x00, 0x80},
    };
    for (const Case& c : cases) {
        cpu().A = c.a;
        cpu().F = c.f;
        run({c.opcode});
        EXPECT_EQ(cpu().A, c.wantA) << c.name;
        EXPECT_EQ(cpu().F, c.wantF) << c.name;
    }
}

// ADD HL,rr writes only C: Z, N and H keep their values, bits 0-3 are cleared.
TEST_F(CpuTest, AddToHlWritesOnlyTheCarry) {
    const uint16_t values[] = {0x0000, 0x0001, 0x00FF, 0x0FFF, 0x1000, 0x7FFF, 0x8000, 0xFFFF};
    for (unsigned p = 0; p < 4; ++p) {
        for (const uint16_t h : values) {
            for (const uint16_t r : values) {
                for (const uint8_t f0 : {uint8_t{0x00}, uint8_t{0x4F}, uint8_t{0xF0}}) {
                    setBc(0x1111);
                    setDe(0x2222);
                    cpu().SP = 0x3333;
                    if (p == 0) setBc(r);
                    if (p == 1) setDe(r);
                    if (p == 3) cpu().SP = r;
                    setHl(h);
                    const unsigned operand = p == 2 ? h : r;
                    cpu().F = f0;
                    run({static_cast<uint8_t>(0x09 + p * 0x10)});
                    const unsigned sum = h + operand;
                    ASSERT_EQ(hl(), sum & 0xFFFF) << "pair " << p;
                    ASSERT_EQ(cpu().F, (f0 & 0xE0) | (sum > 0xFFFF ? 0x10 : 0))
                        << "pair " << p << " HL=" << h << " rr=" << operand;
                }
            }
        }
    }
    // The carry out of the low byte does not reach C.
    setHl(0x00FF);
    setBc(0x0001);
    cpu().F = 0x00;
    run({0x09});
    EXPECT_EQ(hl(), 0x0100);
    EXPECT_EQ(cpu().F, 0x00);
    // A zero result does not set Z; N stays.
    setHl(0xFFFF);
    setBc(0x0001);
    cpu().F = 0x40;
    run({0x09});
    EXPECT_EQ(hl(), 0x0000);
    EXPECT_EQ(cpu().F, 0x50);
}

// INC rr and DEC rr wrap at 16 bits and leave F alone, low bits included.
TEST_F(CpuTest, PairIncrementAndDecrementWrapAndKeepFlags) {
    for (unsigned p = 0; p < 4; ++p) {
        auto set = [&](uint16_t v) {
            if (p == 0) setBc(v);
            if (p == 1) setDe(v);
            if (p == 2) setHl(v);
            if (p == 3) cpu().SP = v;
        };
        auto get = [&]() -> uint16_t {
            if (p == 0) return bc();
            if (p == 1) return de();
            if (p == 2) return hl();
            return cpu().SP;
        };
        set(0xFFFF);
        cpu().F = 0x5A;
        run({static_cast<uint8_t>(0x03 + p * 0x10)});
        EXPECT_EQ(get(), 0x0000) << "INC pair " << p;
        EXPECT_EQ(cpu().F, 0x5A);
        run({static_cast<uint8_t>(0x0B + p * 0x10)});
        EXPECT_EQ(get(), 0xFFFF) << "DEC pair " << p;
        set(0x12FF);
        run({static_cast<uint8_t>(0x03 + p * 0x10)});
        EXPECT_EQ(get(), 0x1300) << "INC pair " << p;
        EXPECT_EQ(cpu().F, 0x5A);
    }
}

// ADD SP,e leaves F at exactly 0x10; LD HL,SP+e gives 0x20 for e in 1..127, else 0.
TEST_F(CpuTest, StackPointerOffsetsHaveTheirOwnFlags) {
    for (const uint16_t sp :
         {uint16_t{0x0000}, uint16_t{0x00FF}, uint16_t{0xFFF8}, uint16_t{0xD000}}) {
        for (unsigned e = 0; e < 256; ++e) {
            const int offset = e < 128 ? static_cast<int>(e) : static_cast<int>(e) - 256;
            const uint16_t want = static_cast<uint16_t>(sp + offset);

            cpu().SP = sp;
            cpu().F = 0xEF;
            run({0xE8, static_cast<uint8_t>(e)});
            ASSERT_EQ(cpu().SP, want) << "ADD SP," << offset;
            ASSERT_EQ(cpu().F, 0x10) << "ADD SP," << offset;
            ASSERT_EQ(cpu().PC, kCode + 2);

            cpu().SP = sp;
            cpu().F = 0xDF;
            setHl(0x1234);
            run({0xF8, static_cast<uint8_t>(e)});
            ASSERT_EQ(hl(), want) << "LD HL,SP" << offset;
            ASSERT_EQ(cpu().SP, sp);
            ASSERT_EQ(cpu().F, offset >= 1 ? 0x20 : 0x00) << "LD HL,SP" << offset;
            ASSERT_EQ(cpu().PC, kCode + 2);
        }
    }
}
