// Alternative spellings of operands and mnemonics, labels and forward references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/assembler/assemble_helpers.h"

namespace sm83 {
namespace {

using testing::bytesAt;

struct Spelling {
    const char* source;
    std::vector<uint8_t> bytes;
};

TEST(SyntaxTest, AlternativeSpellingsEncodeAlike) {
    const Spelling cases[] = {
        {"ld (hli),a", {0x22}},
        {"ld [hl+],a", {0x22}},
        {"ldi (hl),a", {0x22}},
        {"ld a,[hld]", {0x3A}},
        {"ldd a,(hl)", {0x3A}},
        {"ldi a,[hl]", {0x2A}},
        {"ldd [hl],a", {0x32}},
        {"ld a,($ff00+c)", {0xF2}},
        {"ld [0xFF00 + C],a", {0xE2}},
        {"ldh (c),a", {0xE2}},
        {"ldh a,[c]", {0xF2}},
        {"ldh (0xff44),a", {0xE0, 0x44}},  // the full high-page address
        {"ldh a,($44)", {0xF0, 0x44}},     // or only its low byte
        {"ld hl,sp + 5", {0xF8, 0x05}},
        {"ldhl sp,-1", {0xF8, 0xFF}},
        {"jp (hl)", {0xE9}},
        {"jp [HL]", {0xE9}},
        {"add b", {0x80}},
        {"adc $10", {0xCE, 0x10}},
        {"sbc a,(hl)", {0x9E}},
        {"cp a,a", {0xBF}},
        {"Ld   A , B", {0x78}},
        {"ld a,(1+2)*3", {0x3E, 0x09}},  // brackets inside an immediate are not memory
        {"ld a,(1+2)", {0xFA, 0x03, 0x00}},
        {"ld a,-1", {0x3E, 0xFF}},
        {"ld bc,-2", {0x01, 0xFE, 0xFF}},
        {"rst $38", {0xFF}},
        {".db 1", {0x01}},
        {"ld a,'\\n'", {0x3E, 0x0A}},
        {"ld a,','  ; a comma in quotes", {0x3E, ','}},
    };
    for (const Spelling& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(bytesAt(c.source, 0, c.bytes.size()), c.bytes);
    }
}

TEST(SyntaxTest, LabelsResolveBackwardAndForward) {
    const char* source =
        "start:\n"             // 0x0000
        "    jp forward\n"     // 0x0000: C3 lo hi
        "    call start\n"     // 0x0003: CD 00 00
        "    ld hl,table+1\n"  // 0x0006: 21 lo hi
        "forward: nop\n"       // 0x0009
        "    jr start\n"       // 0x000A: 18 F4
        "table:: db 1,2\n";    // 0x000C
    const std::vector<uint8_t> expected = {0xC3, 0x09, 0x00, 0xCD, 0x00, 0x00, 0x21,
                                           0x0D, 0x00, 0x00, 0x18, 0xF4, 0x01, 0x02};
    EXPECT_EQ(bytesAt(source, 0, expected.size()), expected);
}

TEST(SyntaxTest, WindowsLineEndsAndTabsAreWhitespace) {
    EXPECT_EQ(bytesAt("\tnop\r\nhere:\tld a,\t1 ; c\r\n\tjr here\r\n", 0, 5),
              (std::vector<uint8_t>{0x00, 0x3E, 0x01, 0x18, 0xFC}));
}

TEST(SyntaxTest, LocalLabelsBelongToTheirGlobalLabel) {
    const char* source =
        "first:\n"
        ".loop: dec a\n"     // 0x0000
        "    jr nz,.loop\n"  // 0x0001: 20 FD
        "second:\n"
        "    nop\n"             // 0x0003
        ".loop: dec b\n"        // 0x0004
        "    jr nz,.loop\n"     // 0x0005: 20 FD
        "    jp first.loop\n";  // 0x0007: C3 00 00
    const std::vector<uint8_t> expected = {0x3D, 0x20, 0xFD, 0x00, 0x05,
                                           0x20, 0xFD, 0xC3, 0x00, 0x00};
    EXPECT_EQ(bytesAt(source, 0, expected.size()), expected);
}

TEST(SyntaxTest, ConstantsMayReferToLaterLabelsAndConstants) {
    const char* source =
        "SIZE equ END - BEGIN\n"
        "TWICE: equ SIZE * 2\n"
        "    ld a,TWICE\n"
        "    ld b,HERE\n"
        "HERE equ $\n"  // the address where the constant stands: 0x0004
        "BEGIN: ds 3\n"
        "END:\n";
    EXPECT_EQ(bytesAt(source, 0, 4), (std::vector<uint8_t>{0x3E, 0x06, 0x06, 0x04}));
}

TEST(SyntaxTest, JrRangeEdges) {
    struct Edge {
        const char* source;
        bool ok;
        size_t offsetAt;     // image offset of the displacement byte when ok
        uint8_t offset;      // expected displacement when ok
        const char* prefix;  // expected start of the error otherwise
    };
    const Edge edges[] = {
        {"jr fwd\nds 127\nfwd:", true, 1, 0x7F, ""},
        {"jr fwd\nds 128\nfwd:", false, 0, 0, "line 1: "},
        {"back: ds 126\njr back", true, 127, 0x80, ""},
        {"back: ds 127\njr back", false, 0, 0, "line 2: "},
        {"here: jr c,here", true, 1, 0xFE, ""},
        {"nop\n\n jr nz,0x0200", false, 0, 0, "line 3: "},
    };
    for (const Edge& e : edges) {
        SCOPED_TRACE(e.source);
        const AssemblyResult r = assemble(e.source);
        ASSERT_EQ(r.ok, e.ok) << r.error;
        if (e.ok) {
            EXPECT_EQ(r.image[e.offsetAt], e.offset);
        } else {
            EXPECT_EQ(r.error.rfind(e.prefix, 0), 0u) << r.error;
            EXPECT_NE(r.error.find("out of range"), std::string::npos) << r.error;
        }
    }
}

}  // namespace
}  // namespace sm83
