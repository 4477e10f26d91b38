// For the smoke test: minimises or restores a top-level window of another program, as
// a player does from the taskbar, which Wine's virtual desktop on Xvfb does not show.
// Usage: show-window.exe minimize|restore CAPTION. Exit 0 done, 1 no such window, 2 usage.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const bool minimize = std::wcscmp(argv[1], L"minimize") == 0;
    if (!minimize && std::wcscmp(argv[1], L"restore") != 0) return 2;
    HWND window = FindWindowW(nullptr, argv[2]);
    if (window == nullptr) return 1;
    if (minimize) {
        ShowWindow(window, SW_MINIMIZE);
    } else {
        ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
    return 0;
}
