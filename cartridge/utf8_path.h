// std::filesystem paths from and to the program's UTF-8 strings. On Windows a path
// made from a char string, and its string(), use the user's code page; these use
// UTF-8 there. Elsewhere the bytes pass unchanged both ways.
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path pathFromUtf8(const std::string& text) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    return std::filesystem::path(text);
#endif
}

inline std::string utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}
