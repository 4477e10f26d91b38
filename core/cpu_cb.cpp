// The CB-prefixed table: rotates, shifts, SWAP, BIT, RES and SET on a register or on
// the byte at HL. The second byte is decoded by fields: bits 7-6 the group, bits 5-3
// the operation or bit number, bits 2-0 the operand. Every second byte is defined and
// every one moves PC on by 2.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bus.h"
#include "core/cpu.h"
#include "core/cpu_operands.h"
#include "core/machine_state.h"

using namespace sm83cpu;

namespace {

// Rotates, shifts and SWAP: for (HL) one read, then one write of the result.
template <unsigned Op, unsigned Index>
void shiftOperand() {
    writeOperand<Index>(shift<Op>(readOperand<Index>()));
}

// BIT reads its operand and writes nothing back; C survives, bits 0-3 are cleared.
template <unsigned Bit, unsigned Index>
void testBit() {
    const bool clear = (readOperand<Index>() & (1u << Bit)) == 0;
    cpu.F = static_cast<uint8_t>((clear ? kFlagZ : 0) | kFlagH | (cpu.F & kFlagC));
}

// RES and SET leave all of F as it was, bits 0-3 included.
template <unsigned Bit, unsigned Index>
void resetBit() {
    writeOperand<Index>(static_cast<uint8_t>(readOperand<Index>() & ~(1u << Bit)));
}

template <unsigned Bit, unsigned Index>
void setBit() {
    writeOperand<Index>(static_cast<uint8_t>(readOperand<Index>() | (1u << Bit)));
}

}  // namespace

// One row of eight second bytes: the same operation on B, C, D, E, H, L, (HL), A.
#define KORVI_CB_ROW(first, fn, outer)       \
    case (first) + 0: fn<outer, 0>(); break; \
    case (first) + 1: fn<outer, 1>(); break; \
    case (first) + 2: fn<outer, 2>(); break; \
    case (first) + 3: fn<outer, 3>(); break; \
    case (first) + 4: fn<outer, 4>(); break; \
    case (first) + 5: fn<outer, 5>(); break; \
    case (first) + 6: fn<outer, 6>(); break; \
    case (first) + 7: fn<outer, 7>(); break;

// A group of eight rows: the operations (or bit numbers) 0 to 7 in bits 5-3.
#define KORVI_CB_GROUP(first, fn)       \
    KORVI_CB_ROW((first) + 0x00, fn, 0) \
    KORVI_CB_ROW((first) + 0x08, fn, 1) \
    KORVI_CB_ROW((first) + 0x10, fn, 2) \
    KORVI_CB_ROW((first) + 0x18, fn, 3) \
    KORVI_CB_ROW((first) + 0x20, fn, 4) \
    KORVI_CB_ROW((first) + 0x28, fn, 5) \
    KORVI_CB_ROW((first) + 0x30, fn, 6) \
    KORVI_CB_ROW((first) + 0x38, fn, 7)

namespace {

// One function per second byte, chosen by a table, as in the main table.
template <unsigned Operation>
[[gnu::flatten]] void executeCb() {
    switch (Operation) {
        KORVI_CB_GROUP(0x00, shiftOperand)  // RLC RRC RL RR SLA SRA SWAP SRL
        KORVI_CB_GROUP(0x40, testBit)       // BIT b
        KORVI_CB_GROUP(0x80, resetBit)      // RES b
        KORVI_CB_GROUP(0xC0, setBit)        // SET b
    }
}

template <size_t... Operations>
constexpr auto makeTable(std::index_sequence<Operations...>) {
    return std::array<void (*)(), sizeof...(Operations)>{&executeCb<Operations>...};
}

constexpr auto kCbOperations = makeTable(std::make_index_sequence<256>());

}  // namespace

void executeCbInstruction() {
    const uint8_t operation = readByte(static_cast<uint16_t>(cpu.PC + 1));
    cpu.PC = static_cast<uint16_t>(cpu.PC + 2);
    kCbOperations[operation]();
}
