#include "cartridge/write_failure.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#endif

namespace {

// The host's own description of its last file error.
std::string lastHostError() {
#ifdef _WIN32
    const DWORD code = GetLastError();
    char text[256] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string reason(text, length);
    // The system's text ends in a full stop and a line break.
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == '.' || reason.back() == ' ')) {
        reason.pop_back();
    }
    if (reason.empty()) reason = "error " + std::to_string(code);
    return reason;
#else
    return errno != 0 ? std::strerror(errno) : "unknown error";
#endif
}

}  // namespace

std::string writeFailureMessage(const std::string& file) {
    return "Could not write " + file + ": " + lastHostError() + ". The file was left as it was.";
}
