// korvi-asm INPUT.asm OUTPUT.gb [--size BYTES] [--header TITLE]: assembles a source file
// into a cartridge image.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "cartridge/program_arguments.h"
#include "cartridge/utf8_path.h"
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
    const std::vector<std::string> args = programArguments(argc, argv);
    std::string input, output;
    size_t size = 0x8000;
    std::optional<std::string> title;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--size") {
            if (i + 1 >= args.size()) return usage();
            if (!parseSize(args[++i], size)) {
                std::cerr << "korvi-asm: bad --size value '" << args[i] << "'\n";
                return 2;
            }
        } else if (arg == "--header") {
            if (i + 1 >= args.size()) return usage();
            title = args[++i];
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

    std::ifstream in(pathFromUtf8(input), std::ios::binary);
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
    std::error_code ignored;
    {
        std::ofstream out(pathFromUtf8(temporary), std::ios::binary | std::ios::trunc);
        if (!out) {
            std::cerr << "korvi-asm: cannot open '" << temporary << "' for writing\n";
            return 1;
        }
        out.write(reinterpret_cast<const char*>(result.image.data()),
                  static_cast<std::streamsize>(result.image.size()));
        out.close();
        if (!out) {
            std::cerr << "korvi-asm: error writing '" << temporary << "'\n";
            std::filesystem::remove(pathFromUtf8(temporary), ignored);
            return 1;
        }
    }
    std::error_code renameError;
    std::filesystem::rename(pathFromUtf8(temporary), pathFromUtf8(output), renameError);
    if (renameError) {
        std::cerr << "korvi-asm: cannot rename '" << temporary << "' to '" << output << "'\n";
        std::filesystem::remove(pathFromUtf8(temporary), ignored);
        return 1;
    }
    return 0;
}
