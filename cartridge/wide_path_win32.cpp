#include "cartridge/wide_path_win32.h"

#include <windows.h>

#include "cartridge/wide_text_win32.h"

namespace {

// Absolute paths this long or longer take the \\?\ form: a folder's path must leave
// room for an 8.3 file name (12 characters) within MAX_PATH, the terminator included.
constexpr size_t kClassicLimit = MAX_PATH - 12;

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

}  // namespace

// GetFullPathNameW joins a relative path to the working folder, turns forward slashes
// into backslashes and resolves "." and "..": everything the \\?\ form leaves undone.
std::wstring absoluteWidePath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return {};
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.assign(length, L'\0');  // length counts the terminator when it did not fit
    }
    return {};
}

std::wstring widePath(const std::string& path) {
    std::wstring wide = wideFromUtf8(path);
    // Already in the literal (\\?\) or device (\\.\) form: taken as written.
    if (wide.empty() || startsWith(wide, L"\\\\?\\") || startsWith(wide, L"\\\\.\\")) return wide;
    const std::wstring full = absoluteWidePath(wide);
    if (full.size() < kClassicLimit || startsWith(full, L"\\\\.\\")) return wide;
    if (startsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}
