// Real files in a fresh temporary directory, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>
#ifdef _WIN32
#include <process.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir() {
#ifdef _WIN32
        // No mkdtemp: try names until one is free; create_directory fails on a taken one.
        static int serial = 0;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
            const std::filesystem::path candidate =
                base / ("korvi-" + std::to_string(_getpid()) + "-" + std::to_string(serial++));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "korvi-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
#endif
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

// Names of the entries of a directory, sorted.
inline std::vector<std::string> listDirectory(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
