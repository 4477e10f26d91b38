#include "tools/assembler/instruction_encoder.h"

#include <array>

#include "tools/assembler/operand.h"

namespace sm83 {

namespace {

using K = OperandKind;

// The eight arithmetic/logic operations share one operand field: opcode 0x80 | op << 3 | r
// for registers and 0xC6 | op << 3 for an immediate byte.
constexpr std::array<std::string_view, 8> kAluOps = {"add", "adc", "sub", "sbc",
                                                     "and", "xor", "or",  "cp"};
// The CB-prefixed rotates and shifts: second byte op << 3 | r.
constexpr std::array<std::string_view, 8> kShiftOps = {"rlc", "rrc", "rl",   "rr",
                                                       "sla", "sra", "swap", "srl"};

int indexOf(const auto& table, std::string_view name) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] == name) return static_cast<int>(i);
    return -1;
}

struct NoOperandOp {
    std::string_view name;
    uint8_t opcode;
};
constexpr NoOperandOp kNoOperandOps[] = {
    {"nop", 0x00},  {"rlca", 0x07}, {"rrca", 0x0F}, {"rla", 0x17}, {"rra", 0x1F},
    {"daa", 0x27},  {"cpl", 0x2F},  {"scf", 0x37},  {"ccf", 0x3F}, {"halt", 0x76},
    {"reti", 0xD9}, {"di", 0xF3},   {"ei", 0xFB},
};

class Encoder {
public:
    Encoder(std::string_view mnemonic, const std::vector<std::string>& texts,
            const EncodeContext& context, std::vector<uint8_t>& out, std::string& error)
        : m_(mnemonic), context_(context), out_(out), error_(error) {
        for (const std::string& t : texts) ops_.push_back(classifyOperand(t));
    }

    bool run() {
        for (const NoOperandOp& op : kNoOperandOps) {
            if (m_ == op.name) return none() && emit(op.opcode);
        }
        if (m_ == "stop") return none() && emit(0x10) && emit(0x00);
        if (m_ == "ld") return ld();
        if (m_ == "ldi" || m_ == "ldd") return ldIncDec();
        if (m_ == "ldh") return ldh();
        if (m_ == "ldhl")
            return count(2) && is(0, K::Reg16, 3) && isValue(1) && ldHlSp(ops_[1].expr);
        if (m_ == "push" || m_ == "pop") return pushPop();
        if (m_ == "inc" || m_ == "dec") return incDec();
        if (m_ == "add") return add();
        if (const int alu = indexOf(kAluOps, m_); alu >= 0) return aluOp(alu);
        if (m_ == "jr") return jr();
        if (m_ == "jp") return jp();
        if (m_ == "call") return call();
        if (m_ == "ret") return ret();
        if (m_ == "rst") return rst();
        if (const int shift = indexOf(kShiftOps, m_); shift >= 0) return cbShift(shift);
        if (m_ == "bit") return cbBit(0x40);
        if (m_ == "res") return cbBit(0x80);
        if (m_ == "set") return cbBit(0xC0);
        error_ = "unknown mnemonic '" + std::string(m_) + "'";
        return false;
    }

private:
    std::string_view m_;
    const EncodeContext& context_;
    std::vector<uint8_t>& out_;
    std::string& error_;
    std::vector<Operand> ops_;

    bool emit(int byte) {
        out_.push_back(static_cast<uint8_t>(byte));
        return true;
    }
    bool bad() {
        if (error_.empty()) error_ = "bad operands for '" + std::string(m_) + "'";
        return false;
    }
    bool none() { return ops_.empty() || bad(); }
    bool count(size_t n) { return ops_.size() == n || bad(); }
    bool is(size_t i, K kind, int reg = -1) const {
        return i < ops_.size() && ops_[i].kind == kind && (reg < 0 || ops_[i].reg == reg);
    }
    bool isA(size_t i) const { return is(i, K::Reg8, 7); }
    bool isValue(size_t i) const { return is(i, K::Immediate); }

    // A condition field (NZ Z NC C) of operand i, or -1.
    int conditionField(size_t i) const {
        if (is(i, K::Condition)) return ops_[i].reg;
        if (is(i, K::Reg8, 1)) return 3;
        return -1;
    }

    bool value(std::string_view expr, int64_t& v) {
        std::string message;
        if (!context_.evaluate(expr, v, message)) {
            error_ = message;
            return false;
        }
        return true;
    }
    bool rangeError(int64_t v, const char* what) {
        error_ = "value " + std::to_string(v) + " out of range for " + what;
        return false;
    }
    bool emitByte(std::string_view expr) {
        int64_t v = 0;
        if (!value(expr, v)) return false;
        if (context_.checkRanges && (v < -128 || v > 255))
            return rangeError(v, "an 8-bit operand (-128..255)");
        return emit(static_cast<int>(v & 0xFF));
    }
    bool emitSignedByte(std::string_view expr) {
        int64_t v = 0;
        if (!value(expr, v)) return false;
        if (context_.checkRanges && (v < -128 || v > 127))
            return rangeError(v, "a signed 8-bit offset (-128..127)");
        return emit(static_cast<int>(v & 0xFF));
    }
    bool emitWord(std::string_view expr) {
        int64_t v = 0;
        if (!value(expr, v)) return false;
        if (context_.checkRanges && (v < -32768 || v > 65535))
            return rangeError(v, "a 16-bit operand (-32768..65535)");
        return emit(static_cast<int>(v & 0xFF)) && emit(static_cast<int>((v >> 8) & 0xFF));
    }
    // LDH takes the low byte of a 0xFF00-0xFFFF address; 0x00-0xFF is accepted as that byte.
    bool emitHighPageByte(std::string_view expr) {
        int64_t v = 0;
        if (!value(expr, v)) return false;
        if (context_.checkRanges && !((v >= 0 && v <= 0xFF) || (v >= 0xFF00 && v <= 0xFFFF)))
            return rangeError(v, "ldh (0x00..0xFF or 0xFF00..0xFFFF)");
        return emit(static_cast<int>(v & 0xFF));
    }

    bool ldHlSp(std::string_view offset) { return emit(0xF8) && emitSignedByte(offset); }

    bool ld() {
        if (!count(2)) return false;
        const int dst = reg8Field(ops_[0]);
        const int src = reg8Field(ops_[1]);
        if (dst >= 0 && src >= 0) {
            if (dst == 6 && src == 6) return bad();  // that encoding is HALT
            return emit(0x40 | dst << 3 | src);
        }
        if (dst >= 0 && isValue(1)) return emit(0x06 | dst << 3) && emitByte(ops_[1].expr);
        if (isA(0)) {
            switch (ops_[1].kind) {
                case K::MemBC: return emit(0x0A);
                case K::MemDE: return emit(0x1A);
                case K::MemHLI: return emit(0x2A);
                case K::MemHLD: return emit(0x3A);
                case K::MemC: return emit(0xF2);
                case K::MemImm: return emit(0xFA) && emitWord(ops_[1].expr);
                default: break;
            }
        }
        if (isA(1)) {
            switch (ops_[0].kind) {
                case K::MemBC: return emit(0x02);
                case K::MemDE: return emit(0x12);
                case K::MemHLI: return emit(0x22);
                case K::MemHLD: return emit(0x32);
                case K::MemC: return emit(0xE2);
                case K::MemImm: return emit(0xEA) && emitWord(ops_[0].expr);
                default: break;
            }
        }
        if (is(0, K::MemImm) && is(1, K::Reg16, 3)) return emit(0x08) && emitWord(ops_[0].expr);
        if (is(0, K::Reg16) && ops_[0].reg <= 3 && isValue(1))
            return emit(0x01 | ops_[0].reg << 4) && emitWord(ops_[1].expr);
        if (is(0, K::Reg16, 3) && is(1, K::Reg16, 2)) return emit(0xF9);
        if (is(0, K::Reg16, 2) && is(1, K::SpOffset)) return ldHlSp(ops_[1].expr);
        return bad();
    }

    // ldi (hl),a / ldi a,(hl) and the ldd pair: the post-increment/decrement loads.
    bool ldIncDec() {
        if (!count(2)) return false;
        const bool inc = m_ == "ldi";
        if (is(0, K::MemHL) && isA(1)) return emit(inc ? 0x22 : 0x32);
        if (isA(0) && is(1, K::MemHL)) return emit(inc ? 0x2A : 0x3A);
        return bad();
    }

    bool ldh() {
        if (!count(2)) return false;
        if (is(0, K::MemImm) && isA(1)) return emit(0xE0) && emitHighPageByte(ops_[0].expr);
        if (isA(0) && is(1, K::MemImm)) return emit(0xF0) && emitHighPageByte(ops_[1].expr);
        if (is(0, K::MemC) && isA(1)) return emit(0xE2);
        if (isA(0) && is(1, K::MemC)) return emit(0xF2);
        return bad();
    }

    bool pushPop() {
        if (!count(1)) return false;
        if (!is(0, K::Reg16) || ops_[0].reg == 3) return bad();
        const int pair = ops_[0].reg == 4 ? 3 : ops_[0].reg;  // AF takes SP's slot
        return emit((m_ == "push" ? 0xC5 : 0xC1) | pair << 4);
    }

    bool incDec() {
        if (!count(1)) return false;
        const bool inc = m_ == "inc";
        if (const int r = reg8Field(ops_[0]); r >= 0) return emit((inc ? 0x04 : 0x05) | r << 3);
        if (is(0, K::Reg16) && ops_[0].reg <= 3)
            return emit((inc ? 0x03 : 0x0B) | ops_[0].reg << 4);
        return bad();
    }

    bool add() {
        if (ops_.size() == 2 && is(0, K::Reg16, 2)) {
            if (is(1, K::Reg16) && ops_[1].reg <= 3) return emit(0x09 | ops_[1].reg << 4);
            return bad();
        }
        if (ops_.size() == 2 && is(0, K::Reg16, 3)) {
            if (isValue(1)) return emit(0xE8) && emitSignedByte(ops_[1].expr);
            return bad();
        }
        return aluOp(0);
    }

    // "op a,x" or "op x" for the eight accumulator operations.
    bool aluOp(int alu) {
        size_t src;
        if (ops_.size() == 2 && isA(0)) {
            src = 1;
        } else if (ops_.size() == 1) {
            src = 0;
        } else {
            return bad();
        }
        if (const int r = reg8Field(ops_[src]); r >= 0) return emit(0x80 | alu << 3 | r);
        if (isValue(src)) return emit(0xC6 | alu << 3) && emitByte(ops_[src].expr);
        return bad();
    }

    // Splits "[cc,] target" operands; false when the shape is wrong.
    bool conditional(int& cc, size_t& target) {
        if (ops_.size() == 1) {
            cc = -1;
            target = 0;
            return true;
        }
        if (ops_.size() == 2) {
            cc = conditionField(0);
            target = 1;
            return cc >= 0;
        }
        return false;
    }

    bool jr() {
        int cc;
        size_t t;
        if (!conditional(cc, t) || !isValue(t)) return bad();
        emit(cc < 0 ? 0x18 : 0x20 | cc << 3);
        int64_t target = 0;
        if (!value(ops_[t].expr, target)) return false;
        const int64_t offset = target - (context_.address + 2);
        if (context_.checkRanges && (offset < -128 || offset > 127)) {
            error_ =
                "jr target out of range (offset " + std::to_string(offset) + ", must be -128..127)";
            return false;
        }
        return emit(static_cast<int>(offset & 0xFF));
    }

    bool jp() {
        if (ops_.size() == 1 && (is(0, K::Reg16, 2) || is(0, K::MemHL))) return emit(0xE9);
        int cc;
        size_t t;
        if (!conditional(cc, t) || !isValue(t)) return bad();
        return emit(cc < 0 ? 0xC3 : 0xC2 | cc << 3) && emitWord(ops_[t].expr);
    }

    bool call() {
        int cc;
        size_t t;
        if (!conditional(cc, t) || !isValue(t)) return bad();
        return emit(cc < 0 ? 0xCD : 0xC4 | cc << 3) && emitWord(ops_[t].expr);
    }

    bool ret() {
        if (ops_.empty()) return emit(0xC9);
        if (ops_.size() == 1 && conditionField(0) >= 0) return emit(0xC0 | conditionField(0) << 3);
        return bad();
    }

    bool rst() {
        if (!count(1) || !isValue(0)) return bad();
        int64_t v = 0;
        if (!value(ops_[0].expr, v)) return false;
        if (context_.checkRanges && (v < 0 || v > 0x38 || (v & 7) != 0)) {
            error_ = "rst vector " + std::to_string(v) + " is not one of 0x00, 0x08, ... 0x38";
            return false;
        }
        return emit(0xC7 | static_cast<int>(v & 0x38));
    }

    bool cbShift(int shift) {
        if (!count(1)) return false;
        const int r = reg8Field(ops_[0]);
        if (r < 0) return bad();
        return emit(0xCB) && emit(shift << 3 | r);
    }

    bool cbBit(int group) {
        if (!count(2) || !isValue(0)) return bad();
        const int r = reg8Field(ops_[1]);
        if (r < 0) return bad();
        int64_t bit = 0;
        if (!value(ops_[0].expr, bit)) return false;
        if (context_.checkRanges && (bit < 0 || bit > 7)) {
            error_ = "bit number " + std::to_string(bit) + " out of range 0..7";
            return false;
        }
        return emit(0xCB) && emit(group | static_cast<int>(bit & 7) << 3 | r);
    }
};

}  // namespace

bool encodeInstruction(std::string_view mnemonic, const std::vector<std::string>& operands,
                       const EncodeContext& context, std::vector<uint8_t>& out,
                       std::string& error) {
    Encoder encoder(mnemonic, operands, context, out, error);
    return encoder.run();
}

}  // namespace sm83
