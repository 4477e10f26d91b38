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

#include "cartridge/program_arguments.h"
#include "tools/common/stop_signals.h"
#include "tools/common/terminal_text.h"
#include "tools/korvi_compat/compat_run.h"

namespace {

const char* const kUsage =
    "Usage: korvi-compat DIR [--frames N] [--out DIR]\n"
    "Runs every .gb and .gbc image in DIR headless, pressing Start at frames 100 and\n"
    "200 and A at frames 150 and 250, and sorts each by its last frame: refused by the\n"
    "loader, nothing presented (the LCD stayed off), one shade only, or a picture.\n"
    "\n"
    "  --frames N   frames to run each image (default 300)\n"
    "  --out DIR    where compat.csv and contact-sheet.png go (default ./compat);\n"
    "               more than 160 images make more pages, contact-sheet-2.png on\n"
    "  --help       show this text\n"
    "\n"
    "Names that are no readable file (folders, pipes, broken links) are skipped, and\n"
    "each skipped or refused image is listed with its reason on stderr and in the CSV.\n"
    "Exit status: 0 when the results were written, 1 when the folder could not be read\n"
    "or a result not written, 2 for a wrong command line, 128 + the signal's number\n"
    "after SIGTERM, SIGINT or SIGHUP (the images run until then are written).\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "korvi-compat: %s\n%s", printable(message).c_str(), kUsage);
    return 2;
}

bool parseFrames(const std::string& text, uint32_t& frames) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, frames);
    return !text.empty() && ec == std::errc() && ptr == end && frames > 0 && frames <= 1'000'000;
}

void showProgress(size_t done, size_t total, const std::string& name) {
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", done + 1, total, printable(name).c_str());
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    CompatOptions options;
    const std::vector<std::string> args = programArguments(argc, argv);
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

    catchStopSignals();
    std::vector<CompatResult> results;
    std::string error;
    // The progress line rewrites itself, so it is only shown on a terminal.
    const bool terminal = isatty(fileno(stderr)) != 0;
    const bool ok = runCompatibility(options, terminal ? showProgress : nullptr, results, error);
    if (terminal && !results.empty()) std::fputs("\r\033[K", stderr);
    for (const CompatResult& r : results) {
        if (r.verdict == Verdict::Refused || r.verdict == Verdict::Skipped)
            std::fprintf(stderr, "korvi-compat: %s %s: %s\n", verdictName(r.verdict),
                         printable(r.name).c_str(), printable(r.reason).c_str());
    }
    if (!ok) {
        std::fprintf(stderr, "korvi-compat: %s\n", printable(error).c_str());
        return 1;
    }

    size_t counts[kVerdictCount] = {};
    for (const CompatResult& r : results) ++counts[static_cast<int>(r.verdict)];
    std::printf("%zu images: %zu picture, %zu one shade, %zu nothing presented, %zu refused, "
                "%zu skipped\n",
                results.size(), counts[static_cast<int>(Verdict::Picture)],
                counts[static_cast<int>(Verdict::OneShade)],
                counts[static_cast<int>(Verdict::NothingPresented)],
                counts[static_cast<int>(Verdict::Refused)],
                counts[static_cast<int>(Verdict::Skipped)]);
    const std::string out = printable(options.outDirectory);
    std::printf("csv: %s/compat.csv\n", out.c_str());
    const size_t pages = (results.size() + kImagesPerSheet - 1) / kImagesPerSheet;
    if (pages > 0) std::printf("contact sheet: %s/%s", out.c_str(), contactSheetName(0).c_str());
    if (pages > 1) std::printf(" to %s", contactSheetName(pages - 1).c_str());
    if (pages > 0) std::printf("\n");
    if (stopSignal() != 0) {
        std::fprintf(stderr, "korvi-compat: stopped by %s; the %zu images run until then are written\n",
                     signalName(stopSignal()), results.size());
        return 128 + stopSignal();
    }
    return 0;
}
