// The program's one top-level window: a borderless rectangle at the screen origin,
// captioned "Korvi", over which the display draws. Messages reach the window
// procedure only through pumpOneMessage and pumpPendingMessages.
#pragma once

#include <cstdint>

#include "platform/window.h"

struct MenuResource;

class MainWindow {
public:
    MainWindow() = default;
    ~MainWindow() { destroy(); }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // A width or height of 0 stands for the desktop's. The window starts hidden;
    // menu is the one attachMenu puts on it.
    bool create(const char* className, uint16_t width, uint16_t height, const MenuResource* menu);
    // Waits for the next message and dispatches it to the window procedure; false,
    // without dispatching, when the queue's quit message was fetched.
    bool pumpOneMessage();
    // Dispatches every queued message.
    void pumpPendingMessages();
    // Dispatches the queued messages but drops key presses and releases: while the
    // game runs the keyboard is read as a device, so its messages are stale by the
    // time they are fetched. Closing the window or the session ending get through.
    void pumpPendingRequests();

    void show();
    bool move(int x, int y, int width, int height);
    // The menu bar given to create, on or off.
    void attachMenu();
    void detachMenu();

    // Hides the window, drops its menu bar, dispatches what is still queued and
    // destroys it. Harmless when there is no window.
    void destroy();

    PlatformWindow* handle() const { return window_; }
    uint16_t width() const { return width_; }
    uint16_t height() const { return height_; }

private:
    PlatformWindow* window_ = nullptr;
    const MenuResource* menu_ = nullptr;
    uint16_t width_ = 0;
    uint16_t height_ = 0;
};

extern MainWindow mainWindow;
