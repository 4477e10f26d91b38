// korvi-asm INPUT.asm OUTPUT.gb [--size BYTES] [--header TITLE]: assembles a source file
// into a cartridge image.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "tools/assembler/assembler.h"

namespace {

int usage() {
    std::cerr << "usage: korvi-asm INPUT.asm OUTPUT.gb [--size BYTES] [--header TITLE]\n"
                 "  --size BYTES    image size in bytes, decimal or 0x hexadecimal (default 32768)\n"
                 "  --header TITLE  complete the cartridge header: boot logo, TITLE (uppercase,\n"
                 "                  up to 16 characters, 15 beside a colour flag) and both checksums\n";
    return 2;
}

bool parseSize(const std::string& text, size_t& size) {
    if (text.empty() || text[0] == '-') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') return false;
    size = static_cast<size_t>(v);
    return v == size;
}

}  // namespace

int main(int argc, char** argv) {
    std::string input, output;
    size_t size = 0x8000;
    std::optional<std::string> title;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--size") {
            if (i + 1 >= argc) return usage();
            if (!parseSize(argv[++i], size)) {
                std::cerr << "korvi-asm: bad --size value '" << argv[i] << "'\n";
                return 2;
            }
        } else if (arg == "--header") {
            if (i + 1 >= argc) return usage();
            title = argv[++i];
        } else if (arg == "-h" || arg == "--help") {
            usage();
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "korvi-asm: unknown option '" << arg << "'\n";
            return usage();
        } else if (input.empty()) {
            input = arg;
        } else if (output.empty()) {
            output = arg;
        } else {
            return usage();
        }
    }
    if (input.empty() || output.empty()) return usage();

    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::cerr << "korvi-asm: cannot open '" << input << "' for reading\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        std::cerr << "korvi-asm: error reading '" << input << "'\n";
        return 1;
    }

    const sm83::AssemblyResult result = sm83::assemble(text.str(), size, title);
    if (!result.ok) {
        std::cerr << input << ": " << result.error << "\n";
        return 1;
    }

    // Written to a temporary name first so a failed write never leaves a half image behind.
    const std::string temporary = output + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            std::cerr << "korvi-asm: cannot open '" << temporary << "' for writing\n";
            return 1;
        }
        out.write(reinterpret_cast<const char*>(result.image.data()),
                  static_cast<std::streamsize>(result.image.size()));
        out.close();
        if (!out) {
            std::cerr << "korvi-asm: error writing '" << temporary << "'\n";
            std::remove(temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::cerr << "korvi-asm: cannot rename '" << temporary << "' to '" << output << "'\n";
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
