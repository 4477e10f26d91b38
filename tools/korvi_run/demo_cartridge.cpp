#include "tools/korvi_run/demo_cartridge.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "cartridge/environment.h"
#include "cartridge/file_handle.h"
#include "cartridge/utf8_path.h"
#include "cartridge/whole_file_writer.h"

extern const uint8_t kDemoCartridge[];
extern const size_t kDemoCartridgeSize;

namespace {

// The per-user cache folder, created when missing; empty when there is none to use.
std::string cacheFolder() {
#ifdef _WIN32
    std::string base = environmentVariable("LOCALAPPDATA");
    if (base.empty()) base = environmentVariable("TEMP");
    if (base.empty()) return {};
    const std::string folder = base + "/korvi";
    return makeFolder(folder) ? folder : std::string();
#else
    std::string base = environmentVariable("XDG_CACHE_HOME");
    if (base.empty() || base[0] != '/') {
        const std::string home = environmentVariable("HOME");
        if (home.empty() || home[0] != '/') return {};
        base = home + "/.cache";
        if (!makeFolder(base)) return {};
    }
    const std::string folder = base + "/korvi";
    if (!makeFolder(folder)) return {};
    // Only a real folder of this user's that no one else can write into: one found
    // under a shared name could have been prepared by someone else.
    struct stat info;
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != getuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return {};
    }
    return folder;
#endif
}

// A new folder of this process's own (mode 0700 where the host has modes).
std::string makePrivateFolder() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
#ifdef _WIN32
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path folder = base / ("korvi-demo-" + std::to_string(std::rand()));
        if (std::filesystem::create_directory(folder, ec)) return utf8FromPath(folder);
    }
    return {};
#else
    std::string pattern = (base / "korvi-demo-XXXXXX").string();
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
#endif
}

bool writeImage(const std::string& folder, std::string& path, std::string& failure) {
    path = folder + "/demo.gb";
    return writeWholeFile(path, kDemoCartridge, static_cast<uint32_t>(kDemoCartridgeSize),
                          failure);
}

}  // namespace

bool writeDemoCartridge(DemoCartridge& demo, std::string& error) {
    demo = {};
    std::string failure;
    const std::string cache = cacheFolder();
    if (!cache.empty() && writeImage(cache, demo.path, failure)) return true;
    demo.privateFolder = makePrivateFolder();
    if (demo.privateFolder.empty()) {
        error = "cannot write the built-in demo cartridge: no private folder for it: " +
                hostErrorText();
        return false;
    }
    if (writeImage(demo.privateFolder, demo.path, failure)) return true;
    error = "cannot write the built-in demo cartridge \"" + demo.path + "\": " + failure;
    removeDemoCartridge(demo);
    return false;
}

void removeDemoCartridge(const DemoCartridge& demo) {
    if (demo.privateFolder.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(pathFromUtf8(demo.privateFolder), ignored);
}
