// One line of assembler source taken apart: an optional label, then either a constant
// definition (NAME equ VALUE) or a mnemonic or directive with comma-separated operands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sm83 {

struct SourceLine {
    std::string label;                  // without the colon; empty when none
    std::string constantName;           // set for NAME equ VALUE and NAME = VALUE
    std::string mnemonic;               // lower case; empty for a label-only or blank line
    std::vector<std::string> operands;  // trimmed, original case
};

// False with a message when the line cannot be taken apart (unterminated string, unbalanced
// brackets, a malformed label).
bool splitSourceLine(std::string_view text, SourceLine& line, std::string& error);

bool isIdentifier(std::string_view name);

std::string toLower(std::string_view text);
std::string_view trim(std::string_view text);

}  // namespace sm83
