#include "cartridge/program_arguments.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "cartridge/wide_text_win32.h"
#endif

std::vector<std::string> programArguments(int argc, char** argv) {
#ifdef _WIN32
    // CommandLineToArgvW splits by the quoting rules argv follows (quotes, and
    // backslashes before a quote); its first entry is the program's own path.
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> arguments;
        for (int i = 1; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
        LocalFree(wide);
        return arguments;
    }
#endif
    if (argc < 1 || argv == nullptr) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}
