// Classifies one instruction operand: a register, a condition, one of the memory forms
// (HL), (HL+), (C), (nn) written with round or square brackets, SP+e, or an immediate value.
#pragma once

#include <string>
#include <string_view>

namespace sm83 {

enum class OperandKind {
    Reg8,       // reg = 0 B, 1 C, 2 D, 3 E, 4 H, 5 L, 7 A
    Reg16,      // reg = 0 BC, 1 DE, 2 HL, 3 SP, 4 AF
    Condition,  // reg = 0 NZ, 1 Z, 2 NC (C is a Reg8 and doubles as the carry condition)
    MemBC,
    MemDE,
    MemHL,
    MemHLI,     // (HL+) / (HLI)
    MemHLD,     // (HL-) / (HLD)
    MemC,       // (C) / ($FF00+C)
    MemImm,     // (nn): expr holds nn
    SpOffset,   // SP+e / SP-e: expr holds "+e" or "-e"
    Immediate,  // expr holds the value
};

struct Operand {
    OperandKind kind = OperandKind::Immediate;
    int reg = 0;
    std::string expr;
};

Operand classifyOperand(std::string_view text);

// The 3-bit register field of the 8-bit operand forms (B C D E H L (HL) A), or -1.
int reg8Field(const Operand& operand);

}  // namespace sm83
