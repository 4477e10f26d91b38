// Expression evaluation: literals, operators with their precedence, functions, symbols.
#include "tools/assembler/expression.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/tools/assembler/assemble_helpers.h"

namespace sm83 {
namespace {

bool eval(const std::string& text, int64_t& value, std::string& error,
          bool allowUndefined = false) {
    ExpressionContext context;
    context.currentAddress = 0x150;
    context.allowUndefined = allowUndefined;
    context.symbol = [](std::string_view name, int64_t& v, std::string&) {
        if (name == "label") {
            v = 0x4321;
            return LookupResult::Found;
        }
        return LookupResult::Undefined;
    };
    ExpressionValue result;
    const bool ok = evaluateExpression(text, context, result, error);
    value = result.value;
    return ok;
}

TEST(ExpressionTest, ValuesAndPrecedence) {
    struct Case {
        const char* text;
        int64_t value;
    };
    const Case cases[] = {
        {"42", 42},
        {"0x1F", 0x1F},
        {"0XfF", 0xFF},
        {"$ff", 0xFF},
        {"0FFh", 0xFF},
        {"%1010", 10},
        {"0b0101_0101", 0x55},
        {"'A'", 65},
        {"'\\''", '\''},
        {"'\\x7f'", 0x7F},
        {"$", 0x150},
        {"$ + 3", 0x153},
        {"label", 0x4321},
        {"high(label)", 0x43},
        {"LOW(label)", 0x21},
        {"high(-1)", 0xFF},
        {"1 + 2 * 3", 7},
        {"(1 + 2) * 3", 9},
        {"10 - 4 - 3", 3},
        {"100 / 7", 14},
        {"100 % 7", 2},
        {"-5 / 2", -2},
        {"1 << 4 | 1", 17},
        {"0xF0 & 0x3C ^ 0x0F", (0xF0 & 0x3C) ^ 0x0F},
        {"1 + 1 << 2", 8},  // shifts bind more loosely than + and -
        {"-(3)", -3},
        {"~0 & 0xFF", 0xFF},
        {"- - 2", 2},
        {"0x8000 >> 15", 1},
        {"-16 >> 2", -4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int64_t v = 0;
        std::string error;
        ASSERT_TRUE(eval(c.text, v, error)) << error;
        EXPECT_EQ(v, c.value);
    }
}

TEST(ExpressionTest, MalformedExpressionsFailWithAMessage) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "missing expression"},
        {"1 +", "missing value"},
        {"(1 + 2", "missing ')'"},
        {"1 / 0", "division by zero"},
        {"1 % (2 - 2)", "division by zero"},
        {"1 << 64", "shift count"},
        {"1 >> -1", "shift count"},
        {"nowhere", "undefined symbol 'nowhere'"},
        {"0x", "malformed number"},
        {"12ab", "malformed number"},
        {"99999999999999999999999", "too large"},
        {"''", "empty character literal"},
        {"'ab'", "unterminated character literal"},
        {"3 4", "unexpected"},
        {"high 3", "undefined symbol 'high'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int64_t v = 0;
        std::string error;
        EXPECT_FALSE(eval(c.text, v, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

TEST(ExpressionTest, UndefinedSymbolsAreZeroOnlyWhenAllowed) {
    int64_t v = 99;
    std::string error;
    ASSERT_TRUE(eval("later + 2", v, error, true)) << error;
    EXPECT_EQ(v, 2);
    // A division by a symbol not known yet must not fail while labels are being collected.
    ASSERT_TRUE(eval("4 / later", v, error, true)) << error;
}

TEST(ExpressionTest, DeepNestingIsRefusedRatherThanOverflowingTheStack) {
    int64_t v = 0;
    std::string error;
    const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
    EXPECT_FALSE(eval(deep, v, error));
    EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;
    const std::string unary = std::string(100000, '-') + "1";
    EXPECT_FALSE(eval(unary, v, error));
}

TEST(ExpressionTest, ExpressionsInInstructionOperands) {
    // high()/low() of a label defined later, through the whole assembler.
    const auto bytes = testing::bytesAt(
        "ld a,high(data)\nld b,low(data)\nld c,bank(data)\norg 0x4567\ndata: db 0", 0, 6);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x3E, 0x45, 0x06, 0x67, 0x0E, 0x01}));
}

}  // namespace
}  // namespace sm83
