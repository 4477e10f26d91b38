// Integer expressions of the assembler: numbers, characters, symbols, the current address,
// operators and the functions high(), low() and bank().
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sm83 {

enum class LookupResult { Found, Undefined, Failed };

struct ExpressionContext {
    // Looks a symbol up; Failed means `error` has been filled in (e.g. a circular definition).
    std::function<LookupResult(std::string_view name, int64_t& value, std::string& error)> symbol;
    // Bank number of a label, for bank(name).
    std::function<LookupResult(std::string_view name, int64_t& bank, std::string& error)> bank;
    int64_t currentAddress = 0;  // the value of a lone `$`
    // When set, undefined symbols evaluate as 0 instead of failing (the first pass, where
    // forward references are not known yet).
    bool allowUndefined = false;
};

struct ExpressionValue {
    int64_t value = 0;
    bool resolved = true;  // false when an undefined symbol was taken as 0
};

// Evaluates a whole expression; false with a message in `error` when it is malformed.
bool evaluateExpression(std::string_view text, const ExpressionContext& context,
                        ExpressionValue& result, std::string& error);

// Reads one character of a quoted literal at text[pos] (handling backslash escapes) and
// moves pos past it. False on a dangling backslash or an unknown escape.
bool readQuotedChar(std::string_view text, size_t& pos, uint8_t& out);

}  // namespace sm83
