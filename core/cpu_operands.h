// Register file access and the flag arithmetic shared by the CPU's main and CB tables.
//
// The register file holds eight separate bytes; pairs are formed when an instruction
// uses them, the first-named register being the high byte. Operands are numbered as
// the instruction encodings number them: 0 B, 1 C, 2 D, 3 E, 4 H, 5 L, 6 the byte at
// HL, 7 A. Everything here is resolved at compile time from those numbers, so each
// table entry compiles to straight-line code.
#pragma once

#include <cstdint>

#include "core/bus.h"
#include "core/machine_state.h"

namespace sm83cpu {

inline constexpr uint8_t kFlagZ = 0x80;
inline constexpr uint8_t kFlagN = 0x40;
inline constexpr uint8_t kFlagH = 0x20;
inline constexpr uint8_t kFlagC = 0x10;

inline CpuRegisters& cpu = machine.cpu;

inline uint8_t zeroFlag(unsigned result) {
    return (result & 0xFF) == 0 ? kFlagZ : 0;
}

// The carry as an input bit (ADC, SBC, RL, RR, RLA, RRA read only bit 4 of F).
inline unsigned carryIn() {
    return (cpu.F >> 4) & 1;
}

inline uint16_t hl() {
    return static_cast<uint16_t>((cpu.H << 8) | cpu.L);
}

inline void setHl(uint16_t value) {
    cpu.H = static_cast<uint8_t>(value >> 8);
    cpu.L = static_cast<uint8_t>(value);
}

template <unsigned Index>
inline uint8_t& reg() {
    static_assert(Index < 8 && Index != 6, "operand 6 is memory at HL, not a register");
    if constexpr (Index == 0) return cpu.B;
    if constexpr (Index == 1) return cpu.C;
    if constexpr (Index == 2) return cpu.D;
    if constexpr (Index == 3) return cpu.E;
    if constexpr (Index == 4) return cpu.H;
    if constexpr (Index == 5) return cpu.L;
    if constexpr (Index == 7) return cpu.A;
}

// One read for (HL); registers cost no bus access.
template <unsigned Index>
inline uint8_t readOperand() {
    if constexpr (Index == 6) {
        return readByte(hl());
    } else {
        return reg<Index>();
    }
}

// One write for (HL), with whatever side effects the address has.
template <unsigned Index>
inline void writeOperand(uint8_t value) {
    if constexpr (Index == 6) {
        writeByte(value, hl());
    } else {
        reg<Index>() = value;
    }
}

// The eight rotate, shift and swap operations, numbered as in bits 5-3 of a CB
// second byte: RLC, RRC, RL, RR, SLA, SRA, SWAP, SRL. F is rewritten whole: Z from the
// result, N and H clear, C the bit shifted out (0 for SWAP), bits 0-3 clear. The
// one-byte rotates of A use the same code, so they set Z from the result too.
template <unsigned Op>
inline uint8_t shift(uint8_t v) {
    unsigned result;
    unsigned carryOut;
    if constexpr (Op == 0) {  // RLC
        result = (v << 1) | (v >> 7);
        carryOut = v >> 7;
    } else if constexpr (Op == 1) {  // RRC
        result = (v >> 1) | (v << 7);
        carryOut = v & 1;
    } else if constexpr (Op == 2) {  // RL
        result = (v << 1) | carryIn();
        carryOut = v >> 7;
    } else if constexpr (Op == 3) {  // RR
        result = (v >> 1) | (carryIn() << 7);
        carryOut = v & 1;
    } else if constexpr (Op == 4) {  // SLA
        result = v << 1;
        carryOut = v >> 7;
    } else if constexpr (Op == 5) {  // SRA: bit 7 keeps its value
        result = (v >> 1) | (v & 0x80);
        carryOut = v & 1;
    } else if constexpr (Op == 6) {  // SWAP
        result = (v >> 4) | (v << 4);
        carryOut = 0;
    } else {  // SRL
        static_assert(Op == 7);
        result = v >> 1;
        carryOut = v & 1;
    }
    const uint8_t out = static_cast<uint8_t>(result);
    cpu.F = static_cast<uint8_t>(zeroFlag(out) | (carryOut << 4));
    return out;
}

}  // namespace sm83cpu
