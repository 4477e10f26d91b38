// Loads, stack, control transfer and the CPU flags (ime, halted, stopped) of the main
// table, and the order of the bus writes where a cartridge program could see it.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/core/cpu_fixture.h"

namespace {

constexpr uint16_t kIf = 0xFF0F;
constexpr uint16_t kIe = 0xFFFF;

}  // namespace

// Every LD r,r' (HALT's slot excepted) copies the right source into the right
// destination, (HL) through the bus, and leaves F as it was.
TEST_F(CpuTest, RegisterToRegisterLoadsCopyEveryCombination) {
    for (unsigned dest = 0; dest < 8; ++dest) {
        for (unsigned src = 0; src < 8; ++src) {
            if (dest == 6 && src == 6) continue;
            cpu().A = 0xA7;
            cpu().B = 0xB0;
            cpu().C = 0xC1;
            cpu().D = 0xD2;
            cpu().E = 0xE3;
            setHl(0xC9F5);
            poke(0xC9F5, {0x66});
            cpu().F = 0x5A;
            const uint8_t values[8] = {0xB0, 0xC1, 0xD2, 0xE3, 0xC9, 0xF5, 0x66, 0xA7};
            run({static_cast<uint8_t>(0x40 + dest * 8 + src)});
            // When H or L is the destination, (HL) has moved; the byte at the old HL
            // is what a (HL) destination received.
            const uint8_t got = dest == 6 ? readByte(0xC9F5) : reg(dest);
            EXPECT_EQ(got, values[src]) << "LD " << dest << "," << src;
            EXPECT_EQ(cpu().F, 0x5A);
            EXPECT_EQ(cpu().PC, kCode + 1);
        }
    }
}

TEST_F(CpuTest, ImmediateAndIndirectLoads) {
    for (unsigned dest = 0; dest < 8; ++dest) {
        setHl(0xC800);
        run({static_cast<uint8_t>(0x06 + dest * 8), static_cast<uint8_t>(0x10 + dest)});
        EXPECT_EQ(dest == 6 ? readByte(0xC800) : reg(dest), 0x10 + dest) << "LD " << dest << ",n";
        EXPECT_EQ(cpu().PC, kCode + 2);
    }
    run({0x01, 0x34, 0x12, 0x11, 0x78, 0x56, 0x21, 0xBC, 0x9A, 0x31, 0xF0, 0xDE}, 4);
    EXPECT_EQ(bc(), 0x1234);
    EXPECT_EQ(de(), 0x5678);
    EXPECT_EQ(hl(), 0x9ABC);
    EXPECT_EQ(cpu().SP, 0xDEF0);

    cpu().A = 0x42;
    setBc(0xC810);
    setDe(0xC820);
    run({0x02, 0x3C, 0x12}, 3);  // LD (BC),A; INC A; LD (DE),A
    EXPECT_EQ(readByte(0xC810), 0x42);
    EXPECT_EQ(readByte(0xC820), 0x43);
    poke(0xC830, {0x99});
    poke(0xC840, {0x88});
    setBc(0xC830);
    setDe(0xC840);
    run({0x0A, 0x47, 0x1A}, 3);  // LD A,(BC); LD B,A; LD A,(DE)
    EXPECT_EQ(cpu().B, 0x99);
    EXPECT_EQ(cpu().A, 0x88);

    cpu().A = 0x5C;
    run({0xEA, 0x50, 0xC8, 0x3E, 0x00, 0xFA, 0x50, 0xC8}, 3);  // LD (nn),A; LD A,0; LD A,(nn)
    EXPECT_EQ(readByte(0xC850), 0x5C);
    EXPECT_EQ(cpu().A, 0x5C);
    EXPECT_EQ(cpu().PC, kCode + 8);

    cpu().A = 0x77;
    cpu().C = 0x85;
    run({0xE0, 0x83, 0xE2, 0xF0, 0x90, 0xF2}, 2);  // LDH (0x83),A; LD (C),A
    EXPECT_EQ(readByte(0xFF83), 0x77);
    EXPECT_EQ(readByte(0xFF85), 0x77);
    poke(0xFF90, {0x12});
    poke(0xFF85, {0x34});
    step();  // LDH A,(0x90)
    EXPECT_EQ(cpu().A, 0x12);
    step();  // LD A,(C)
    EXPECT_EQ(cpu().A, 0x34);

    setHl(0xC123);
    run({0xF9});  // LD SP,HL
    EXPECT_EQ(cpu().SP, 0xC123);
}

// HL+ and HL- use the old HL and then step it, wrapping at 16 bits.
TEST_F(CpuTest, LoadsWithHlStepWrap) {
    cpu().A = 0x3D;
    setHl(0xFFFF);
    run({0x22});  // LD (HL+),A
    EXPECT_EQ(readByte(0xFFFF), 0x3D);
    EXPECT_EQ(hl(), 0x0000);
    run({0x3A});  // LD A,(HL-): reads ROM byte 0x0000
    EXPECT_EQ(cpu().A, 0x00);
    EXPECT_EQ(hl(), 0xFFFF);
    run({0x2A});  // LD A,(HL+)
    EXPECT_EQ(cpu().A, 0x3D);
    EXPECT_EQ(hl(), 0x0000);
    cpu().A = 0x61;
    setHl(0xC900);
    run({0x32});  // LD (HL-),A
    EXPECT_EQ(readByte(0xC900), 0x61);
    EXPECT_EQ(hl(), 0xC8FF);
}

TEST_F(CpuTest, StoreStackPointerWritesLowByteFirst) {
    cpu().SP = 0xBEEF;
    run({0x08, 0x00, 0xC8});  // LD (0xC800),SP
    EXPECT_EQ(readByte(0xC800), 0xEF);
    EXPECT_EQ(readByte(0xC801), 0xBE);
    EXPECT_EQ(cpu().PC, kCode + 3);
}

// POP AF keeps all eight bits of F; PUSH AF stores them; the next flag-writing
// instruction clears bits 0-3 again.
TEST_F(CpuTest, FlagRegisterLowBitsAreStorage) {
    poke(0xD000, {0x1F, 0x80});
    cpu().SP = 0xD000;
    run({0xF1});  // POP AF
    EXPECT_EQ(cpu().F, 0x1F);
    EXPECT_EQ(cpu().A, 0x80);
    EXPECT_EQ(cpu().SP, 0xD002);
    run({0xF5});  // PUSH AF
    EXPECT_EQ(cpu().SP, 0xD000);
    EXPECT_EQ(readByte(0xD001), 0x80);
    EXPECT_EQ(readByte(0xD000), 0x1F);
    run({0x00, 0x41, 0xC5, 0xC1, 0xCB, 0xC0}, 5);  // NOP, LD B,C, PUSH BC, POP BC, SET 0,B
    EXPECT_EQ(cpu().F, 0x1F);                      // no flag writer touched F
    run({0x37});                                   // SCF
    EXPECT_EQ(cpu().F, 0x10);
}

TEST_F(CpuTest, PushAndPopEveryPair) {
    setBc(0x1122);
    setDe(0x3344);
    setHl(0x5566);
    cpu().A = 0x77;
    cpu().F = 0x88;
    cpu().SP = 0xD000;
    run({0xC5, 0xD5, 0xE5, 0xF5}, 4);
    EXPECT_EQ(cpu().SP, 0xCFF8);
    const uint8_t want[8] = {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
    for (unsigned i = 0; i < 8; ++i) EXPECT_EQ(readByte(0xCFF8 + i), want[i]) << i;
    // Pop them back rotated: AF into BC, HL into DE, DE into HL, BC into AF.
    run({0xC1, 0xD1, 0xE1, 0xF1}, 4);
    EXPECT_EQ(bc(), 0x7788);
    EXPECT_EQ(de(), 0x5566);
    EXPECT_EQ(hl(), 0x3344);
    EXPECT_EQ(cpu().A, 0x11);
    EXPECT_EQ(cpu().F, 0x22);
    EXPECT_EQ(cpu().SP, 0xD000);
}

TEST_F(CpuTest, StackPointerWrapsRoundTheAddressSpace) {
    setBc(0xAB12);
    cpu().SP = 0x0000;
    run({0xC5});  // PUSH BC: B to 0xFFFF (IE), C to 0xFFFE
    EXPECT_EQ(cpu().SP, 0xFFFE);
    EXPECT_EQ(io(kIe), 0xAB);
    EXPECT_EQ(readByte(0xFFFE), 0x12);
    cpu().SP = 0xFFFF;
    run({0xD1});  // POP DE: low from 0xFFFF, high from ROM 0x0000
    EXPECT_EQ(de(), 0x00AB);
    EXPECT_EQ(cpu().SP, 0x0001);
}

// Each condition against the four combinations of Z and C, for JR, JP, CALL and RET.
TEST_F(CpuTest, ConditionalTransfersFollowZeroAndCarry) {
    struct Family {
        const char* name;
        uint8_t firstOpcode;
        unsigned length;
    };
    const Family families[] = {
        {"JR", 0x20, 2}, {"RET", 0xC0, 1}, {"JP", 0xC2, 3}, {"CALL", 0xC4, 3}};
    const char* const names[4] = {"NZ", "Z", "NC", "C"};
    for (const Family& family : families) {
        for (unsigned cc = 0; cc < 4; ++cc) {
            for (const uint8_t f : {uint8_t{0x00}, uint8_t{0x80}, uint8_t{0x10}, uint8_t{0x90}}) {
                const bool zero = f & 0x80, carry = f & 0x10;
                const bool taken = cc == 0 ? !zero : cc == 1 ? zero : cc == 2 ? !carry : carry;
                cpu().SP = 0xD000;
                poke(0xCFFE, {0xAA, 0xBB});  // what a taken CALL would overwrite
                poke(0xD000, {0x34, 0x62});  // what RET would pop: 0x6234
                cpu().F = f;
                run({static_cast<uint8_t>(family.firstOpcode + cc * 8), 0x10, 0x62});
                uint16_t target = static_cast<uint16_t>(kCode + family.length);
                if (taken) {
                    if (family.firstOpcode == 0x20) target = kCode + 2 + 0x10;
                    if (family.firstOpcode == 0xC0) target = 0x6234;
                    if (family.firstOpcode >= 0xC2) target = 0x6210;
                }
                const std::string what = std::string(family.name) + " " + names[cc];
                EXPECT_EQ(cpu().PC, target) << what << " F=" << int(f);
                EXPECT_EQ(cpu().F, f) << what;
                if (family.firstOpcode == 0xC4) {
                    // A call not taken writes nothing; a taken one pushes PC + 3.
                    EXPECT_EQ(cpu().SP, taken ? 0xCFFE : 0xD000) << what;
                    EXPECT_EQ(readByte(0xCFFE), taken ? 0x03 : 0xAA) << what;
                    EXPECT_EQ(readByte(0xCFFF), taken ? 0xC1 : 0xBB) << what;
                }
                if (family.firstOpcode == 0xC0) {
                    EXPECT_EQ(cpu().SP, taken ? 0xD002 : 0xD000) << what;
                }
            }
        }
    }
}

TEST_F(CpuTest, RelativeJumpsUseASignedOffsetAndWrap) {
    struct Case {
        uint16_t at;
        uint8_t e;
        uint16_t want;
    };
    const Case cases[] = {
        {0xC100, 0xFE, 0xC100},  // jump to itself
        {0xC100, 0x00, 0xC102}, {0xC100, 0x7F, 0xC181},
        {0xC100, 0x80, 0xC082}, {0xFFF0, 0x7F, 0x0071},  // past 0xFFFF into ROM
    };
    for (const Case& c : cases) {
        place(c.at, {0x18, c.e});
        step();
        EXPECT_EQ(cpu().PC, c.want) << "JR at " << c.at << " e=" << int(c.e);
    }
    setHl(0x4321);
    run({0xE9});  // JP HL
    EXPECT_EQ(cpu().PC, 0x4321);
}

TEST_F(CpuTest, CallReturnAndRestart) {
    cpu().SP = 0xD000;
    run({0xCD, 0x00, 0xC2});  // CALL 0xC200
    EXPECT_EQ(cpu().PC, 0xC200);
    EXPECT_EQ(cpu().SP, 0xCFFE);
    EXPECT_EQ(readWord(0xCFFE), kCode + 3);
    place(0xC200, {0xC9});  // RET
    step();
    EXPECT_EQ(cpu().PC, kCode + 3);
    EXPECT_EQ(cpu().SP, 0xD000);

    for (unsigned n = 0; n < 8; ++n) {
        cpu().SP = 0xD000;
        place(0xC300, {static_cast<uint8_t>(0xC7 + n * 8)});
        step();
        EXPECT_EQ(cpu().PC, n * 8) << "RST " << n * 8;
        EXPECT_EQ(cpu().SP, 0xCFFE);
        EXPECT_EQ(readWord(0xCFFE), 0xC301);
    }
}

TEST_F(CpuTest, InterruptEnableDisableAndReturnFromInterrupt) {
    machine.ime = 0;
    run({0xFB});  // EI
    EXPECT_EQ(machine.ime, 1);
    run({0xF3});  // DI
    EXPECT_EQ(machine.ime, 0);
    cpu().SP = 0xD000;
    poke(0xD000, {0x78, 0x56});
    run({0xD9});  // RETI
    EXPECT_EQ(cpu().PC, 0x5678);
    EXPECT_EQ(cpu().SP, 0xD002);
    EXPECT_EQ(machine.ime, 1);
}

// EI takes effect at once: a pending enabled interrupt is taken in the same step.
TEST_F(CpuTest, EnableInterruptsHasNoDelay) {
    io(kIe) = 0x01;
    io(kIf) = 0x01;
    cpu().SP = 0xD000;
    run({0xFB, 0x00});
    EXPECT_EQ(cpu().PC, 0x0040);
    EXPECT_EQ(readWord(0xCFFE), kCode + 1);
    EXPECT_EQ(machine.ime, 0);
    EXPECT_EQ(io(kIf), 0x00);
}

TEST_F(CpuTest, HaltDependsOnInterruptEnable) {
    machine.ime = 0;
    run({0x76});
    EXPECT_EQ(cpu().PC, kCode + 1);
    EXPECT_EQ(machine.halted, 0);

    machine.ime = 1;
    io(kIe) = 0x00;
    run({0x76});
    EXPECT_EQ(cpu().PC, kCode);
    EXPECT_EQ(machine.halted, 1);
    step();  // halted: nothing runs
    EXPECT_EQ(cpu().PC, kCode);

    // The dispatch that ends the halt returns to the instruction after it.
    cpu().SP = 0xD000;
    io(kIe) = 0x01;
    io(kIf) = 0x01;
    step();
    EXPECT_EQ(machine.halted, 0);
    EXPECT_EQ(cpu().PC, 0x0040);
    EXPECT_EQ(readWord(0xCFFE), kCode + 1);
}

// The eleven undefined opcodes stop the CPU for good; nothing runs after. STOP waits
// for a button on a selected joypad line, then the program goes on after it.
TEST_F(CpuTest, StopWaitsForAButtonAndUndefinedOpcodesStopTheCpu) {
    const uint8_t undefined[] = {0xD3, 0xDB, 0xDD, 0xE3, 0xE4, 0xEB, 0xEC, 0xED, 0xF4, 0xFC, 0xFD};
    for (const uint8_t opcode : undefined) {
        machine.stopped = 0;
        cpu().A = 0x00;
        run({opcode, 0x3C});  // INC A must never run
        EXPECT_EQ(machine.stopped, kStoppedForGood) << int(opcode);
        EXPECT_EQ(cpu().PC, kCode + 1) << int(opcode);
        EXPECT_FALSE(stepMachine());
        EXPECT_EQ(cpu().PC, kCode + 1);
        EXPECT_EQ(cpu().A, 0x00);
    }
    machine.stopped = 0;
    place(0xC200, {0x10, 0x3C, 0x3C});  // STOP skips its second byte
    cpu().A = 0;
    machine.HighPage[ioIndex(0xFF00)] = 0xDF;  // the buttons selected, not the directions
    step();
    EXPECT_EQ(machine.stopped, kWaitingForButton);
    EXPECT_EQ(cpu().PC, 0xC202);
    machine.joypad.left = 1;  // a line that is not selected
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(stepMachine());
    EXPECT_EQ(cpu().A, 0);
    machine.joypad.start = 1;
    stepMachine();  // wakes
    EXPECT_EQ(machine.stopped, 0);
    step();
    EXPECT_EQ(cpu().A, 1) << "the instruction after STOP runs";
    EXPECT_EQ(cpu().PC, 0xC203);
    machine.joypad = JoypadButtons{};
}

// An instruction at 0xFFFF takes its operand from 0x0000 and 0x0001.
TEST_F(CpuTest, OperandFetchWrapsPastTheTopOfMemory) {
    std::vector<uint8_t> image(0x8000, 0);
    image[0x0000] = 0x34;
    image[0x0001] = 0x12;
    install(image);
    place(0xFFFF, {0x01});  // LD BC,nn with the opcode in IE
    step();
    EXPECT_EQ(bc(), 0x1234);
    EXPECT_EQ(cpu().PC, 0x0002);
}

// ---- Bus order: writes with side effects show the order they happen in. ----------

// CALL pushes before reading its target: a return address pushed over the operand
// bytes is the address it jumps to.
TEST_F(CpuTest, CallPushesOverItsOwnOperandBeforeReadingIt) {
    cpu().SP = kCode + 3;
    run({0xCD, 0x00, 0x00});
    EXPECT_EQ(cpu().SP, kCode + 1);
    EXPECT_EQ(cpu().PC, kCode + 3);  // the return address, read back as the target
}

// With the stack over LYC and the DMA register, the byte written to 0xFF46 starts a
// copy of page 0xFF into OAM, which shows what LYC held at that moment.
TEST_F(CpuTest, PushWritesHighByteFirstAndCallWritesLowByteFirst) {
    io(0xFF45) = 0x00;
    setBc(0xFF77);
    cpu().SP = 0xFF47;
    run({0xC5});  // PUSH BC: 0xFF to DMA first, then 0x77 to LYC
    EXPECT_EQ(io(0xFF45), 0x77);
    EXPECT_EQ(machine.HighPage[0x1E45], 0x00) << "the copy ran before LYC was written";

    io(0xFF45) = 0x00;
    cpu().SP = 0xFF47;
    place(0xFF80, {0xCD, 0x00, 0xC3});  // CALL from high RAM: return address 0xFF83
    step();
    EXPECT_EQ(cpu().PC, 0xC300);
    EXPECT_EQ(io(0xFF45), 0x83);
    EXPECT_EQ(machine.HighPage[0x1E45], 0x83) << "the low byte went first";

    io(0xFF45) = 0x00;
    cpu().SP = 0xFF83;
    run({0x08, 0x45, 0xFF});  // LD (0xFF45),SP: low byte to LYC, then 0xFF to DMA
    EXPECT_EQ(machine.HighPage[0x1E45], 0x83);
}

// The bank register of a controller takes the later of two writes.
TEST_F(CpuTest, PushOrderSeenThroughTheBankRegister) {
    install(std::vector<uint8_t>(0x20000, 0), 1);  // MBC1, 8 banks
    io(0xFF40) = 0x00;
    setBc(0x0203);
    cpu().SP = 0x2002;
    run({0xC5});  // B to 0x2001, then C to 0x2000
    EXPECT_EQ(machine.romBank, 3);
}

// INC (HL) and DEC (HL) read once and write once: on the colour palette data port
// every write moves the index on by one, and a read sees the byte at the index.
TEST_F(CpuTest, IncrementInMemoryReadsOnceAndWritesOnce) {
    std::vector<uint8_t> image(0x8000, 0);
    image[0x143] = 0x80;  // colour cartridge
    install(image);
    machine.backgroundPalettes[0] = 0x41;
    machine.backgroundPalettes[1] = 0x10;
    writeByte(0x80, 0xFF68);  // auto-increment, index 0
    setHl(0xFF69);
    run({0x34});  // INC (HL)
    EXPECT_EQ(machine.backgroundPalettes[0], 0x42);
    EXPECT_EQ(io(0xFF68), 0x81);
    run({0x35});  // DEC (HL)
    EXPECT_EQ(machine.backgroundPalettes[1], 0x0F);
    EXPECT_EQ(io(0xFF68), 0x82);
    run({0x7E});  // LD A,(HL): a read only
    EXPECT_EQ(io(0xFF68), 0x82);
    run({0x36, 0x10});  // LD (HL),n: one write
    EXPECT_EQ(io(0xFF68), 0x83);

    // On LY the write of LY + 1 resets the line counter.
    io(0xFF44) = 0x05;
    setHl(0xFF44);
    run({0x34});
    EXPECT_EQ(io(0xFF44), 0x00);
}
