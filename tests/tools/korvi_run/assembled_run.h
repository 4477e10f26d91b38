// Runs an assembled cartridge through the headless runner, as korvi-run would, for
// the tests that look at what a run reports.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "cartridge/rom_loader.h"
#include "tests/cartridge/file_fixture.h"
#include "tools/assembler/assembler.h"
#include "tools/korvi_run/runner.h"
#include "video/headless_presenter.h"

// Assembles source, runs it for the frames on a 160 x 144 display and closes the
// runner; the presenter keeps the last picture.
inline RunResult runAssembled(const char* source, uint32_t frames, HeadlessPresenter& presenter) {
    const sm83::AssemblyResult image = sm83::assemble(source);
    EXPECT_TRUE(image.ok) << image.error;
    TempDir scratch;
    const std::string rom = scratch / "cartridge.gb";
    writeBytes(rom, image.image);
    RunOptions options;
    options.frames = frames;
    options.width = 160;
    options.height = 144;
    std::string error;
    EXPECT_TRUE(openRunner(options, presenter, error)) << error;
    EXPECT_TRUE(loadCartridge(rom)) << lastLoadError().message;
    const RunResult result = runFrames(options);
    closeRunner();
    return result;
}
