// korvi-compat: runs every cartridge image of a folder headless and sorts each into
// refused, nothing presented, one shade or picture; writes a CSV and a contact sheet.
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/korvi_compat/compat_run.h"

namespace {

const char* const kUsage =
    "Usage: korvi-compat DIR [--frames N] [--out DIR]\n"
    "Runs every .gb and .gbc image in DIR headless, pressing Start at frames 100 and\n"
    "200 and A at frames 150 and 250, and sorts each by its last frame: refused by the\n"
    "loader, nothing presented (the LCD stayed off), one shade only, or a picture.\n"
    "\n"
    "  --frames N   frames to run each image (default 300)\n"
    "  --out DIR    where compat.csv and contact-sheet.png go (default ./compat)\n"
    "  --help       show this text\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "korvi-compat: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool parseFrames(const std::string& text, uint32_t& frames) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, frames);
    return !text.empty() && ec == std::errc() && ptr == end && frames > 0 && frames <= 1'000'000;
}

void showProgress(size_t done, size_t total, const std::string& name) {
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", done + 1, total, name.c_str());
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    CompatOptions options;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--frames" || arg == "--out") {
            if (i + 1 >= args.size()) return usageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--out") {
                options.outDirectory = value;
            } else if (!parseFrames(value, options.frames)) {
                return usageError("--frames takes a whole number from 1 to 1000000, not \"" +
                                  value + "\"");
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else if (options.romDirectory.empty()) {
            options.romDirectory = arg;
        } else {
            return usageError("one folder only, \"" + arg + "\" is one too many");
        }
    }
    if (options.romDirectory.empty()) return usageError("no folder given");

    std::vector<CompatResult> results;
    std::string error;
    // The progress line rewrites itself, so it is only shown on a terminal.
    const bool terminal = isatty(fileno(stderr)) != 0;
    const bool ok = runCompatibility(options, terminal ? showProgress : nullptr, results, error);
    if (terminal && !results.empty()) std::fputs("\r\033[K", stderr);
    if (!ok) {
        std::fprintf(stderr, "korvi-compat: %s\n", error.c_str());
        return 1;
    }

    size_t counts[4] = {};
    for (const CompatResult& r : results) ++counts[static_cast<int>(r.verdict)];
    std::printf("%zu images: %zu picture, %zu one shade, %zu nothing presented, %zu refused\n",
                results.size(), counts[static_cast<int>(Verdict::Picture)],
                counts[static_cast<int>(Verdict::OneShade)],
                counts[static_cast<int>(Verdict::NothingPresented)],
                counts[static_cast<int>(Verdict::Refused)]);
    for (const CompatResult& r : results) {
        if (r.verdict == Verdict::Refused)
            std::printf("  refused %s: %s\n", r.name.c_str(), r.reason.c_str());
    }
    if (!results.empty()) {
        std::printf("csv: %s/compat.csv\ncontact sheet: %s/contact-sheet.png\n",
                    options.outDirectory.c_str(), options.outDirectory.c_str());
    }
    return 0;
}
