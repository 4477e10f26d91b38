// Every failure names its line; no input, however broken, crashes the assembler.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/tools/assembler/assemble_helpers.h"

namespace sm83 {
namespace {

TEST(ErrorTest, MessagesNameTheLine) {
    struct Case {
        const char* source;
        const char* message;  // the whole expected start of the error
    };
    const Case cases[] = {
        {"nop\nfrobnicate a", "line 2: unknown mnemonic 'frobnicate'"},
        {"ld a", "line 1: bad operands for 'ld'"},
        {"ld (hl),(hl)", "line 1: bad operands for 'ld'"},
        {"ld (bc),b", "line 1: bad operands for 'ld'"},
        {"push sp", "line 1: bad operands for 'push'"},
        {"inc af", "line 1: bad operands for 'inc'"},
        {"add hl,af", "line 1: bad operands for 'add'"},
        {"jr z,c,2", "line 1: bad operands for 'jr'"},
        {"ret nz,z", "line 1: bad operands for 'ret'"},
        {"nop 1", "line 1: bad operands for 'nop'"},
        {"swap 3", "line 1: bad operands for 'swap'"},
        {"bit a,b", "line 1: bad operands for 'bit'"},
        {"\n\njp missing", "line 3: undefined symbol 'missing'"},
        {"x: nop\nx: nop", "line 2: duplicate label 'x' (first defined on line 1)"},
        {"k equ 1\nk equ 2", "line 2: duplicate symbol 'k' (first defined on line 1)"},
        {"k equ 1\nk: nop", "line 2: duplicate label 'k'"},
        {"ld a,256", "line 1: value 256 out of range for an 8-bit operand"},
        {"ld a,-129", "line 1: value -129 out of range"},
        {"ld bc,0x10000", "line 1: value 65536 out of range for a 16-bit operand"},
        {"add sp,128", "line 1: value 128 out of range for a signed 8-bit offset"},
        {"ld hl,sp-129", "line 1: value -129 out of range"},
        {"ldh a,(0xFE00)", "line 1: value 65024 out of range for ldh"},
        {"db 300", "line 1: value 300 out of range for a byte"},
        {"dw 70000", "line 1: value 70000 out of range for a word"},
        {"rst 3", "line 1: rst vector 3 is not one of"},
        {"rst 0x40", "line 1: rst vector 64"},
        {"bit 8,a", "line 1: bit number 8 out of range"},
        {"set -1,a", "line 1: bit number -1 out of range"},
        {"org 0x7FFF\nld a,1", "line 2: output beyond the end of the image"},
        {"ds 0x8001", "line 1: output beyond the end of the image"},
        {"org 0x10000", "line 1: org 0x10000 is outside"},
        {"ds later\nlater:", "line 1: undefined symbol 'later' (it must be defined before"},
        {"db 1\norg 0\ndb 2",
         "line 3: output overlaps bytes already placed at image offset 0x0000"},
        {"a equ 1", "line 1: 'a' is a reserved name"},
        {"hl: nop", "line 1: 'hl' is a reserved name"},
        {"p equ q\nq equ p\nld a,p", "line 1: circular definition"},
        {"db \"open", "line 1: unterminated string"},
        {"ld a,(b", "line 1: unbalanced brackets"},
        {"ld a,b)", "line 1: unbalanced ')'"},
        {"ld a,,b", "line 1: empty operand"},
        {"1abc: nop", "line 1: malformed label"},
        {"x: equ\n", "line 1: missing value for 'x'"},
        {"header type=256", "line 1: header type value 256 out of range"},
        {"header mapper=1", "line 1: unknown header key 'mapper'"},
        {"ld a,1/0", "line 1: division by zero"},
        {"ld a,bank(K)\nK equ 1", "line 1: bank() needs a label"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const std::string error = testing::errorOf(c.source);
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << "got: " << error;
    }
}

TEST(ErrorTest, AFailedAssemblyStillNamesOnlyTheFirstBadLine) {
    const AssemblyResult r = assemble("nop\nbogus1\nbogus2\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "line 2: unknown mnemonic 'bogus1'");
}

// Lines built from fragments of real syntax, and lines of random bytes. The assembler must
// return normally for every one (sanitizer builds turn any memory fault into a failure), and
// a failure must carry a message naming its line.
TEST(ErrorTest, RandomLinesNeverCrash) {
    const std::vector<std::string> fragments = {
        "ld",     "jr",    "jp",    "db",    "dw",    "ds",   "org", "bank",
        "header", "equ",   "a",     "hl",    "(hl)",  "[hl+", "(c)", "sp+",
        "sp-",    "$",     "%",     "0x",    "0b",    "'",    "\"",  "\\",
        ",",      ":",     ";",     "(",     ")",     "[",    "]",   "+",
        "-",      "*",     "/",     "<<",    ">>",    "&",    "|",   "^",
        "~",      "high(", "low(",  "bank(", "label", ".loc", "=",   "9999999999999999999999",
        "255",    "-128",  "nz",    "c",     "rst",   "bit",  "7",   "set",
        "swap",   "ldh",   "add",   "sp",    "af",    "\t",   " ",   "\r",
        "ffh",    "type=", "align", "call"};
    std::mt19937 random(1234);
    int failures = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string source;
        const int lines = 1 + static_cast<int>(random() % 6);
        for (int l = 0; l < lines; ++l) {
            const int pieces = static_cast<int>(random() % 8);
            for (int p = 0; p < pieces; ++p) {
                if (random() % 5 == 0) {
                    source += static_cast<char>(random() % 256);
                } else {
                    source += fragments[random() % fragments.size()];
                    if (random() % 2) source += ' ';
                }
            }
            source += '\n';
        }
        const AssemblyResult r = assemble(source, 0x8000);
        if (r.ok) {
            EXPECT_EQ(r.image.size(), 0x8000u);
        } else {
            ++failures;
            EXPECT_EQ(r.error.rfind("line ", 0), 0u) << r.error;
        }
    }
    // Nearly all random lines are nonsense; if none failed the generator is broken.
    EXPECT_GT(failures, 2000);
}

}  // namespace
}  // namespace sm83
