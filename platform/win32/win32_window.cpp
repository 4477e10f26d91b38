// The main window on Win32: the window class "Korvi", a borderless always-on-top
// popup at the screen origin, menu 102 from the program's resources, and the
// thread's message queue. The class and the window are Unicode (the W calls
// throughout): captions, dropped files' names and message texts cross in UTF-16,
// converted from and to the program's UTF-8.
//
// The program's window procedure is platform-free and is handed messages by
// waitMessage and peekMessage. Posted messages it cares about (menu commands) are
// taken from the queue and handed over as they are; everything else is dispatched
// to the Win32 window procedure below, which turns the notifications that are sent
// rather than posted (closing, the session ending) into messages set aside for the
// program.
#include <atomic>
#include <string>
#include <vector>
#include <cstdio>

#include "cartridge/wide_text_win32.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/message_text.h"
#include "platform/win32/win32_platform.h"
#include "platform/window.h"
#include "resources/resources.h"
#include "video/display.h"

namespace {

constexpr const wchar_t* kClassName = L"Korvi";

PlatformWindow* mainWindow = nullptr;
// The window the console's control events are sent to; read on the handler's thread.
std::atomic<HWND> consoleTarget{nullptr};
HMENU loadedMenu = nullptr;  // menu 102, loaded once, attached and detached
// Check marks asked for, put on the menu again whenever it is loaded.
struct CheckState {
    uint16_t id;
    bool checked;
};
CheckState checkStates[16] = {};

// Captions and states set while the program runs (Game > Recent).
struct ItemState {
    uint16_t id;
    std::string caption;
    bool enabled;
};
std::vector<ItemState> itemStates;
std::string lastDroppedFile;

void applyItemStates() {
    if (loadedMenu == nullptr) return;
    for (const ItemState& item : itemStates) {
        ModifyMenuW(loadedMenu, item.id, MF_BYCOMMAND | MF_STRING | (item.enabled ? 0 : MF_GRAYED),
                    item.id, wideFromUtf8(item.caption).c_str());
    }
}

void applyCheckMarks() {
    if (loadedMenu == nullptr) return;
    applyItemStates();
    for (const CheckState& item : checkStates) {
        if (item.id != 0) {
            CheckMenuItem(loadedMenu, item.id,
                          MF_BYCOMMAND | (item.checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }
}

void setAsideMessage(MessageKind kind, uint32_t param = 0) {
    win32::setAside().push_back(WindowMessage{kind, param});
}

// Set once the program is asked to end; see closeRequested().
bool closeRequest = false;
// Devices came or went since the input layer last asked; true until it first asks.
bool deviceChange = true;

// Dialogs, message boxes and the open-file dialog of this thread are all of the
// system's dialog class; asked to close, each ends as if cancelled.
BOOL CALLBACK closeDialogWindow(HWND window, LPARAM) {
    // Only the ones on the screen: the system keeps hidden windows of that class in a
    // program's thread for its own use, which are not the player's to close.
    if (!IsWindowVisible(window)) return TRUE;
    wchar_t className[16] = L"";
    GetClassNameW(window, className, sizeof className / sizeof className[0]);
    if (lstrcmpW(className, L"#32770") == 0) PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// The program is to end: whatever modal loop runs ends now, so that the main loop
// hears of it within a frame instead of when the player answers.
void requestClose(MessageKind kind) {
    closeRequest = true;
    setAsideMessage(kind);
    EnumThreadWindows(GetCurrentThreadId(), closeDialogWindow, 0);
}

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        // The program decides when the window goes: these only ask it to end.
        case WM_CLOSE: requestClose(MessageKind::Close); return 0;
        case WM_DESTROY: setAsideMessage(MessageKind::Destroy); return 0;
        case WM_ENDSESSION:
            if (wParam) requestClose(MessageKind::EndSession);
            return 0;
        case WM_ACTIVATE:
            // Above every other window only while the player is using this one; another
            // program brought to the front is not painted over.
            if (!win32::windowedMode()) {
                SetWindowPos(window, LOWORD(wParam) != WA_INACTIVE ? HWND_TOPMOST : HWND_NOTOPMOST,
                             0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
            // The full-screen display minimizes the window when another program takes
            // the front; made active again, it comes back to the screen rather than
            // running on as an icon nobody sees.
            if (LOWORD(wParam) != WA_INACTIVE && IsIconic(window)) ShowWindow(window, SW_RESTORE);
            return DefWindowProcW(window, message, wParam, lParam);
        // Another program's window came to the front (this program's own dialogs do
        // not count), or the window was minimised.
        case WM_ACTIVATEAPP:
            if (!wParam) setAsideMessage(MessageKind::Deactivated);
            return 0;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) setAsideMessage(MessageKind::Deactivated);
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_COMMAND:
            setAsideMessage(MessageKind::Command, static_cast<uint32_t>(wParam));
            return 0;
        case WM_DEVICECHANGE:
            deviceChange = true;
            return TRUE;
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wParam);
            // Asked for its length first: a dropped file's path may exceed MAX_PATH.
            const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
            std::wstring path(length + 1, L'\0');
            if (length != 0 && DragQueryFileW(drop, 0, path.data(), length + 1) == length) {
                path.resize(length);
                lastDroppedFile = utf8FromWide(path);
                setAsideMessage(MessageKind::FileDropped);
            }
            DragFinish(drop);
            return 0;
        }
        case WM_PAINT: {
            // A closed menu or dialog leaves a hole that the system fills with the
            // black class brush; the back buffer still holds the picture shown.
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            display.present();
            return 0;
        }
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

// A message of the queue as the program's window procedure sees it. Commands for
// the main window are handed over undispatched; everything else is dispatched and
// answers with whatever the Win32 procedure set aside, or Other.
WindowMessage takeMessage(MSG& msg) {
    if (msg.message == WM_QUIT) return WindowMessage{MessageKind::Quit, 0};
    if (msg.message == WM_COMMAND && mainWindow != nullptr && msg.hwnd == mainWindow->handle) {
        return WindowMessage{MessageKind::Command, static_cast<uint32_t>(msg.wParam)};
    }
    // The window-mode keys are the platform's own: the program never sees them.
    if (win32::isWindowModeKey(msg)) {
        win32::toggleWindowMode(mainWindow);
        return WindowMessage{MessageKind::Other, 0};
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    auto& aside = win32::setAside();
    if (!aside.empty()) {
        const WindowMessage taken = aside.front();
        aside.pop_front();
        return taken;
    }
    if (msg.message == WM_KEYDOWN) {
        // Bit 30: the key was already down, so this is the keyboard's auto-repeat.
        const bool repeated = (msg.lParam & (1 << 30)) != 0;
        return WindowMessage{MessageKind::KeyDown, static_cast<uint32_t>(msg.wParam), repeated};
    }
    if (msg.message == WM_KEYUP) {
        return WindowMessage{MessageKind::KeyUp, static_cast<uint32_t>(msg.wParam)};
    }
    if (msg.message == WM_PAINT) return WindowMessage{MessageKind::Paint, 0};
    return WindowMessage{MessageKind::Other, 0};
}

// Ctrl+C, Ctrl+Break, the console closing, log-off and shut-down reach a program
// with a console on a thread of their own: they are turned into a close request
// for the window, which the loop honours within a frame. For the last three the
// system ends the process once this returns, so the handler gives the loop time to
// save and exit first (the process ending ends this thread too).
BOOL WINAPI consoleControl(DWORD event) {
    HWND window = consoleTarget.load();
    if (window == nullptr) return FALSE;
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    Sleep(10000);
    return TRUE;
}

bool takeSetAside(WindowMessage& message) {
    auto& aside = win32::setAside();
    if (aside.empty()) return false;
    message = aside.front();
    aside.pop_front();
    return true;
}

}  // namespace

namespace win32 {

HINSTANCE programInstance() {
    return GetModuleHandleW(nullptr);
}

HWND windowHandle(const PlatformWindow* window) {
    return window != nullptr ? window->handle : nullptr;
}

std::deque<WindowMessage>& setAside() {
    static std::deque<WindowMessage> messages;
    return messages;
}

bool takeDeviceChange() {
    const bool changed = deviceChange;
    deviceChange = false;
    return changed;
}

}  // namespace win32

uint16_t desktopWidth() {
    return static_cast<uint16_t>(GetSystemMetrics(SM_CXSCREEN));
}

uint16_t desktopHeight() {
    return static_cast<uint16_t>(GetSystemMetrics(SM_CYSCREEN));
}

PlatformWindow* createPlatformWindow(const char* caption, uint16_t width, uint16_t height) {
    HINSTANCE instance = win32::programInstance();
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProcedure;
    windowClass.hInstance = instance;
    // No "IDI_MAIN" icon resource is shipped: both stay empty.
    windowClass.hIcon = LoadIconW(instance, L"IDI_MAIN");
    windowClass.hIconSm = LoadIconW(instance, L"IDI_MAIN");
    windowClass.hCursor = nullptr;  // the program sets the cursor itself
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    if (loadedMenu == nullptr) {
        loadedMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAIN_MENU));
        applyCheckMarks();
    }
    HWND handle = CreateWindowExW(WS_EX_TOPMOST, kClassName,
                                  wideFromUtf8(caption != nullptr ? caption : "").c_str(),
                                  WS_POPUP, 0, 0, width, height, nullptr, loadedMenu, instance,
                                  nullptr);
    if (handle == nullptr) return nullptr;
    DragAcceptFiles(handle, TRUE);
    // The frame limiter sleeps to within a millisecond of each frame: ask the system
    // timer for that resolution while the window lives.
    timeBeginPeriod(1);
    consoleTarget.store(handle);
    SetConsoleCtrlHandler(consoleControl, TRUE);
    auto* window = new PlatformWindow;
    window->handle = handle;
    window->menu = loadMenuResource(IDR_MAIN_MENU);
    window->width = width;
    window->height = height;
    mainWindow = window;
    return window;
}

void showPlatformWindow(PlatformWindow* window, bool visible) {
    if (window == nullptr) return;
    ShowWindow(window->handle, visible ? SW_SHOWNORMAL : SW_HIDE);
    if (visible) UpdateWindow(window->handle);
}

bool movePlatformWindow(PlatformWindow* window, int x, int y, int width, int height) {
    if (window == nullptr || !MoveWindow(window->handle, x, y, width, height, FALSE)) return false;
    window->width = width;
    window->height = height;
    return true;
}

// Hide, drop the menu, let the queue run dry, destroy the window, unregister the
// class: the window procedure still exists for whatever the queue delivers.
void destroyPlatformWindow(PlatformWindow*& window) {
    if (window == nullptr) return;
    HWND handle = window->handle;
    ShowWindow(handle, SW_HIDE);
    if (HMENU attached = GetMenu(handle)) {
        SetMenu(handle, nullptr);
        if (attached != loadedMenu) DestroyMenu(attached);
    }
    if (loadedMenu != nullptr) {
        DestroyMenu(loadedMenu);
        loadedMenu = nullptr;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DestroyWindow(handle);
    UnregisterClassW(kClassName, win32::programInstance());
    win32::setAside().clear();
    timeEndPeriod(1);
    SetConsoleCtrlHandler(consoleControl, FALSE);
    consoleTarget.store(nullptr);
    if (mainWindow == window) mainWindow = nullptr;
    delete window;
    window = nullptr;
}

PlatformWindow* topLevelWindow() {
    return mainWindow;
}

bool waitMessage(WindowMessage& message) {
    if (takeSetAside(message)) return true;
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        message = WindowMessage{MessageKind::Quit, 0};
        return false;
    }
    message = takeMessage(msg);
    return true;
}

bool peekMessage(WindowMessage& message) {
    if (takeSetAside(message)) return true;
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    message = takeMessage(msg);
    return true;
}

void checkMenuItem(uint16_t commandId, bool checked) {
    for (CheckState& item : checkStates) {
        if (item.id == commandId || item.id == 0) {
            item = {commandId, checked};
            break;
        }
    }
    applyCheckMarks();
}

void attachMenu(PlatformWindow* window, const MenuResource* menu) {
    if (window == nullptr) return;
    if (menu != nullptr && loadedMenu == nullptr) {
        loadedMenu = LoadMenuW(win32::programInstance(), MAKEINTRESOURCEW(menu->id));
        applyCheckMarks();
    }
    SetMenu(window->handle, menu != nullptr ? loadedMenu : nullptr);
    window->menu = menu;
}

void setMenuItem(uint16_t commandId, const char* caption, bool enabled) {
    ItemState* found = nullptr;
    for (ItemState& item : itemStates) {
        if (item.id == commandId) found = &item;
    }
    if (found == nullptr) found = &itemStates.emplace_back(ItemState{commandId, "", true});
    found->caption = caption != nullptr ? caption : "";
    found->enabled = enabled;
    applyItemStates();
}

const std::string& droppedFile() {
    return lastDroppedFile;
}

void showArrowCursor() {
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
}

void hideCursor() {
    SetCursor(nullptr);
}

bool closeRequested() {
    return closeRequest;
}

void showMessageBox(PlatformWindow* owner, const char* text) {
    // Once the program is to end nobody waits for an answer: the text goes to stderr.
    if (closeRequest) {
        std::fprintf(stderr, "%s: %s\n", kMessageBoxCaption, text);
        return;
    }
    MessageBoxW(win32::windowHandle(owner),
                wideFromUtf8(fitForMessageBox(text != nullptr ? text : "")).c_str(),
                wideFromUtf8(kMessageBoxCaption).c_str(), MB_OK);
}

void sleepMilliseconds(uint32_t milliseconds) {
    Sleep(milliseconds);
}

uint32_t tickCount() {
    return GetTickCount();
}

uint64_t microsecondCount() {
    static const uint64_t frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<uint64_t>(value.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
    // Whole seconds and the rest apart, so that the product cannot overflow.
    return ticks / frequency * 1000000 + ticks % frequency * 1000000 / frequency;
}

void yieldProcessor() {
    if (!SwitchToThread()) Sleep(0);
}
