// The compatibility run: every cartridge image of a folder run headless for a number
// of frames, with Start and A pressed at fixed frames, and sorted by what it showed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/korvi_compat/compat_verdict.h"
#include "video/png_image.h"

struct CompatOptions {
    std::string romDirectory;
    std::string outDirectory = "compat";
    uint32_t frames = 300;
};

struct CompatResult {
    std::string name;  // file name within the folder
    Verdict verdict = Verdict::Refused;
    std::string reason;   // why an image was refused or skipped
    uint32_t frames = 0;  // pictures presented in the run
    uint64_t steps = 0;
    RgbImage picture;  // the last presented picture, 160 x 144; empty if none (only
                       // until it is on the contact sheet)
};

// A name of the folder that looks like a cartridge image.
struct CartridgeEntry {
    std::string path;
    std::string skipReason;  // why it cannot be run (a folder, pipe, broken link); empty if it can
};

// The .gb and .gbc names (any letter case) of a folder, sorted by name, each with the
// reason it will be skipped when it is no file that can be read. False with a message
// when the folder cannot be read.
bool listCartridges(const std::string& directory, std::vector<CartridgeEntry>& entries,
                    std::string& error);

// How many images one page of the contact sheet holds: the pictures of one page are
// all that is kept in memory, whatever the folder's size.
inline constexpr size_t kImagesPerSheet = 160;

// The contact sheet's file name for a page counted from 0: contact-sheet.png, then
// contact-sheet-2.png and so on.
std::string contactSheetName(size_t page);

// Runs one image for the given frames and judges its last picture. Nothing is
// written beside the image: a battery save is left as it was.
CompatResult runCartridge(const std::string& path, uint32_t frames);

// Runs every image of options.romDirectory, calling progress(done, total, name)
// before each, and writes compat.csv and the contact sheet's pages into
// options.outDirectory (created when missing, and checked to be writable before the
// first image runs). A stop signal ends the run after the image being run, which is
// left out; what was run is written. False with a message when the folder cannot be
// read or a result cannot be written; the results gathered so far are in results.
bool runCompatibility(const CompatOptions& options,
                      const std::function<void(size_t, size_t, const std::string&)>& progress,
                      std::vector<CompatResult>& results, std::string& error);

// The results as CSV (RFC 4180): file, verdict, reason, frames, steps.
std::string compatCsv(const std::vector<CompatResult>& results);
