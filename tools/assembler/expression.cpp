#include "tools/assembler/expression.h"

#include <cctype>
#include <limits>

namespace sm83 {

namespace {

constexpr int kMaxDepth = 64;

bool isIdentStart(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalpha(u) || c == '_' || c == '.';
}

bool isIdentChar(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '.';
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

std::string lowerCopy(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Wrapping arithmetic on 64-bit values, so no input can overflow a signed integer.
int64_t wrapAdd(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}
int64_t wrapSub(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}
int64_t wrapMul(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

class Parser {
public:
    Parser(std::string_view text, const ExpressionContext& context, std::string& error)
        : text_(text), context_(context), error_(error) {}

    bool parse(ExpressionValue& result) {
        skipSpace();
        if (atEnd()) return fail("missing expression");
        int64_t v = 0;
        if (!parseOr(v)) return false;
        skipSpace();
        if (!atEnd())
            return fail("unexpected '" + std::string(text_.substr(pos_)) + "' in expression");
        result.value = v;
        result.resolved = resolved_;
        return true;
    }

private:
    std::string_view text_;
    const ExpressionContext& context_;
    std::string& error_;
    size_t pos_ = 0;
    int depth_ = 0;
    bool resolved_ = true;

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    void skipSpace() {
        while (!atEnd() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    bool fail(const std::string& message) {
        if (error_.empty()) error_ = message;
        return false;
    }
    // Consumes `op` when it comes next and is not the start of a longer operator.
    bool accept(std::string_view op) {
        skipSpace();
        if (text_.substr(pos_, op.size()) != op) return false;
        pos_ += op.size();
        return true;
    }

    bool parseOr(int64_t& v) {
        if (!parseXor(v)) return false;
        while (true) {
            skipSpace();
            if (peek() == '|' && peek(1) != '|') {
                ++pos_;
                int64_t r = 0;
                if (!parseXor(r)) return false;
                v |= r;
            } else {
                return true;
            }
        }
    }
    bool parseXor(int64_t& v) {
        if (!parseAnd(v)) return false;
        while (accept("^")) {
            int64_t r = 0;
            if (!parseAnd(r)) return false;
            v ^= r;
        }
        return true;
    }
    bool parseAnd(int64_t& v) {
        if (!parseShift(v)) return false;
        while (true) {
            skipSpace();
            if (peek() == '&' && peek(1) != '&') {
                ++pos_;
                int64_t r = 0;
                if (!parseShift(r)) return false;
                v &= r;
            } else {
                return true;
            }
        }
    }
    bool parseShift(int64_t& v) {
        if (!parseAdd(v)) return false;
        while (true) {
            bool left;
            if (accept("<<")) {
                left = true;
            } else if (accept(">>")) {
                left = false;
            } else {
                return true;
            }
            int64_t r = 0;
            if (!parseAdd(r)) return false;
            if (r < 0 || r > 63) {
                if (!resolved_) {
                    v = 0;
                    continue;
                }
                return fail("shift count " + std::to_string(r) + " out of range 0..63");
            }
            v = left ? static_cast<int64_t>(static_cast<uint64_t>(v) << r) : (v >> r);
        }
    }
    bool parseAdd(int64_t& v) {
        if (!parseMul(v)) return false;
        while (true) {
            skipSpace();
            const char c = peek();
            if (c != '+' && c != '-') return true;
            ++pos_;
            int64_t r = 0;
            if (!parseMul(r)) return false;
            v = c == '+' ? wrapAdd(v, r) : wrapSub(v, r);
        }
    }
    bool parseMul(int64_t& v) {
        if (!parseUnary(v)) return false;
        while (true) {
            skipSpace();
            const char c = peek();
            if (c != '*' && c != '/' && c != '%') return true;
            ++pos_;
            int64_t r = 0;
            if (!parseUnary(r)) return false;
            if (c == '*') {
                v = wrapMul(v, r);
                continue;
            }
            if (r == 0) {
                if (!resolved_) {
                    v = 0;
                    continue;
                }
                return fail("division by zero");
            }
            if (v == std::numeric_limits<int64_t>::min() && r == -1) {
                v = c == '/' ? v : 0;
                continue;
            }
            v = c == '/' ? v / r : v % r;
        }
    }
    bool parseUnary(int64_t& v) {
        if (++depth_ > kMaxDepth) return fail("expression nested too deeply");
        skipSpace();
        bool ok;
        const char c = peek();
        if (c == '-' || c == '+' || c == '~' || c == '!') {
            ++pos_;
            ok = parseUnary(v);
            if (ok && c == '-') v = wrapSub(0, v);
            if (ok && c == '~') v = ~v;
            if (ok && c == '!') v = v == 0 ? 1 : 0;
        } else {
            ok = parsePrimary(v);
        }
        --depth_;
        return ok;
    }

    bool parseNumber(int base, size_t start, int64_t& v) {
        uint64_t acc = 0;
        size_t digits = 0;
        while (!atEnd()) {
            const char ch = text_[pos_];
            if (ch == '_' && digits > 0) {  // digit separator: 0b1010_0101
                ++pos_;
                continue;
            }
            const int d = digitValue(ch);
            if (d >= base) break;
            if (acc > (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(d)) /
                          static_cast<uint64_t>(base)) {
                return fail("number '" + std::string(text_.substr(start, pos_ - start + 1)) +
                            "...' is too large");
            }
            acc = acc * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
            ++digits;
            ++pos_;
        }
        if (digits == 0) return fail("malformed number '" + std::string(text_.substr(start)) + "'");
        if (!atEnd() && isIdentChar(text_[pos_])) {
            return fail("malformed number '" + std::string(text_.substr(start)) + "'");
        }
        v = static_cast<int64_t>(acc);
        return true;
    }

    bool parseDecimalOrSuffixed(int64_t& v) {
        // Decimal, or hexadecimal with an 'h' suffix (0FFh).
        const size_t start = pos_;
        size_t end = pos_;
        while (end < text_.size() && std::isalnum(static_cast<unsigned char>(text_[end]))) ++end;
        const std::string_view word = text_.substr(start, end - start);
        if (word.size() > 1 && (word.back() == 'h' || word.back() == 'H')) {
            uint64_t acc = 0;
            for (size_t i = 0; i + 1 < word.size(); ++i) {
                const int d = digitValue(word[i]);
                if (d >= 16) return fail("malformed number '" + std::string(word) + "'");
                if (acc >> 60) return fail("number '" + std::string(word) + "' is too large");
                acc = acc * 16 + static_cast<uint64_t>(d);
            }
            pos_ = end;
            v = static_cast<int64_t>(acc);
            return true;
        }
        return parseNumber(10, start, v);
    }

    bool parsePrimary(int64_t& v) {
        skipSpace();
        if (atEnd()) return fail("missing value at the end of the expression");
        const size_t start = pos_;
        const char c = peek();
        if (c == '(') {
            ++pos_;
            if (!parseOr(v)) return false;
            skipSpace();
            if (peek() != ')') return fail("missing ')' in expression");
            ++pos_;
            return true;
        }
        if (c == '$') {
            ++pos_;
            if (digitValue(peek()) < 16) return parseNumber(16, start, v);
            v = context_.currentAddress;
            return true;
        }
        if (c == '%') {
            ++pos_;
            return parseNumber(2, start, v);
        }
        if (c == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
            pos_ += 2;
            return parseNumber(16, start, v);
        }
        if (c == '0' && (peek(1) == 'b' || peek(1) == 'B') && (peek(2) == '0' || peek(2) == '1')) {
            // 0b101 is binary unless the word ends in 'h' (0b1h is hexadecimal).
            size_t end = pos_;
            while (end < text_.size() && std::isalnum(static_cast<unsigned char>(text_[end])))
                ++end;
            const char last = text_[end - 1];
            if (last != 'h' && last != 'H') {
                pos_ += 2;
                return parseNumber(2, start, v);
            }
        }
        if (c >= '0' && c <= '9') return parseDecimalOrSuffixed(v);
        if (c == '\'') {
            ++pos_;
            uint8_t ch = 0;
            if (atEnd() || peek() == '\'') return fail("empty character literal");
            if (!readQuotedChar(text_, pos_, ch)) return fail("bad escape in character literal");
            if (peek() != '\'') return fail("unterminated character literal");
            ++pos_;
            v = ch;
            return true;
        }
        if (isIdentStart(c)) {
            size_t end = pos_;
            while (end < text_.size() && isIdentChar(text_[end])) ++end;
            const std::string_view name = text_.substr(pos_, end - pos_);
            pos_ = end;
            skipSpace();
            const std::string lower = lowerCopy(name);
            if (peek() == '(' && (lower == "high" || lower == "low" || lower == "bank")) {
                ++pos_;
                if (lower == "bank") return parseBankCall(v);
                if (!parseOr(v)) return false;
                skipSpace();
                if (peek() != ')') return fail("missing ')' after " + lower + "(");
                ++pos_;
                v = lower == "high" ? (v >> 8) & 0xFF : v & 0xFF;
                return true;
            }
            return lookUp(name, v);
        }
        return fail("unexpected '" + std::string(text_.substr(pos_)) + "' in expression");
    }

    bool parseBankCall(int64_t& v) {
        skipSpace();
        size_t end = pos_;
        while (end < text_.size() && isIdentChar(text_[end])) ++end;
        if (end == pos_ || !isIdentStart(text_[pos_])) return fail("bank() takes a label name");
        const std::string_view name = text_.substr(pos_, end - pos_);
        pos_ = end;
        skipSpace();
        if (peek() != ')') return fail("missing ')' after bank(");
        ++pos_;
        if (!context_.bank) return fail("bank() is not available here");
        std::string lookupError;
        switch (context_.bank(name, v, lookupError)) {
            case LookupResult::Found: return true;
            case LookupResult::Failed: return fail(lookupError);
            case LookupResult::Undefined: break;
        }
        if (context_.allowUndefined) {
            resolved_ = false;
            v = 0;
            return true;
        }
        return fail("undefined label '" + std::string(name) + "'");
    }

    bool lookUp(std::string_view name, int64_t& v) {
        std::string lookupError;
        const LookupResult r =
            context_.symbol ? context_.symbol(name, v, lookupError) : LookupResult::Undefined;
        if (r == LookupResult::Found) return true;
        if (r == LookupResult::Failed) return fail(lookupError);
        if (context_.allowUndefined) {
            resolved_ = false;
            v = 0;
            return true;
        }
        return fail("undefined symbol '" + std::string(name) + "'");
    }
};

}  // namespace

bool readQuotedChar(std::string_view text, size_t& pos, uint8_t& out) {
    if (pos >= text.size()) return false;
    const char c = text[pos++];
    if (c != '\\') {
        out = static_cast<uint8_t>(c);
        return true;
    }
    if (pos >= text.size()) return false;
    const char e = text[pos++];
    switch (e) {
        case 'n': out = '\n'; return true;
        case 't': out = '\t'; return true;
        case 'r': out = '\r'; return true;
        case '0': out = 0; return true;
        case '\\': out = '\\'; return true;
        case '\'': out = '\''; return true;
        case '"': out = '"'; return true;
        case 'x': {
            if (pos + 2 > text.size()) return false;
            const int hi = digitValue(text[pos]);
            const int lo = digitValue(text[pos + 1]);
            if (hi >= 16 || lo >= 16) return false;
            out = static_cast<uint8_t>(hi * 16 + lo);
            pos += 2;
            return true;
        }
        default: return false;
    }
}

bool evaluateExpression(std::string_view text, const ExpressionContext& context,
                        ExpressionValue& result, std::string& error) {
    Parser parser(text, context, error);
    return parser.parse(result);
}

}  // namespace sm83
