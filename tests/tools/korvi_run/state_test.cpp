// State files through the headless runner, each run a fresh process: a state saved
// after N frames and loaded elsewhere plays the next M frames exactly as an unbroken
// run of N + M frames does, picture and sound alike; a state that does not fit is
// refused with the file and the reason, and the run does not start.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cartridge/state_file.h"
#include "tests/cartridge/file_fixture.h"
#include "tests/tools/run_program.h"
#include "tools/assembler/assembler.h"

namespace {

// MBC1 with 64 KB of ROM and battery RAM. The vertical-blank handler switches ROM bank
// every frame and takes the scroll, a note's pitch and the window's position from
// the bank; it also keeps a sum in cartridge RAM. The timer's interrupt, 64 times a
// second, bends channel 1's pitch; noise and the wave channel play throughout.
std::string busyCartridgeSource() {
    std::string source = R"(
header type=0x03, rom=0x01, ram=0x02
org $40
    jp vblank
org $50
    jp timer
org $100
    nop
    jp start
org $150
start:
    ld sp, $DFF0
.wait:
    ldh a, ($44)
    cp 144
    jr nz, .wait
    xor a
    ldh ($40), a
    ld hl, $8010
    ld b, 16
    ld a, $FF
.solid:
    ld (hl+), a
    dec b
    jr nz, .solid
    ld b, 16
    ld a, $5A
.stripes:
    ld (hl+), a
    dec b
    jr nz, .stripes
    ld hl, $9C00
    ld b, 0
    ld a, 2
.window:
    ld (hl+), a
    dec b
    jr nz, .window
    ld a, 1
    ld ($9821), a
    ld ($9845), a
    ld hl, $FE00
    ld a, 60
    ld (hl+), a
    ld (hl+), a
    ld a, 1
    ld (hl+), a
    xor a
    ld (hl+), a
    ld a, $0A
    ld ($0000), a
    ld a, $80
    ldh ($26), a
    ld a, $77
    ldh ($24), a
    ld a, $FF
    ldh ($25), a
    ld a, $80
    ldh ($11), a
    ld a, $F0
    ldh ($12), a
    ld a, $86
    ldh ($14), a
    ld a, $40
    ldh ($16), a
    ld a, $F3
    ldh ($17), a
    ld a, $A2
    ldh ($21), a
    ld a, $52
    ldh ($22), a
    ld a, $80
    ldh ($23), a
    ld hl, $FF30
    ld b, 16
    ld a, $1F
.wave:
    ld (hl+), a
    add $22
    dec b
    jr nz, .wave
    ld a, $80
    ldh ($1A), a
    ld a, $40
    ldh ($1C), a
    ld a, $87
    ldh ($1E), a
    ld a, 80
    ldh ($4A), a
    ld a, $C0
    ldh ($06), a
    ld a, $04
    ldh ($07), a
    ld a, $05
    ldh ($FF), a
    ld a, $F3
    ldh ($40), a
    ei
idle:
    halt
    jr idle
vblank:
    push af
    push bc
    push hl
    ldh a, ($81)
    inc a
    ldh ($81), a
    ld b, a
    and 3
    ld ($2000), a
    ld a, b
    and $3F
    ld l, a
    ld h, $40
    ld a, (hl)
    ldh ($43), a
    ldh ($18), a
    ld a, $87
    ldh ($19), a
    ld a, b
    ldh ($4B), a
    ld h, $A0
    ld l, b
    ld a, (hl)
    add b
    ld (hl), a
    pop hl
    pop bc
    pop af
    reti
timer:
    push af
    ldh a, ($80)
    add 7
    ldh ($80), a
    ldh ($13), a
    ld a, $06
    ldh ($14), a
    pop af
    reti
)";
    // Banks 1-3 each hold their own 64 bytes.
    for (int bank = 1; bank <= 3; ++bank) {
        source += "bank " + std::to_string(bank) + "\norg $4000\n    db ";
        for (int i = 0; i < 64; ++i)
            source += std::to_string((bank * 73 + i * (29 + bank * 6)) & 0xFF) + (i < 63 ? ", " : "\n");
    }
    return source;
}

class StateFileTest : public ::testing::Test {
protected:
    // Writes the image as name.gb in a folder of its own, so that each run's battery
    // save stays out of the others' way; returns its path.
    std::string placeImage(const std::string& name, const std::vector<uint8_t>& image) {
        const std::string folder = scratch_ / name;
        std::filesystem::create_directories(folder);
        const std::string path = folder + "/" + name + ".gb";
        writeBytes(path, image);
        return path;
    }

    int run(const std::string& arguments, std::string& errors) {
        return runProgram(KORVI_RUN_PATH, "--quiet " + arguments, scratch_ / "stderr.txt", errors);
    }

    std::string file(const std::string& name) const { return "\"" + (scratch_ / name) + "\""; }

    static std::vector<uint8_t> assembled(const std::string& source) {
        const sm83::AssemblyResult result = sm83::assemble(source, 0x10000);
        EXPECT_TRUE(result.ok) << result.error;
        return result.image;
    }

    static std::vector<uint8_t> demoImage() {
        return readBytes(std::string(KORVI_PROGRAM_DIR) + "/demo.gb");
    }

    TempDir scratch_;
};

// The sound data of a WAV file: everything after its 44-byte header.
std::vector<uint8_t> wavData(const std::vector<uint8_t>& wav) {
    return wav.size() < 44 ? std::vector<uint8_t>{} : std::vector<uint8_t>(wav.begin() + 44, wav.end());
}

TEST_F(StateFileTest, ALoadedStatePlaysOnAsTheUnbrokenRunDoes) {
    struct Case {
        const char* name;
        std::vector<uint8_t> image;
        uint32_t before, after;
    };
    const Case cases[] = {
        {"demo", demoImage(), 100, 60},
        {"busy", assembled(busyCartridgeSource()), 97, 41},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.image.empty());
        const std::string n = c.name;
        const std::string first = placeImage(n + "-first", c.image);
        const std::string whole = placeImage(n + "-whole", c.image);
        const std::string second = placeImage(n + "-second", c.image);
        std::string errors;
        ASSERT_EQ(run("--frames " + std::to_string(c.before) + " --wav " + file(n + "-a.wav") +
                          " --save-state " + file(n + ".state") + " \"" + first + "\"",
                      errors),
                  0)
            << errors;
        ASSERT_EQ(run("--frames " + std::to_string(c.before + c.after) + " --wav " +
                          file(n + "-whole.wav") + " --screenshot " + file(n + "-whole.png") +
                          " \"" + whole + "\"",
                      errors),
                  0)
            << errors;
        ASSERT_EQ(run("--load-state " + file(n + ".state") + " --frames " +
                          std::to_string(c.after) + " --wav " + file(n + "-b.wav") +
                          " --screenshot " + file(n + "-b.png") + " \"" + second + "\"",
                      errors),
                  0)
            << errors;

        EXPECT_EQ(readBytes(scratch_ / (n + "-b.png")), readBytes(scratch_ / (n + "-whole.png")))
            << "the picture after the loaded run";
        const std::vector<uint8_t> a = wavData(readBytes(scratch_ / (n + "-a.wav")));
        const std::vector<uint8_t> b = wavData(readBytes(scratch_ / (n + "-b.wav")));
        const std::vector<uint8_t> unbroken = wavData(readBytes(scratch_ / (n + "-whole.wav")));
        ASSERT_EQ(a.size() + b.size(), unbroken.size());
        EXPECT_TRUE(std::equal(a.begin(), a.end(), unbroken.begin())) << "sound before the state";
        EXPECT_TRUE(std::equal(b.begin(), b.end(), unbroken.begin() + a.size()))
            << "sound after the state";
        // Not silence matched against silence.
        EXPECT_NE(std::count(b.begin(), b.end(), 0), static_cast<std::ptrdiff_t>(b.size()));
    }
}

TEST_F(StateFileTest, AStateThatDoesNotFitIsRefusedWithTheFileAndTheReason) {
    const std::string busy = placeImage("busy", assembled(busyCartridgeSource()));
    const std::string demo = placeImage("demo", demoImage());
    std::string errors;
    ASSERT_EQ(run("--frames 5 --save-state " + file("good.state") + " \"" + busy + "\"", errors), 0)
        << errors;
    ASSERT_EQ(run("--frames 5 --save-state " + file("demo.state") + " \"" + demo + "\"", errors), 0)
        << errors;
    const std::vector<uint8_t> good = readBytes(scratch_ / "good.state");
    ASSERT_GT(good.size(), kStateHeaderSize + 1000);

    std::vector<uint8_t> cut(good.begin(), good.begin() + good.size() / 2);
    std::vector<uint8_t> damaged = good;
    damaged[good.size() - 300] ^= 0x10;
    std::vector<uint8_t> newer = good;
    newer[8] = kStateFormatVersion + 1;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"other.state", readBytes(scratch_ / "demo.state"), "it belongs to another cartridge"},
        {"cut.state", cut, "the file is cut short"},
        {"damaged.state", damaged, "the file is damaged"},
        {"newer.state", newer, "it was made by a newer version of Korvi"},
        {"text.state", std::vector<uint8_t>(100, 'x'), "it is not a state file"},
    };
    for (const Case& c : cases) {
        writeBytes(scratch_ / c.name, c.bytes);
        EXPECT_NE(run("--load-state " + file(c.name) + " --frames 1 \"" + busy + "\"", errors), 0)
            << c.name;
        EXPECT_NE(errors.find(c.name), std::string::npos) << errors;
        EXPECT_NE(errors.find(c.reason), std::string::npos) << errors;
    }
    EXPECT_NE(run("--load-state " + file("none.state") + " \"" + busy + "\"", errors), 0);
    EXPECT_NE(errors.find("none.state\": no such state file"), std::string::npos) << errors;
}

}  // namespace
