#include "tools/korvi_compat/compat_run.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cartridge/rom_loader.h"
#include "cartridge/settings.h"
#include "tools/korvi_compat/contact_sheet.h"
#include "tools/korvi_run/runner.h"
#include "video/headless_presenter.h"

namespace {

namespace fs = std::filesystem;

// The display is the picture with eight rows above it, where the frame-rate number
// goes, so that the number never lands on the picture being judged.
constexpr int kNumberRows = 8;
constexpr int kPictureWidth = 160;
constexpr int kPictureHeight = 144;

// Start and A, each held for five frames, twice: enough to get past most title
// screens and the first menu.
std::vector<ScriptedPress> compatPresses() {
    JoypadButtons start{};
    start.start = 1;
    JoypadButtons a{};
    a.a = 1;
    return {{100, start, 5}, {150, a, 5}, {200, start, 5}, {250, a, 5}};
}

bool isCartridgeName(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".gb" || extension == ".gbc";
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

bool listCartridges(const std::string& directory, std::vector<std::string>& paths,
                    std::string& error) {
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    if (ec) {
        error = "cannot read the folder \"" + directory + "\": " + ec.message();
        return false;
    }
    for (const fs::directory_entry& entry : it) {
        if (entry.is_regular_file(ec) && isCartridgeName(entry.path())) {
            paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return true;
}

CompatResult runCartridge(const std::string& path, uint32_t frames) {
    CompatResult result;
    result.name = fs::path(path).filename().string();

    RunOptions options;
    options.romPath = path;
    options.frames = frames;
    options.presses = compatPresses();
    options.width = kPictureWidth;
    options.height = kNumberRows + kPictureHeight;
    options.quiet = true;

    HeadlessPresenter presenter;
    std::string error;
    if (!openRunner(options, presenter, error)) {
        result.reason = error;
        closeRunner();
        return result;
    }
    screenCentreY = static_cast<uint16_t>(kNumberRows + kPictureHeight / 2);
    if (!loadCartridge(path)) {
        result.reason = lastLoadError().message;
        closeRunner();
        return result;
    }
    const RunResult run = runFrames(options);
    result.frames = run.presented;
    result.steps = run.steps;
    if (run.presented == 0 || presenter.frame().empty()) {
        result.verdict = Verdict::NothingPresented;
    } else {
        const int pitch = presenter.frameWidth();
        const Pixel* picture = presenter.frame().data() + kNumberRows * pitch;
        result.verdict = judgePicture(picture, kPictureWidth, kPictureHeight, pitch);
        result.picture = pixelsToRgb(picture, kPictureWidth, kPictureHeight, pitch);
    }
    machine.cartridgeLoaded = 0;  // unloaded without writing a battery save beside the image
    closeRunner();
    return result;
}

bool writeCompatCsv(const std::string& path, const std::vector<CompatResult>& results) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file << "file,verdict,reason,frames,steps\n";
    for (const CompatResult& r : results) {
        file << csvField(r.name) << ',' << verdictName(r.verdict) << ',' << csvField(r.reason)
             << ',' << r.frames << ',' << r.steps << '\n';
    }
    file.close();
    return static_cast<bool>(file);
}

bool runCompatibility(const CompatOptions& options,
                      const std::function<void(size_t, size_t, const std::string&)>& progress,
                      std::vector<CompatResult>& results, std::string& error) {
    std::vector<std::string> paths;
    if (!listCartridges(options.romDirectory, paths, error)) return false;
    std::error_code ec;
    fs::create_directories(options.outDirectory, ec);
    if (ec) {
        error = "cannot create the folder \"" + options.outDirectory + "\": " + ec.message();
        return false;
    }

    std::vector<SheetEntry> sheet;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (progress) progress(i, paths.size(), fs::path(paths[i]).filename().string());
        results.push_back(runCartridge(paths[i], options.frames));
        const CompatResult& r = results.back();
        sheet.push_back(
            {r.name, r.verdict == Verdict::Refused ? r.reason : verdictName(r.verdict), r.picture});
    }

    const std::string csvPath = (fs::path(options.outDirectory) / "compat.csv").string();
    if (!writeCompatCsv(csvPath, results)) {
        error = "cannot write \"" + csvPath + "\"";
        return false;
    }
    const std::string sheetPath = (fs::path(options.outDirectory) / "contact-sheet.png").string();
    if (!sheet.empty() && !writePng(sheetPath, drawContactSheet(sheet))) {
        error = "cannot write \"" + sheetPath + "\"";
        return false;
    }
    return true;
}
