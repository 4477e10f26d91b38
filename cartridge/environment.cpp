#include "cartridge/environment.h"

#ifdef _WIN32
#include <windows.h>

#include "cartridge/wide_text_win32.h"
#else
#include <cstdlib>
#endif

std::string environmentVariable(const char* name) {
#ifdef _WIN32
    const std::wstring wideName = wideFromUtf8(name);
    std::wstring value(256, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                     static_cast<DWORD>(value.size()));
        if (length == 0) return {};
        if (length < value.size()) {
            value.resize(length);
            return utf8FromWide(value);
        }
        value.assign(length, L'\0');  // too small: length is the size needed
    }
    return {};
#else
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
#endif
}
