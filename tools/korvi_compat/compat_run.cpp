#include "tools/korvi_compat/compat_run.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "cartridge/rom_loader.h"
#include "cartridge/settings.h"
#include "cartridge/utf8_path.h"
#include "cartridge/whole_file_writer.h"
#include "tools/common/stop_signals.h"
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

// The path of name inside folder, and the file name at the end of a path, both in
// UTF-8 as every path of the program.
std::string pathInFolder(const std::string& folder, const std::string& name) {
    return utf8FromPath(pathFromUtf8(folder) / pathFromUtf8(name));
}
std::string fileNameInPath(const std::string& path) {
    return utf8FromPath(pathFromUtf8(path).filename());
}

bool isCartridgeName(const fs::path& path) {
    std::string extension = utf8FromPath(path.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".gb" || extension == ".gbc";
}

// One CSV field (RFC 4180): quoted when it holds a comma, quote, CR or LF. A field a
// spreadsheet would take for a formula (starting with =, +, - or @) starts with an
// apostrophe instead.
std::string csvField(const std::string& text) {
    std::string field = text;
    if (!field.empty() && std::string_view("=+-@").find(field[0]) != std::string_view::npos)
        field.insert(field.begin(), '\'');
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// Why a name of the folder cannot be run, or empty when it is a file (through any
// link) that can be.
std::string skipReason(const fs::directory_entry& entry) {
    std::error_code ec;
    const fs::file_status target = entry.status(ec);
    if (ec) {
        return entry.is_symlink() ? "a link that leads nowhere: " + ec.message() : ec.message();
    }
    if (fs::is_directory(target)) return "it is a folder";
    if (!fs::is_regular_file(target)) return "it is a device, pipe or socket";
    return {};
}

}  // namespace

bool listCartridges(const std::string& directory, std::vector<CartridgeEntry>& entries,
                    std::string& error) {
    std::error_code ec;
    fs::directory_iterator it(pathFromUtf8(directory), ec);
    if (ec) {
        error = "cannot read the folder \"" + directory + "\": " + ec.message();
        return false;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (isCartridgeName(it->path())) entries.push_back({utf8FromPath(it->path()), skipReason(*it)});
    }
    if (ec) {
        error = "cannot read the folder \"" + directory + "\" to its end: " + ec.message();
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const CartridgeEntry& a, const CartridgeEntry& b) { return a.path < b.path; });
    return true;
}

std::string contactSheetName(size_t page) {
    return page == 0 ? "contact-sheet.png" : "contact-sheet-" + std::to_string(page + 1) + ".png";
}

CompatResult runCartridge(const std::string& path, uint32_t frames) {
    CompatResult result;
    result.name = fileNameInPath(path);

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

std::string compatCsv(const std::vector<CompatResult>& results) {
    std::string text = "file,verdict,reason,frames,steps\r\n";
    for (const CompatResult& r : results) {
        text += csvField(r.name) + ',' + verdictName(r.verdict) + ',' + csvField(r.reason) + ',' +
                std::to_string(r.frames) + ',' + std::to_string(r.steps) + "\r\n";
    }
    return text;
}

namespace {

// The pages of the contact sheet, each written as soon as it is full.
class SheetPages {
public:
    explicit SheetPages(const std::string& folder) : folder_(folder) {}

    bool add(CompatResult& result, std::string& error) {
        const bool why = result.verdict == Verdict::Refused || result.verdict == Verdict::Skipped;
        entries_.push_back({result.name, why ? result.reason : verdictName(result.verdict),
                            std::move(result.picture)});
        result.picture = {};
        return entries_.size() < kImagesPerSheet || flush(error);
    }

    // Writes the page begun, if any.
    bool flush(std::string& error) {
        if (entries_.empty()) return true;
        const std::string path = pathInFolder(folder_, contactSheetName(page_));
        std::string failure;
        if (!writePng(path, drawContactSheet(entries_), failure)) {
            error = "cannot write \"" + path + "\": " + failure;
            return false;
        }
        entries_.clear();
        ++page_;
        return true;
    }

private:
    std::string folder_;
    std::vector<SheetEntry> entries_;
    size_t page_ = 0;
};

// The output folder is made and tried before any image runs, so that a run of hours
// cannot end in a folder that takes nothing.
bool prepareOutputFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    fs::create_directories(pathFromUtf8(folder), ec);
    if (ec) {
        error = "cannot create the folder \"" + folder + "\": " + ec.message();
        return false;
    }
    for (const std::string& name : {std::string("compat.csv"), contactSheetName(0)}) {
        const std::string path = pathInFolder(folder, name);
        std::string failure = replaceRefusal(path);
        if (failure.empty() && canWriteBeside(path, failure)) continue;
        error = "cannot write \"" + path + "\": " + failure;
        return false;
    }
    return true;
}

}  // namespace

bool runCompatibility(const CompatOptions& options,
                      const std::function<void(size_t, size_t, const std::string&)>& progress,
                      std::vector<CompatResult>& results, std::string& error) {
    std::vector<CartridgeEntry> entries;
    if (!listCartridges(options.romDirectory, entries, error)) return false;
    if (!prepareOutputFolder(options.outDirectory, error)) return false;

    SheetPages sheet(options.outDirectory);
    for (size_t i = 0; i < entries.size() && stopSignal() == 0; ++i) {
        const std::string name = fileNameInPath(entries[i].path);
        if (progress) progress(i, entries.size(), name);
        CompatResult result;
        if (entries[i].skipReason.empty()) {
            result = runCartridge(entries[i].path, options.frames);
            if (stopSignal() != 0) break;  // cut short: there is no proper last frame to judge
        } else {
            result.name = name;
            result.verdict = Verdict::Skipped;
            result.reason = entries[i].skipReason;
        }
        if (!sheet.add(result, error)) return false;
        results.push_back(std::move(result));
    }

    const std::string csvPath = pathInFolder(options.outDirectory, "compat.csv");
    const std::string csv = compatCsv(results);
    std::string failure;
    if (!writeWholeFile(csvPath, csv.data(), static_cast<uint32_t>(csv.size()), failure)) {
        error = "cannot write \"" + csvPath + "\": " + failure;
        return false;
    }
    return sheet.flush(error);
}
