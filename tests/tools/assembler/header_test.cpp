// Completing the cartridge header: boot logo, title and checksums.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/assembler/assemble_helpers.h"
#include "tests/tools/cartridge_header_checks.h"

namespace sm83 {
namespace {

// A 64 KB MBC1 cartridge with a colour flag and a byte at the very end of bank 3.
constexpr const char* kCartridge =
    "header type=$03, rom=$01, ram=$02, colour=$80\n"
    "org $0100\n"
    "    nop\n"
    "    jp start\n"
    "org $0150\n"
    "start: jr start\n"
    "bank 3\n"
    "org $7FFF\n"
    "    db $5A\n";

TEST(HeaderTest, CompletionFillsLogoTitleAndChecksumsAndKeepsEverythingElse) {
    const AssemblyResult plain = assemble(kCartridge, 0x10000);
    const AssemblyResult done = assemble(kCartridge, 0x10000, "KORVI TEST");
    ASSERT_TRUE(plain.ok) << plain.error;
    ASSERT_TRUE(done.ok) << done.error;
    expectCompletedHeader(done.image.data(), done.image.size(), "KORVI TEST");

    // Outside the logo, title and checksums the image is what the source made of it,
    // the colour flag and the type, ROM and RAM size codes included.
    std::vector<uint8_t> rest = done.image;
    std::fill(rest.begin() + 0x104, rest.begin() + 0x143, 0);
    std::fill(rest.begin() + 0x14D, rest.begin() + 0x150, 0);
    EXPECT_EQ(rest, plain.image);

    // Without a colour flag a title may take all 16 bytes.
    const AssemblyResult sixteen = assemble("org $0150\nnop", 0x8000, "SIXTEEN LETTERS!");
    ASSERT_TRUE(sixteen.ok) << sixteen.error;
    expectCompletedHeader(sixteen.image.data(), sixteen.image.size(), "SIXTEEN LETTERS");
    EXPECT_EQ(sixteen.image[0x143], '!');
}

TEST(HeaderTest, NeverOverwritesWhatTheSourcePlaced) {
    struct Case {
        const char* source;
        const char* title;
        size_t imageSize;
        const char* message;
    };
    const Case cases[] = {
        {"org $0100\n nop\n jp $0150\n ld a,1", "T", 0x8000,
         "placed 0x3E at 0x0104, where the boot logo goes"},
        {"org $0134\n db \"KORVI\"", "OTHER", 0x8000, "placed 0x4B at 0x0134, where the title goes"},
        {"org $014E\n dw $1234", "T", 0x8000, "at 0x014E, where the global checksum goes"},
        {"header type=1", "SIXTEEN LETTERS!", 0x8000, "16 characters, at most 15 fit"},
        {"nop", "SEVENTEEN LETTERS", 0x8000, "17 characters, at most 16 fit"},
        {"nop", "Korvi", 0x8000, "only uppercase letters"},
        {"nop", "T", 0x100, "at least 0x150 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const AssemblyResult r = assemble(c.source, c.imageSize, c.title);
        ASSERT_FALSE(r.ok);
        EXPECT_EQ(r.error.rfind("cannot complete the header: ", 0), 0u) << r.error;
        EXPECT_NE(r.error.find(c.message), std::string::npos) << r.error;
    }
}

}  // namespace
}  // namespace sm83
