// A fresh program for every test: headless platform back at its start, flags and
// settings at their initial values, "settings.bin" in a temporary folder, and
// everything start-up made released again afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cartridge/preferences.h"
#include "app/main_window.h"
#include "app/sound_output.h"
#include "app/startup.h"
#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "core/machine_state.h"
#include "input/input_layer.h"
#include "platform/headless/headless_platform.h"
#include "video/display.h"
#include "video/headless_presenter.h"

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        releaseEverything();
        static int serial = 0;
        folder_ = std::filesystem::temp_directory_path() /
                  ("korvi-shell-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(folder_);
        setSettingsDirectory(folder_.string());
        headless::presenter().setOpenFails(false);
        headless::presenter().setModes({{320, 240, 32}, {640, 480, 32}, {800, 600, 32}});
    }

    void TearDown() override {
        releaseEverything();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    static void releaseEverything() {
        shutDown();
        mainWindow.destroy();
        headless::reset();
        resetAppFlags();
        resetSettings();
        preferences = defaultPreferences();
        soundEnabled = 1;
        machine.romPath.clear();
    }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    // Writes a 32 KB cartridge whose program is "JR -2" at 0x100, so the CPU loops
    // while the LCD (on after reset) moves LY. type and ramCode go to 0x147, 0x149.
    std::string writeLoopingCartridge(const std::string& name, uint8_t type = 0x00,
                                      uint8_t ramCode = 0x00) const {
        std::vector<uint8_t> image(0x8000, 0x00);
        image[0x100] = 0x18;
        image[0x101] = 0xFE;
        image[0x147] = type;
        image[0x149] = ramCode;
        const std::string file = path(name);
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
        return file;
    }

    std::vector<uint8_t> readFile(const std::string& file) const {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path folder_;
};
