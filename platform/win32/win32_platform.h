// State shared by the Win32 implementation of the platform services: the one
// top-level window with its menu, and the messages its window procedure received
// while the program was not waiting for one.
//
// The boundary headers and the resource data declare constants under their
// published names (VK_ESCAPE, DIK_ESCAPE, IDOK) that the Windows headers define as
// macros, so they are included here ahead of the Windows headers, and every file
// of this folder takes the Windows headers from here.
#pragma once

#include "platform/dialog.h"
#include "platform/input_devices.h"
#include "platform/window.h"
#include "resources/resources.h"

// The order matters: <windows.h> first, the headers that build on it after.
// clang-format off
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <mmsystem.h>
#include <ddraw.h>
#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
// clang-format on

#include <deque>

struct MenuResource;

struct PlatformWindow {
    HWND handle = nullptr;
    const MenuResource* menu = nullptr;  // the menu attached now, null when none
    int width = 0;
    int height = 0;
};

namespace win32 {

// The program's module: resources (menu 102, dialogs 107 and 109) live in it.
HINSTANCE programInstance();

// The window's handle, null for a null window.
HWND windowHandle(const PlatformWindow* window);

// Messages the window procedure took while a message was being dispatched (the
// window being closed, the session ending); the next wait or peek hands them out.
std::deque<WindowMessage>& setAside();
// Whether the system said devices came or went (WM_DEVICECHANGE) since the last call;
// true the first time.
bool takeDeviceChange();

// Whether the program shows in a window on the desktop (F11, Alt+Enter) rather than
// full screen in a display mode of its own.
bool windowedMode();
// F11, or Alt+Enter, pressed (not repeated): the keys that switch the mode.
bool isWindowModeKey(const MSG& msg);
// Switches between full screen and a window, taking the display again; when the
// display cannot follow, the mode before is taken back.
void toggleWindowMode(PlatformWindow* window);

}  // namespace win32
