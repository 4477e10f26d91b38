#include "tools/assembler/source_line.h"

#include <cctype>

namespace sm83 {

namespace {

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool isIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

bool isIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// Skips a quoted string or character starting at text[pos] (the quote); false when it is
// never closed.
bool skipQuoted(std::string_view text, size_t& pos) {
    const char quote = text[pos++];
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '\\') {
            ++pos;
        } else if (c == quote) {
            return true;
        }
    }
    return false;
}

// The line without its comment; a ';' inside quotes does not start one.
bool stripComment(std::string_view text, std::string_view& code, std::string& error) {
    size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == ';') break;
        if (c == '"' || c == '\'') {
            if (!skipQuoted(text, pos)) {
                error = c == '"' ? "unterminated string" : "unterminated character literal";
                return false;
            }
            continue;
        }
        ++pos;
    }
    code = text.substr(0, pos);
    return true;
}

bool splitOperands(std::string_view text, std::vector<std::string>& out, std::string& error) {
    int depth = 0;
    size_t start = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '"' || c == '\'') {
            skipQuoted(text, pos);  // already known to be closed
            continue;
        }
        if (c == '(' || c == '[') ++depth;
        if (c == ')' || c == ']') {
            if (--depth < 0) {
                error = std::string("unbalanced '") + c + "'";
                return false;
            }
        }
        if (c == ',' && depth == 0) {
            out.emplace_back(trim(text.substr(start, pos - start)));
            start = pos + 1;
        }
        ++pos;
    }
    if (depth != 0) {
        error = "unbalanced brackets";
        return false;
    }
    out.emplace_back(trim(text.substr(start)));
    for (const std::string& operand : out) {
        if (operand.empty()) {
            error = "empty operand";
            return false;
        }
    }
    return true;
}

}  // namespace

std::string toLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool isIdentifier(std::string_view name) {
    if (name.empty() || !isIdentStart(name[0])) return false;
    for (char c : name)
        if (!isIdentChar(c)) return false;
    return true;
}

bool splitSourceLine(std::string_view text, SourceLine& line, std::string& error) {
    line = SourceLine{};
    std::string_view code;
    if (!stripComment(text, code, error)) return false;
    code = trim(code);
    if (code.empty()) return true;

    // The first word: a label when a colon follows it directly.
    size_t end = 0;
    while (end < code.size() && isIdentChar(code[end])) ++end;
    std::string_view first = code.substr(0, end);
    if (end < code.size() && code[end] == ':') {
        if (!isIdentifier(first)) {
            error = "malformed label '" + std::string(code.substr(0, end)) + "'";
            return false;
        }
        line.label = std::string(first);
        ++end;
        if (end < code.size() && code[end] == ':') ++end;  // "name::" is accepted too
        code = trim(code.substr(end));
        if (code.empty()) return true;
        end = 0;
        while (end < code.size() && isIdentChar(code[end])) ++end;
        first = code.substr(0, end);
    }
    if (first.empty()) {
        error = "expected a mnemonic, found '" + std::string(code) + "'";
        return false;
    }
    std::string_view rest = trim(code.substr(end));

    // "NAME: equ VALUE" defines a constant as well.
    if (!line.label.empty() && toLower(first) == "equ") {
        line.constantName = std::move(line.label);
        line.label.clear();
        if (rest.empty()) {
            error = "missing value for '" + line.constantName + "'";
            return false;
        }
        line.operands.emplace_back(rest);
        return true;
    }

    // NAME equ VALUE / NAME = VALUE
    size_t word = 0;
    while (word < rest.size() && isIdentChar(rest[word])) ++word;
    const bool isEqu = word == 3 && toLower(rest.substr(0, 3)) == "equ" &&
                       (word == rest.size() || isSpace(rest[word]));
    const bool isAssign = !rest.empty() && rest[0] == '=' && (rest.size() < 2 || rest[1] != '=');
    if (isEqu || isAssign) {
        if (!line.label.empty()) {
            error = "a constant cannot also carry a label";
            return false;
        }
        if (!isIdentifier(first)) {
            error = "malformed constant name '" + std::string(first) + "'";
            return false;
        }
        line.constantName = std::string(first);
        rest = trim(rest.substr(isEqu ? 3 : 1));
        if (rest.empty()) {
            error = "missing value for '" + line.constantName + "'";
            return false;
        }
        line.operands.emplace_back(rest);
        return true;
    }

    line.mnemonic = toLower(first);
    if (rest.empty()) return true;
    return splitOperands(rest, line.operands, error);
}

}  // namespace sm83
