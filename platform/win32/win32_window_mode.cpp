// F11 and Alt+Enter on Windows: between full screen (the display's own mode, a
// borderless popup above every other window) and a resizable window on the desktop,
// in which the picture is scaled to the window. The display is taken again in the
// new mode; if it cannot be, the old mode is taken back.
#include "platform/win32/win32_platform.h"
#include "video/display.h"

namespace {

bool windowed = false;

// The window's outer size for a client area of the back buffer's size, at most three
// quarters of the desktop.
SIZE windowedSize(int width, int height) {
    const int desktopW = GetSystemMetrics(SM_CXSCREEN);
    const int desktopH = GetSystemMetrics(SM_CYSCREEN);
    if (width > desktopW * 3 / 4 || height > desktopH * 3 / 4) {
        width = desktopW * 3 / 4;
        height = desktopH * 3 / 4;
    }
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void placeWindow(HWND handle, bool inWindow, int width, int height) {
    if (inWindow) {
        SetWindowLongPtrA(handle, GWL_STYLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        const SIZE size = windowedSize(width, height);
        const int x = (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
        const int y = (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
        SetWindowPos(handle, HWND_NOTOPMOST, x < 0 ? 0 : x, y < 0 ? 0 : y, size.cx, size.cy,
                     SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    } else {
        SetWindowLongPtrA(handle, GWL_STYLE, WS_POPUP | WS_VISIBLE);
        SetWindowPos(handle, HWND_TOPMOST, 0, 0, width, height, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
}

}  // namespace

namespace win32 {

bool windowedMode() {
    return windowed;
}

bool isWindowModeKey(const MSG& msg) {
    const bool firstPress = (msg.lParam & (1 << 30)) == 0;  // not the keyboard's repeat
    if (!firstPress) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F11) return true;
    // Alt+Enter comes as a system key: bit 29 says Alt is held.
    return msg.message == WM_SYSKEYDOWN && msg.wParam == VK_RETURN && (msg.lParam & (1 << 29)) != 0;
}

void toggleWindowMode(PlatformWindow* window) {
    if (window == nullptr || !display.isInitialised()) return;
    const int width = display.width();
    const int height = display.height();
    for (const bool inWindow : {!windowed, windowed}) {
        windowed = inWindow;
        // The desktop's own mode comes back first, so that the window is placed on it.
        display.releaseDisplay();
        placeWindow(window->handle, inWindow, width, height);
        if (display.initDisplay(window, width, height, kDisplayBitsPerPixel)) break;
    }
    // The window keeps the keyboard through the change of style.
    SetForegroundWindow(window->handle);
    SetFocus(window->handle);
    InvalidateRect(window->handle, nullptr, FALSE);
}

}  // namespace win32
