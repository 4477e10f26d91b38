// A small SM83 assembler producing in-memory cartridge images, for test cartridges,
// the demo cartridge and the benchmarks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sm83 {

struct CartridgeHeader {
    uint8_t colourFlag = 0x00;   // byte 0x143
    uint8_t type = 0x00;         // byte 0x147
    uint8_t romSizeCode = 0x00;  // byte 0x148
    uint8_t ramSizeCode = 0x00;  // byte 0x149
};

struct AssemblyResult {
    bool ok = false;
    std::vector<uint8_t> image;  // the cartridge image
    std::string error;           // "line N: message" when !ok
};

// Source syntax, one statement per line, ';' starts a comment:
//   label:  /  label::  /  .local:     labels (".local" belongs to the last plain label;
//                                      elsewhere it is reachable as "label.local")
//   NAME equ VALUE  /  NAME = VALUE    constants; may refer to labels defined later
//   ld a,(hl)   ld [hl+],a   ldh (0x44),a   ld hl,sp-2   jr nz,.loop   rst 0x38
// Mnemonics, registers and conditions are case-insensitive and reserved; labels and
// constants are case-sensitive. Memory operands take ( ) or [ ]; (HL+) may be written (HLI),
// (HL-) as (HLD); LDI/LDD/LDHL are accepted too. Numbers: 42, 0x2A, $2A, 2Ah, %101010,
// 0b101010, 'c' (escapes \n \t \r \0 \\ \' \" \xHH). Operators, loosest first:
// |  ^  &  << >>  + -  * / %  and unary - + ~ !; functions high(x), low(x) and bank(label);
// a lone $ is the address of the current statement.
// Directives:
//   org ADDR         continue output at ADDR
//   bank N           continue output in ROM bank N: image offset N * 0x4000, while labels
//                    take the addresses the CPU sees (0x0000.. for bank 0, 0x4000.. for the
//                    others); a following org moves within that bank's window. Without any
//                    bank directive, addresses and image offsets are the same.
//   db 1, "text", 'c'    bytes       dw 0x1234, label    little-endian words
//   ds N[, fill]     N bytes of fill (0)      align N[, fill]   pad to a multiple of N
//   header type=0x03, rom=0x01, ram=0x03, colour=0x80    as applyHeader, at the end
// Every byte of the image is placed at most once; a second placement is an error.
//
// Assembles source into an image of imageSize bytes (zero-filled, 32 KB by default).
// Given a header title, it also completes the cartridge header once everything else is
// final, as the boot ROM and other tools expect it: the boot logo at 0x104-0x133, the
// title at 0x134 (up to 16 uppercase characters, zero-padded; 15 when the header
// directive sets the colour flag at 0x143), the header checksum at 0x14D and the
// big-endian global checksum at 0x14E-0x14F. Bytes the source placed there itself must
// already hold those values; any other is an error, never overwritten.
AssemblyResult assemble(std::string_view source, size_t imageSize = 0x8000,
                        std::optional<std::string_view> headerTitle = std::nullopt);

// Writes bytes 0x143 and 0x147-0x149 of an image.
void applyHeader(std::vector<uint8_t>& image, const CartridgeHeader& header);

}  // namespace sm83
