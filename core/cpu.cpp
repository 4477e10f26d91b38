// The SM83 main instruction table. One call runs the one instruction at PC; nothing
// counts cycles, so an instruction is just its effect on registers, flags and memory.
//
// Flags: bits 0-3 of F are plain storage. POP AF loads them and PUSH AF stores them;
// every instruction that writes a flag writes them as 0, except DAA, which leaves
// them alone; an instruction that writes no flag leaves F untouched.
#include "core/cpu.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bus.h"
#include "core/cpu_operands.h"
#include "core/machine_state.h"
#include "core/step.h"

using namespace sm83cpu;

namespace {

// ---- Operands and register pairs -------------------------------------------------

uint8_t immediate8() {
    return readByte(static_cast<uint16_t>(cpu.PC + 1));
}

// Little-endian operand at PC + 1; both addresses wrap at 0xFFFF.
uint16_t immediate16() {
    const uint8_t low = readByte(static_cast<uint16_t>(cpu.PC + 1));
    const uint8_t high = readByte(static_cast<uint16_t>(cpu.PC + 2));
    return static_cast<uint16_t>((high << 8) | low);
}

void advance(unsigned length) {
    cpu.PC = static_cast<uint16_t>(cpu.PC + length);
}

// Pairs as LD rr,nn, INC rr, DEC rr and ADD HL,rr number them: 0 BC, 1 DE, 2 HL, 3 SP.
template <unsigned P>
uint16_t pair() {
    if constexpr (P == 0) return static_cast<uint16_t>((cpu.B << 8) | cpu.C);
    if constexpr (P == 1) return static_cast<uint16_t>((cpu.D << 8) | cpu.E);
    if constexpr (P == 2) return hl();
    if constexpr (P == 3) return cpu.SP;
}

template <unsigned P>
void setPair(uint16_t value) {
    const uint8_t high = static_cast<uint8_t>(value >> 8);
    const uint8_t low = static_cast<uint8_t>(value);
    if constexpr (P == 0) {
        cpu.B = high;
        cpu.C = low;
    } else if constexpr (P == 1) {
        cpu.D = high;
        cpu.E = low;
    } else if constexpr (P == 2) {
        cpu.H = high;
        cpu.L = low;
    } else {
        cpu.SP = value;
    }
}

// ---- Loads -------------------------------------------------------------------------

template <unsigned P>
void loadPairImmediate() {
    setPair<P>(immediate16());
    advance(3);
}

template <unsigned Dest>
void loadImmediate() {
    writeOperand<Dest>(immediate8());
    advance(2);
}

// LD r,r'. Opcode 0x76, where LD (HL),(HL) would be, is HALT. HALT with interrupts
// enabled parks the CPU on its own opcode; interrupt dispatch steps PC past it. With
// interrupts disabled it does nothing at all.
template <unsigned Dest, unsigned Src>
void load() {
    if constexpr (Dest == 6 && Src == 6) {
        if (machine.ime) {
            machine.halted = 1;
        } else {
            advance(1);
        }
    } else {
        writeOperand<Dest>(readOperand<Src>());
        advance(1);
    }
}

// ---- 8-bit arithmetic --------------------------------------------------------------

template <unsigned Index>
void increment() {
    const uint8_t result = static_cast<uint8_t>(readOperand<Index>() + 1);
    writeOperand<Index>(result);
    cpu.F = static_cast<uint8_t>((cpu.F & kFlagC) | zeroFlag(result) |
                                 ((result & 0x0F) == 0 ? kFlagH : 0));
    advance(1);
}

template <unsigned Index>
void decrement() {
    const uint8_t result = static_cast<uint8_t>(readOperand<Index>() - 1);
    writeOperand<Index>(result);
    cpu.F = static_cast<uint8_t>((cpu.F & kFlagC) | zeroFlag(result) | kFlagN |
                                 ((result & 0x0F) == 0x0F ? kFlagH : 0));
    advance(1);
}

// The eight accumulator operations in encoding order: ADD, ADC, SUB, SBC, AND, XOR,
// OR, CP. For the sums and differences, bit 4 of a ^ x ^ result is the carry (or
// borrow) into bit 4 and bit 8 of the unsigned result the carry (or borrow) out of
// bit 7.
template <unsigned Op>
void accumulate(uint8_t x) {
    const unsigned a = cpu.A;
    if constexpr (Op <= 1) {  // ADD, ADC
        const unsigned result = a + x + (Op == 1 ? carryIn() : 0);
        cpu.A = static_cast<uint8_t>(result);
        cpu.F = static_cast<uint8_t>(zeroFlag(result) | (((a ^ x ^ result) & 0x10) << 1) |
                                     ((result >> 4) & kFlagC));
    } else if constexpr (Op == 2 || Op == 3 || Op == 7) {  // SUB, SBC, CP
        const unsigned result = a - x - (Op == 3 ? carryIn() : 0);
        if constexpr (Op != 7) cpu.A = static_cast<uint8_t>(result);
        cpu.F = static_cast<uint8_t>(zeroFlag(result) | kFlagN | (((a ^ x ^ result) & 0x10) << 1) |
                                     ((result >> 4) & kFlagC));
    } else if constexpr (Op == 4) {  // AND
        cpu.A = static_cast<uint8_t>(a & x);
        cpu.F = static_cast<uint8_t>(zeroFlag(cpu.A) | kFlagH);
    } else if constexpr (Op == 5) {  // XOR
        cpu.A = static_cast<uint8_t>(a ^ x);
        cpu.F = zeroFlag(cpu.A);
    } else {  // OR
        static_assert(Op == 6);
        cpu.A = static_cast<uint8_t>(a | x);
        cpu.F = zeroFlag(cpu.A);
    }
}

template <unsigned Op, unsigned Src>
void accumulateOperand() {
    accumulate<Op>(readOperand<Src>());
    advance(1);
}

template <unsigned Op>
void accumulateImmediate() {
    accumulate<Op>(immediate8());
    advance(2);
}

// RLCA, RRCA, RLA, RRA: the same operation as the CB rotates of A, Z included.
template <unsigned Op>
void rotateA() {
    cpu.A = shift<Op>(cpu.A);
    advance(1);
}

// Decimal adjust after a packed-decimal addition (N = 0) or subtraction (N = 1). Each
// correction that fires sets H or C; neither is ever cleared, N stays, and bits 0-3
// of F are kept as they are.
void decimalAdjust() {
    unsigned a = cpu.A;
    uint8_t flags = cpu.F;
    if (!(flags & kFlagN)) {
        if ((a & 0x0F) > 9 || (flags & kFlagH)) {
            a = (a + 0x06) & 0xFF;
            flags |= kFlagH;
            if ((a >> 4) == 0) flags |= kFlagC;
        }
        if ((a >> 4) > 9 || (flags & kFlagC)) {
            a = (a + 0x60) & 0xFF;
            flags |= kFlagC;
        }
    } else {
        if ((a & 0x0F) > 9 || (flags & kFlagH)) {
            a = (a - 0x06) & 0xFF;
            flags |= kFlagH;
            if ((a >> 4) == 0x0F) flags |= kFlagC;
        }
        if ((a >> 4) > 9 || (flags & kFlagC)) {
            a = (a - 0x60) & 0xFF;
            flags |= kFlagC;
        }
    }
    cpu.A = static_cast<uint8_t>(a);
    cpu.F = static_cast<uint8_t>((flags & ~kFlagZ) | zeroFlag(a));
    advance(1);
}

// ---- 16-bit arithmetic -------------------------------------------------------------

template <unsigned P>
void incrementPair() {
    setPair<P>(static_cast<uint16_t>(pair<P>() + 1));
    advance(1);
}

template <unsigned P>
void decrementPair() {
    setPair<P>(static_cast<uint16_t>(pair<P>() - 1));
    advance(1);
}

// ADD HL,rr writes C alone; Z, N and H keep their values.
template <unsigned P>
void addToHl() {
    const unsigned result = hl() + pair<P>();
    setHl(static_cast<uint16_t>(result));
    cpu.F = static_cast<uint8_t>((cpu.F & (kFlagZ | kFlagN | kFlagH)) | ((result >> 12) & kFlagC));
    advance(1);
}

int8_t signedImmediate() {
    return static_cast<int8_t>(immediate8());
}

// ADD SP,e leaves F at exactly C, whatever SP and e are.
void addToSp() {
    cpu.SP = static_cast<uint16_t>(cpu.SP + signedImmediate());
    cpu.F = kFlagC;
    advance(2);
}

// LD HL,SP+e: H for a positive e, nothing for zero or a negative e; SP stays.
void loadHlFromSp() {
    const int8_t e = signedImmediate();
    setHl(static_cast<uint16_t>(cpu.SP + e));
    cpu.F = e > 0 ? kFlagH : 0;
    advance(2);
}

// ---- Stack and control transfer ----------------------------------------------------

// Conditions in encoding order: NZ, Z, NC, C.
template <unsigned Cc>
bool condition() {
    if constexpr (Cc == 0) return !(cpu.F & kFlagZ);
    if constexpr (Cc == 1) return (cpu.F & kFlagZ) != 0;
    if constexpr (Cc == 2) return !(cpu.F & kFlagC);
    if constexpr (Cc == 3) return (cpu.F & kFlagC) != 0;
}

// PUSH stores two single bytes, the high one first, each through the bus with its
// side effects. For AF that is A, then F with all eight bits.
template <unsigned P>
void push() {
    uint8_t high, low;
    if constexpr (P == 3) {
        high = cpu.A;
        low = cpu.F;
    } else {
        const uint16_t value = pair<P>();
        high = static_cast<uint8_t>(value >> 8);
        low = static_cast<uint8_t>(value);
    }
    cpu.SP = static_cast<uint16_t>(cpu.SP - 1);
    writeByte(high, cpu.SP);
    cpu.SP = static_cast<uint16_t>(cpu.SP - 1);
    writeByte(low, cpu.SP);
    advance(1);
}

template <unsigned P>
void pop() {
    const uint8_t low = readByte(cpu.SP);
    const uint8_t high = readByte(static_cast<uint16_t>(cpu.SP + 1));
    cpu.SP = static_cast<uint16_t>(cpu.SP + 2);
    if constexpr (P == 3) {
        cpu.A = high;
        cpu.F = low;  // all eight bits, 0-3 included
    } else {
        setPair<P>(static_cast<uint16_t>((high << 8) | low));
    }
    advance(1);
}

void jumpRelative() {
    cpu.PC = static_cast<uint16_t>(cpu.PC + 2 + signedImmediate());
}

// A branch that is not taken reads no operand.
template <unsigned Cc>
void jumpRelativeIf() {
    if (condition<Cc>()) {
        jumpRelative();
    } else {
        advance(2);
    }
}

void jump() {
    cpu.PC = immediate16();
}

template <unsigned Cc>
void jumpIf() {
    if (condition<Cc>()) {
        jump();
    } else {
        advance(3);
    }
}

// The return address is pushed before the target is read, so a push that lands on
// the instruction's own operand bytes changes where the call goes.
void call() {
    cpu.SP = static_cast<uint16_t>(cpu.SP - 2);
    writeWord(static_cast<uint16_t>(cpu.PC + 3), cpu.SP);
    cpu.PC = immediate16();
}

template <unsigned Cc>
void callIf() {
    if (condition<Cc>()) {
        call();
    } else {
        advance(3);
    }
}

void ret() {
    cpu.PC = readWord(cpu.SP);
    cpu.SP = static_cast<uint16_t>(cpu.SP + 2);
}

template <unsigned Cc>
void retIf() {
    if (condition<Cc>()) {
        ret();
    } else {
        advance(1);
    }
}

template <unsigned Vector>
void restart() {
    cpu.SP = static_cast<uint16_t>(cpu.SP - 2);
    writeWord(static_cast<uint16_t>(cpu.PC + 1), cpu.SP);
    cpu.PC = Vector;
}

// The opcodes the CPU does not define halt the program for good: only a reset
// clears `stopped`.
void stopForGood() {
    machine.stopped = kStoppedForGood;
    advance(1);
}

// STOP puts the CPU to sleep until a button on a selected joypad line is pressed;
// the program then goes on after it. On the colour handheld, with a speed switch armed
// in KEY1 bit 0, STOP switches the speed instead and the program goes straight on.
// STOP skips its second byte without reading it.
void stop() {
    if (machine.colourModel && (machine.HighPage[reg::KEY1] & 1)) {
        switchCpuSpeed();
    } else {
        machine.stopped = kWaitingForButton;
    }
    advance(2);
}

// Accumulator loads and stores through an address. HL+ and HL- use the old HL and
// then step it.
void storeA(uint16_t address, unsigned length) {
    writeByte(cpu.A, address);
    advance(length);
}

void loadA(uint16_t address, unsigned length) {
    cpu.A = readByte(address);
    advance(length);
}

template <int Step>
void storeAThroughHl() {
    const uint16_t address = hl();
    storeA(address, 1);
    setHl(static_cast<uint16_t>(address + Step));
}

template <int Step>
void loadAThroughHl() {
    const uint16_t address = hl();
    loadA(address, 1);
    setHl(static_cast<uint16_t>(address + Step));
}

void complementA() {
    cpu.A = static_cast<uint8_t>(~cpu.A);
    cpu.F = static_cast<uint8_t>((cpu.F & (kFlagZ | kFlagC)) | kFlagN | kFlagH);
    advance(1);
}

void setCarry() {
    cpu.F = static_cast<uint8_t>((cpu.F & kFlagZ) | kFlagC);
    advance(1);
}

void complementCarry() {
    cpu.F = static_cast<uint8_t>((cpu.F & kFlagZ) | ((cpu.F & kFlagC) ^ kFlagC));
    advance(1);
}

void storeSp() {
    writeWord(cpu.SP, immediate16());
    advance(3);
}

void loadSpFromHl() {
    cpu.SP = hl();
    advance(1);
}

// EI takes effect at once, with no one-instruction delay.
void setInterruptsEnabled(uint8_t enabled) {
    machine.ime = enabled;
    advance(1);
}

void returnFromInterrupt() {
    ret();
    machine.ime = 1;
}

uint16_t ioAddress(uint8_t low) {
    return static_cast<uint16_t>(0xFF00 + low);
}

// Families whose members differ only in an operand number are spelled out by these
// macros, one case per member.
// clang-format off
#define KORVI_OPERAND_COLUMN(first, stride, fn)  \
    case (first) + 0 * (stride): fn<0>(); break; \
    case (first) + 1 * (stride): fn<1>(); break; \
    case (first) + 2 * (stride): fn<2>(); break; \
    case (first) + 3 * (stride): fn<3>(); break; \
    case (first) + 4 * (stride): fn<4>(); break; \
    case (first) + 5 * (stride): fn<5>(); break; \
    case (first) + 6 * (stride): fn<6>(); break; \
    case (first) + 7 * (stride): fn<7>(); break;

#define KORVI_PAIR_COLUMN(first, fn)     \
    case (first) + 0x00: fn<0>(); break; \
    case (first) + 0x10: fn<1>(); break; \
    case (first) + 0x20: fn<2>(); break; \
    case (first) + 0x30: fn<3>(); break;

#define KORVI_CONDITION_COLUMN(first, fn) \
    case (first) + 0x00: fn<0>(); break;  \
    case (first) + 0x08: fn<1>(); break;  \
    case (first) + 0x10: fn<2>(); break;  \
    case (first) + 0x18: fn<3>(); break;

// One row of eight: opcode first + operand, operand 0 (B) to 7 (A) as the source.
#define KORVI_OPERAND_ROW(first, fn, outer)  \
    case (first) + 0: fn<outer, 0>(); break; \
    case (first) + 1: fn<outer, 1>(); break; \
    case (first) + 2: fn<outer, 2>(); break; \
    case (first) + 3: fn<outer, 3>(); break; \
    case (first) + 4: fn<outer, 4>(); break; \
    case (first) + 5: fn<outer, 5>(); break; \
    case (first) + 6: fn<outer, 6>(); break; \
    case (first) + 7: fn<outer, 7>(); break;

// The main table. Each opcode becomes a function of its own: the switch is on a
// template constant, so an instantiation keeps only its own case, and a simple
// instruction saves no registers. Reads of the bus are inlined into every entry.
template <unsigned Opcode>
[[gnu::flatten]] void execute() {
    switch (Opcode) {
        case 0x00: advance(1); break;  // NOP

        // 16-bit loads and arithmetic on BC, DE, HL, SP.
        KORVI_PAIR_COLUMN(0x01, loadPairImmediate)
        KORVI_PAIR_COLUMN(0x03, incrementPair)
        KORVI_PAIR_COLUMN(0x09, addToHl)
        KORVI_PAIR_COLUMN(0x0B, decrementPair)

        // A to and from memory through BC, DE and HL with step.
        case 0x02: storeA(pair<0>(), 1); break;    // LD (BC),A
        case 0x12: storeA(pair<1>(), 1); break;    // LD (DE),A
        case 0x22: storeAThroughHl<1>(); break;    // LD (HL+),A
        case 0x32: storeAThroughHl<-1>(); break;   // LD (HL-),A
        case 0x0A: loadA(pair<0>(), 1); break;     // LD A,(BC)
        case 0x1A: loadA(pair<1>(), 1); break;     // LD A,(DE)
        case 0x2A: loadAThroughHl<1>(); break;     // LD A,(HL+)
        case 0x3A: loadAThroughHl<-1>(); break;    // LD A,(HL-)

        // INC r, DEC r, LD r,n: the operand in bits 5-3.
        KORVI_OPERAND_COLUMN(0x04, 8, increment)
        KORVI_OPERAND_COLUMN(0x05, 8, decrement)
        KORVI_OPERAND_COLUMN(0x06, 8, loadImmediate)

        // Rotates of A and the flag operations.
        case 0x07: rotateA<0>(); break;       // RLCA
        case 0x0F: rotateA<1>(); break;       // RRCA
        case 0x17: rotateA<2>(); break;       // RLA
        case 0x1F: rotateA<3>(); break;       // RRA
        case 0x27: decimalAdjust(); break;    // DAA
        case 0x2F: complementA(); break;      // CPL
        case 0x37: setCarry(); break;         // SCF
        case 0x3F: complementCarry(); break;  // CCF

        case 0x08: storeSp(); break;  // LD (nn),SP
        case 0x10: stop(); break;     // STOP

        // Relative jumps.
        case 0x18: jumpRelative(); break;
        KORVI_CONDITION_COLUMN(0x20, jumpRelativeIf)

        // LD r,r' (and HALT at 0x76): destination in bits 5-3, source in bits 2-0.
        KORVI_OPERAND_ROW(0x40, load, 0)
        KORVI_OPERAND_ROW(0x48, load, 1)
        KORVI_OPERAND_ROW(0x50, load, 2)
        KORVI_OPERAND_ROW(0x58, load, 3)
        KORVI_OPERAND_ROW(0x60, load, 4)
        KORVI_OPERAND_ROW(0x68, load, 5)
        KORVI_OPERAND_ROW(0x70, load, 6)
        KORVI_OPERAND_ROW(0x78, load, 7)

        // ADD, ADC, SUB, SBC, AND, XOR, OR, CP with a register or (HL), then with n.
        KORVI_OPERAND_ROW(0x80, accumulateOperand, 0)
        KORVI_OPERAND_ROW(0x88, accumulateOperand, 1)
        KORVI_OPERAND_ROW(0x90, accumulateOperand, 2)
        KORVI_OPERAND_ROW(0x98, accumulateOperand, 3)
        KORVI_OPERAND_ROW(0xA0, accumulateOperand, 4)
        KORVI_OPERAND_ROW(0xA8, accumulateOperand, 5)
        KORVI_OPERAND_ROW(0xB0, accumulateOperand, 6)
        KORVI_OPERAND_ROW(0xB8, accumulateOperand, 7)
        KORVI_OPERAND_COLUMN(0xC6, 8, accumulateImmediate)

        // Calls, returns, jumps and restarts.
        KORVI_CONDITION_COLUMN(0xC0, retIf)
        KORVI_CONDITION_COLUMN(0xC2, jumpIf)
        KORVI_CONDITION_COLUMN(0xC4, callIf)
        case 0xC3: jump(); break;
        case 0xC9: ret(); break;
        case 0xCD: call(); break;
        case 0xD9: returnFromInterrupt(); break;  // RETI
        case 0xE9: cpu.PC = hl(); break;           // JP HL
        case 0xC7: restart<0x00>(); break;
        case 0xCF: restart<0x08>(); break;
        case 0xD7: restart<0x10>(); break;
        case 0xDF: restart<0x18>(); break;
        case 0xE7: restart<0x20>(); break;
        case 0xEF: restart<0x28>(); break;
        case 0xF7: restart<0x30>(); break;
        case 0xFF: restart<0x38>(); break;

        // POP and PUSH of BC, DE, HL, AF.
        KORVI_PAIR_COLUMN(0xC1, pop)
        KORVI_PAIR_COLUMN(0xC5, push)

        case 0xCB: executeCbInstruction(); break;

        // The I/O page and absolute addresses.
        case 0xE0: storeA(ioAddress(immediate8()), 2); break;  // LDH (n),A
        case 0xF0: loadA(ioAddress(immediate8()), 2); break;   // LDH A,(n)
        case 0xE2: storeA(ioAddress(cpu.C), 1); break;         // LD (C),A
        case 0xF2: loadA(ioAddress(cpu.C), 1); break;          // LD A,(C)
        case 0xEA: storeA(immediate16(), 3); break;            // LD (nn),A
        case 0xFA: loadA(immediate16(), 3); break;             // LD A,(nn)

        // Stack pointer arithmetic.
        case 0xE8: addToSp(); break;        // ADD SP,e
        case 0xF8: loadHlFromSp(); break;   // LD HL,SP+e
        case 0xF9: loadSpFromHl(); break;   // LD SP,HL

        case 0xF3: setInterruptsEnabled(0); break;  // DI
        case 0xFB: setInterruptsEnabled(1); break;  // EI

        // The eleven opcodes the CPU does not define.
        case 0xD3: case 0xDB: case 0xDD: case 0xE3: case 0xE4: case 0xEB:
        case 0xEC: case 0xED: case 0xF4: case 0xFC: case 0xFD:
            stopForGood();
            break;
    }
}
// clang-format on

template <size_t... Opcodes>
constexpr auto makeTable(std::index_sequence<Opcodes...>) {
    return std::array<void (*)(), sizeof...(Opcodes)>{&execute<Opcodes>...};
}

constexpr auto kInstructions = makeTable(std::make_index_sequence<256>());

}  // namespace

void executeInstruction() {
    kInstructions[readByte(cpu.PC)]();
}
