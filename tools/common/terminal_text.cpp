#include "tools/common/terminal_text.h"

#include <cstdint>

namespace {

void appendEscape(std::string& out, uint8_t byte) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

}  // namespace

std::string printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<uint8_t>(text[i]);
        if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            appendEscape(out, byte);
        } else if (byte == 0xC2 && i + 1 < text.size() &&
                   static_cast<uint8_t>(text[i + 1]) >= 0x80 &&
                   static_cast<uint8_t>(text[i + 1]) <= 0x9F) {
            // U+0080 to U+009F: a terminal takes these as controls too (0x9B starts
            // a sequence just as ESC [ does).
            appendEscape(out, byte);
            appendEscape(out, static_cast<uint8_t>(text[++i]));
        } else {
            out += text[i];
        }
    }
    return out;
}
