// A folder of assembled cartridges, one of each kind, through the compatibility run:
// each gets its verdict, the CSV lists them in name order and the contact sheet holds
// one cell per image.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/tools/korvi_run/renderer_cartridge.h"
#include "tools/assembler/assembler.h"
#include "tools/korvi_compat/compat_run.h"

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> assembled(const std::string& source) {
    const sm83::AssemblyResult result = sm83::assemble(source);
    EXPECT_TRUE(result.ok) << result.error;
    return result.image;
}

TEST(CompatTest, SortsAFolderByWhatEachImageShows) {
    const fs::path folder =
        fs::temp_directory_path() /
        ("korvi-compat-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(folder);
    fs::create_directories(folder / "roms");

    writeFile(folder / "roms" / "a-picture.gb",
              assembled(rendererCartridgeSource({"checker", 0x91})));
    writeFile(folder / "roms" / "b-blank.GB", assembled("org 0x0100\nloop: jr loop\n"));
    writeFile(folder / "roms" / "c-dark.gbc", assembled(R"(
        org 0x0100
        xor a
        ldh (0x40),a        ; LCD off before the first frame
loop:   jr loop
    )"));
    std::vector<uint8_t> refused = assembled("org 0x0100\nloop: jr loop\n");
    refused[0x147] = 0x7F;  // no such cartridge type, on an image too large to run without
    refused.resize(0x10000);
    writeFile(folder / "roms" / "d-refused.gb", refused);
    writeFile(folder / "roms" / "notes.txt", {'h', 'i'});

    CompatOptions options;
    options.romDirectory = (folder / "roms").string();
    options.outDirectory = (folder / "out").string();
    options.frames = 20;
    std::vector<CompatResult> results;
    std::string error;
    size_t progressCalls = 0;
    ASSERT_TRUE(runCompatibility(
        options, [&](size_t, size_t, const std::string&) { ++progressCalls; }, results, error))
        << error;

    ASSERT_EQ(results.size(), 4u) << "only .gb and .gbc images count";
    EXPECT_EQ(progressCalls, 4u);
    const Verdict want[] = {Verdict::Picture, Verdict::OneShade, Verdict::NothingPresented,
                            Verdict::Refused};
    for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].verdict, want[i]) << results[i].name;
    }
    EXPECT_FALSE(results[3].reason.empty());

    std::stringstream text;
    {
        // Closed before the folder is removed: Windows refuses to delete an open file.
        std::ifstream csv(folder / "out" / "compat.csv", std::ios::binary);
        text << csv.rdbuf();
    }
    EXPECT_NE(text.str().find("\r\na-picture.gb,picture,,17,"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\r\nc-dark.gbc,nothing presented,,0,"), std::string::npos);

    RgbImage sheet;
    ASSERT_TRUE(readPng((folder / "out" / "contact-sheet.png").string(), sheet));
    EXPECT_GT(sheet.width, 4 * 160);
    EXPECT_GT(sheet.height, 144);
    fs::remove_all(folder);
}

}  // namespace
