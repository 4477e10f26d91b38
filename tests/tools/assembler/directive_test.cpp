// org, bank, db, dw, ds, align and header.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/assembler/assemble_helpers.h"

namespace sm83 {
namespace {

using testing::bytesAt;

TEST(DirectiveTest, DataDirectives) {
    struct Case {
        const char* source;
        size_t offset;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"db 1, -1, 255, 'x'", 0, {0x01, 0xFF, 0xFF, 'x'}},
        {"db \"Hi, \\\"you\\\";\\0\", 7",
         0,
         {'H', 'i', ',', ' ', '"', 'y', 'o', 'u', '"', ';', 0, 7}},
        {"dw 0x1234, -2, label\nlabel:", 0, {0x34, 0x12, 0xFE, 0xFF, 0x06, 0x00}},
        {"ds 3, 0xAA\ndb 1", 0, {0xAA, 0xAA, 0xAA, 0x01}},
        {"ds 2\ndb 9", 0, {0x00, 0x00, 0x09}},
        {"db 1\nalign 4, 0xEE\ndb 2", 0, {0x01, 0xEE, 0xEE, 0xEE, 0x02}},
        {"align 8\ndb 3", 0, {0x03}},  // already aligned: no padding
        {"org 0x150\nmain: jp main", 0x150, {0xC3, 0x50, 0x01}},
        {"org $100\ndb 7\norg $0200\nld a,1", 0x100, {0x07, 0x00}},
        {"org $100\nnop\norg $0200\nld a,1", 0x200, {0x3E, 0x01}},
        {"byte 5\nword 6\ndefb 7\ndefw 8\ndefs 1, 9", 0, {5, 6, 0, 7, 8, 0, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(bytesAt(c.source, c.offset, c.bytes.size()), c.bytes);
    }
}

TEST(DirectiveTest, BankPlacesDataInHighBankWithWindowAddresses) {
    // A 128 KB image: code in bank 0 refers to data in bank 5, which the CPU sees at
    // 0x4000-0x7FFF once bank 5 is switched in, but which lies at image offset 5 * 0x4000.
    const char* source =
        "    ld a,bank(tiles)\n"  // 3E 05
        "    ld hl,tiles\n"       // 21 10 40
        "    ld de,after\n"       // 11 13 40
        "bank 5\n"
        "org 0x4010\n"
        "tiles: db 1, 2, 3\n"
        "after: dw $\n"  // the window address 0x4013
        "bank 1\n"
        "one: db 0x11\n"
        "bank 0\n"
        "org 0x0100\n"
        "    jp one\n";
    const AssemblyResult r = assemble(source, 0x20000);
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<uint8_t> code(r.image.begin(), r.image.begin() + 8);
    EXPECT_EQ(code, (std::vector<uint8_t>{0x3E, 0x05, 0x21, 0x10, 0x40, 0x11, 0x13, 0x40}));
    EXPECT_EQ(r.image[5 * 0x4000 + 0x10], 1);
    EXPECT_EQ(r.image[5 * 0x4000 + 0x12], 3);
    EXPECT_EQ(r.image[5 * 0x4000 + 0x13], 0x13);
    EXPECT_EQ(r.image[5 * 0x4000 + 0x14], 0x40);
    EXPECT_EQ(r.image[0x4000], 0x11);  // bank 1 starts at its window base by default
    EXPECT_EQ(r.image[0x0100], 0xC3);
    EXPECT_EQ(r.image[0x0101], 0x00);
    EXPECT_EQ(r.image[0x0102], 0x40);
    EXPECT_EQ(r.image[0x0010], 0x00);  // nothing of bank 5 leaked into the window offsets
}

TEST(DirectiveTest, BankLimitsAreEnforced) {
    struct Case {
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {"bank 1\norg 0x3FFF", "outside bank 1"},
        {"bank 0\norg 0x4000", "outside bank 0"},
        {"bank 1\norg 0x7FFF\ndw 1", "past the end of bank 1"},
        {"bank 0\norg 0x3FFF\nld a,1", "past the end of bank 0"},
        {"bank 2", "beyond the image"},  // 32 KB image: banks 0 and 1 only
        {"bank -1", "out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const std::string error = testing::errorOf(c.source);
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

TEST(DirectiveTest, HeaderDirectiveMatchesApplyHeader) {
    const AssemblyResult r =
        assemble("header type=0x03, rom=0x01, ram=3, colour=0x80\norg 0x100\nnop", 0x8000);
    ASSERT_TRUE(r.ok) << r.error;
    std::vector<uint8_t> expected(0x8000, 0);
    applyHeader(expected, CartridgeHeader{0x80, 0x03, 0x01, 0x03});
    EXPECT_EQ(r.image, expected);
    EXPECT_EQ(r.image[0x143], 0x80);
    EXPECT_EQ(r.image[0x147], 0x03);
    EXPECT_EQ(r.image[0x148], 0x01);
    EXPECT_EQ(r.image[0x149], 0x03);
}

TEST(DirectiveTest, ApplyHeaderLeavesSmallImagesAlone) {
    std::vector<uint8_t> small(0x100, 0x77);
    applyHeader(small, CartridgeHeader{1, 2, 3, 4});
    EXPECT_EQ(small, std::vector<uint8_t>(0x100, 0x77));
    EXPECT_NE(testing::errorOf("header type=1", 0x100).find("at least 0x150"), std::string::npos);
}

TEST(DirectiveTest, ImageSizeIsHonoured) {
    const AssemblyResult r = assemble("nop", 0x10000);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.image.size(), 0x10000u);
    EXPECT_TRUE(assemble("", 0).ok);
    EXPECT_FALSE(assemble("nop", 0).ok);
    const AssemblyResult huge = assemble("nop", ~size_t{0});
    EXPECT_FALSE(huge.ok);
    EXPECT_FALSE(huge.error.empty());
}

}  // namespace
}  // namespace sm83
