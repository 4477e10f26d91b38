#include "tools/bench/bench_cartridge.h"

#include <cstddef>
#include <initializer_list>

namespace {

// Lays instruction bytes into the image; relative jumps are resolved against labels
// placed earlier in the program.
class Emitter {
public:
    explicit Emitter(std::vector<uint8_t>& image) : image_(image) {}
    void at(uint16_t address) { here_ = address; }
    uint16_t here() const { return here_; }
    void bytes(std::initializer_list<uint8_t> values) {
        for (const uint8_t v : values) image_[here_++] = v;
    }
    void word(uint8_t opcode, uint16_t value) {
        bytes({opcode, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
    }
    // JR-family opcode back to an earlier address.
    bool relative(uint8_t opcode, uint16_t target) {
        const int offset = static_cast<int>(target) - static_cast<int>(here_ + 2);
        if (offset < -128 || offset > 127) return false;
        bytes({opcode, static_cast<uint8_t>(offset)});
        return true;
    }

private:
    std::vector<uint8_t>& image_;
    uint16_t here_ = 0;
};

}  // namespace

bool buildBenchCartridge(std::vector<uint8_t>& image, std::string& error) {
    image.assign(0x8000, 0);
    Emitter e(image);

    // The subroutine goes first so the main loop can call it by address.
    const uint16_t subroutine = 0x0200;
    e.at(subroutine);
    e.bytes({0x1A});        // LD A,(DE)
    e.bytes({0x93});        // SUB E
    e.bytes({0x9A});        // SBC A,D
    e.bytes({0xE6, 0x7F});  // AND 0x7F
    e.bytes({0xB5});        // OR L
    e.bytes({0xFE, 0x40});  // CP 0x40
    e.bytes({0x38, 0x01});  // JR C,+1
    e.bytes({0x3F});        // CCF
    e.bytes({0x27});        // DAA
    e.bytes({0xC9});        // RET

    e.at(0x0100);
    e.word(0xC3, 0x0150);  // JP 0x0150

    e.at(0x0150);
    e.word(0x31, 0xFFFE);  // LD SP,0xFFFE
    e.word(0x21, 0xC000);  // LD HL,0xC000
    e.word(0x01, 0x1234);  // LD BC,0x1234
    e.word(0x11, 0x0000);  // LD DE,0x0000

    const uint16_t loop = e.here();
    e.bytes({0x2A});                // LD A,(HL+)      work RAM read
    e.bytes({0x80});                // ADD A,B
    e.bytes({0x77});                // LD (HL),A       work RAM write (and its echo)
    e.bytes({0xA9});                // XOR C
    e.bytes({0xE0, 0x80});          // LDH (0x80),A    high RAM
    e.bytes({0xF0, 0x81});          // LDH A,(0x81)
    e.bytes({0xCE, 0x13});          // ADC A,0x13
    e.bytes({0xE0, 0x81});          // LDH (0x81),A
    e.bytes({0x04});                // INC B
    e.bytes({0x0D});                // DEC C
    e.bytes({0x07});                // RLCA
    e.bytes({0xCB, 0x37});          // SWAP A
    e.bytes({0xCB, 0x58});          // BIT 3,B
    e.bytes({0xCB, 0x39});          // SRL C
    e.bytes({0xCB, 0x11});          // RL C
    e.bytes({0xCB, 0x16});          // RL (HL)
    e.bytes({0xCB, 0xC6});          // SET 0,(HL)
    e.bytes({0xC5});                // PUSH BC
    e.word(0xCD, subroutine);       // CALL subroutine
    e.bytes({0xD1});                // POP DE
    e.bytes({0x13});                // INC DE
    e.bytes({0x19});                // ADD HL,DE
    e.bytes({0x7C});                // LD A,H          keep HL inside 0xC000-0xCFFF
    e.bytes({0xE6, 0x0F});          // AND 0x0F
    e.bytes({0xF6, 0xC0});          // OR 0xC0
    e.bytes({0x67});                // LD H,A
    e.bytes({0xF0, 0x82});          // LDH A,(0x82)    pass counter
    e.bytes({0x3C});                // INC A
    e.bytes({0xE0, 0x82});          // LDH (0x82),A
    if (!e.relative(0x20, loop)) {  // JR NZ,loop
        error = "the main loop is too long for a relative jump";
        return false;
    }
    e.bytes({0x3E, 0xC1});  // LD A,0xC1       every 256th pass: OAM DMA from 0xC100
    e.bytes({0xE0, 0x46});  // LDH (0x46),A
    e.word(0xC3, loop);     // JP loop
    return true;
}
