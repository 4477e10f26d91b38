// The korvi-asm command-line tool: files in and out, exit codes, messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/tools/cartridge_header_checks.h"
#include "tests/tools/run_program.h"

namespace {

namespace fs = std::filesystem;

class CommandLineTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("korvi_asm_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    }

    // Runs korvi-asm with the arguments; returns its exit code and its standard error.
    int run(const std::string& args, std::string& errors) {
        return runProgram(KORVI_ASM_PATH, args, (dir / "stderr.txt").string(), errors);
    }

    std::string path(const std::string& name) {
        std::string quoted = "\"";
        quoted += (dir / name).string();
        quoted += '"';
        return quoted;
    }
};

TEST_F(CommandLineTest, WritesTheImage) {
    write("ok.asm", "org 0x100\n ld a,0x42\n");
    std::string errors;
    ASSERT_EQ(run(path("ok.asm") + " " + path("ok.gb"), errors), 0) << errors;
    std::ifstream in(dir / "ok.gb", std::ios::binary);
    const std::vector<char> image((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    ASSERT_EQ(image.size(), 0x8000u);
    EXPECT_EQ(static_cast<unsigned char>(image[0x100]), 0x3E);
    EXPECT_EQ(static_cast<unsigned char>(image[0x101]), 0x42);
}

TEST_F(CommandLineTest, SizeOptionSetsTheImageSize) {
    write("big.asm", "bank 3\n db 7\n");
    std::string errors;
    ASSERT_EQ(run(path("big.asm") + " " + path("big.gb") + " --size 0x10000", errors), 0) << errors;
    EXPECT_EQ(fs::file_size(dir / "big.gb"), 0x10000u);
    // Bank 3 does not exist in the default 32 KB image.
    EXPECT_EQ(run(path("big.asm") + " " + path("small.gb"), errors), 1);
    EXPECT_NE(errors.find("line 1: bank 3 lies beyond the image"), std::string::npos) << errors;
}

TEST_F(CommandLineTest, HeaderOptionCompletesTheHeaderOfThePaddedImage) {
    write("cart.asm", "header type=$01, rom=$01\norg $0150\n jr $0150\nbank 3\norg $7FFF\n db 7\n");
    std::string errors;
    ASSERT_EQ(run(path("cart.asm") + " " + path("cart.gb") + " --size 0x10000 --header \"CLI CART\"",
                  errors),
              0)
        << errors;
    std::ifstream in(dir / "cart.gb", std::ios::binary);
    const std::vector<char> image((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    ASSERT_EQ(image.size(), 0x10000u);
    expectCompletedHeader(reinterpret_cast<const uint8_t*>(image.data()), image.size(), "CLI CART");

    write("code.asm", "org $0100\n nop\n jp $0150\n ld a,1\n");
    EXPECT_EQ(run(path("code.asm") + " " + path("code.gb") + " --header DEMO", errors), 1);
    EXPECT_NE(errors.find("code.asm: cannot complete the header: "), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(dir / "code.gb"));
    EXPECT_EQ(run(path("code.asm") + " " + path("code.gb") + " --header", errors), 2);
}

TEST_F(CommandLineTest, FailuresExitNonZeroWithAMessageAndNoOutput) {
    write("bad.asm", "nop\n ld q,1\n");
    std::string errors;
    EXPECT_EQ(run(path("bad.asm") + " " + path("bad.gb"), errors), 1);
    EXPECT_NE(errors.find("bad.asm: line 2: "), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(dir / "bad.gb"));

    EXPECT_EQ(run(path("missing.asm") + " " + path("out.gb"), errors), 1);
    EXPECT_NE(errors.find("cannot open"), std::string::npos) << errors;

    EXPECT_EQ(run(path("bad.asm"), errors), 2);
    EXPECT_NE(errors.find("usage: korvi-asm"), std::string::npos) << errors;

    write("ok.asm", "nop\n");
    EXPECT_EQ(run(path("ok.asm") + " " + path("o.gb") + " --size lots", errors), 2);
    EXPECT_NE(errors.find("bad --size value"), std::string::npos) << errors;
}

}  // namespace
