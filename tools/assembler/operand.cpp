#include "tools/assembler/operand.h"

#include <cctype>

#include "tools/assembler/source_line.h"

namespace sm83 {

namespace {

std::string compactLower(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// True when text is entirely one bracketed group: "(x)" or "[x]", not "(a)+(b)".
bool isWhollyBracketed(std::string_view text) {
    if (text.size() < 2) return false;
    const char open = text.front();
    const char close = open == '(' ? ')' : open == '[' ? ']' : '\0';
    if (close == '\0' || text.back() != close) return false;
    int depth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            // Skip a quoted character or string.
            const char quote = c;
            for (++i; i < text.size() && text[i] != quote; ++i)
                if (text[i] == '\\') ++i;
            continue;
        }
        if (c == '(' || c == '[') ++depth;
        if (c == ')' || c == ']') --depth;
        if (depth == 0 && i + 1 < text.size()) return false;
    }
    return depth == 0;
}

int reg8Index(std::string_view name) {
    static constexpr std::string_view kNames[] = {"b", "c", "d", "e", "h", "l", "", "a"};
    for (int i = 0; i < 8; ++i)
        if (i != 6 && name == kNames[i]) return i;
    return -1;
}

int reg16Index(std::string_view name) {
    static constexpr std::string_view kNames[] = {"bc", "de", "hl", "sp", "af"};
    for (int i = 0; i < 5; ++i)
        if (name == kNames[i]) return i;
    return -1;
}

}  // namespace

Operand classifyOperand(std::string_view text) {
    text = trim(text);
    Operand op;
    const std::string compact = compactLower(text);
    if (const int r = reg8Index(compact); r >= 0) {
        op.kind = OperandKind::Reg8;
        op.reg = r;
        return op;
    }
    if (const int r = reg16Index(compact); r >= 0) {
        op.kind = OperandKind::Reg16;
        op.reg = r;
        return op;
    }
    if (compact == "nz" || compact == "z" || compact == "nc") {
        op.kind = OperandKind::Condition;
        op.reg = compact == "nz" ? 0 : compact == "z" ? 1 : 2;
        return op;
    }
    if (isWhollyBracketed(text)) {
        const std::string_view inner = trim(text.substr(1, text.size() - 2));
        const std::string in = compactLower(inner);
        if (in == "bc") {
            op.kind = OperandKind::MemBC;
        } else if (in == "de") {
            op.kind = OperandKind::MemDE;
        } else if (in == "hl") {
            op.kind = OperandKind::MemHL;
        } else if (in == "hl+" || in == "hli") {
            op.kind = OperandKind::MemHLI;
        } else if (in == "hl-" || in == "hld") {
            op.kind = OperandKind::MemHLD;
        } else if (in == "c" || in == "$ff00+c" || in == "0xff00+c" || in == "0ff00h+c" ||
                   in == "ff00h+c") {
            op.kind = OperandKind::MemC;
        } else {
            op.kind = OperandKind::MemImm;
            op.expr = std::string(inner);
        }
        return op;
    }
    if (compact.size() > 2 && compact.compare(0, 2, "sp") == 0 &&
        (compact[2] == '+' || compact[2] == '-')) {
        op.kind = OperandKind::SpOffset;
        op.expr = std::string(trim(trim(text).substr(2)));
        return op;
    }
    op.kind = OperandKind::Immediate;
    op.expr = std::string(text);
    return op;
}

int reg8Field(const Operand& operand) {
    if (operand.kind == OperandKind::Reg8) return operand.reg;
    if (operand.kind == OperandKind::MemHL) return 6;
    return -1;
}

}  // namespace sm83
