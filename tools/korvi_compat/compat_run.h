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
    std::string reason;   // the loader's message for a refused image
    uint32_t frames = 0;  // pictures presented in the run
    uint64_t steps = 0;
    RgbImage picture;  // the last presented picture, 160 x 144; empty if none
};

// The .gb and .gbc files (any letter case) of a folder, sorted by name. False with a
// message when the folder cannot be read.
bool listCartridges(const std::string& directory, std::vector<std::string>& paths,
                    std::string& error);

// Runs one image for the given frames and judges its last picture. Nothing is
// written beside the image: a battery save is left as it was.
CompatResult runCartridge(const std::string& path, uint32_t frames);

// Runs every image of options.romDirectory, calling progress(done, total, name)
// before each, and writes compat.csv and contact-sheet.png into options.outDirectory
// (created when missing). False with a message when the folder cannot be read or a
// result cannot be written; the results gathered so far are in results.
bool runCompatibility(const CompatOptions& options,
                      const std::function<void(size_t, size_t, const std::string&)>& progress,
                      std::vector<CompatResult>& results, std::string& error);

// Writes the results as CSV: file, verdict, reason, frames, steps.
bool writeCompatCsv(const std::string& path, const std::vector<CompatResult>& results);
