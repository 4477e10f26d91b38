#include "app/main_window.h"

#include "app/window_procedure.h"

MainWindow mainWindow;

bool MainWindow::create(const char* className, uint16_t width, uint16_t height,
                        const MenuResource* menu) {
    width_ = width != 0 ? width : desktopWidth();
    height_ = height != 0 ? height : desktopHeight();
    menu_ = menu;
    destroyPlatformWindow(window_);
    window_ = createPlatformWindow(className, width_, height_);
    return window_ != nullptr;
}

bool MainWindow::pumpOneMessage() {
    WindowMessage message;
    if (!waitMessage(message)) return false;
    windowProcedure(message);
    return true;
}

void MainWindow::pumpPendingMessages() {
    WindowMessage message;
    while (peekMessage(message)) windowProcedure(message);
}

void MainWindow::pumpPendingRequests() {
    WindowMessage message;
    while (peekMessage(message)) {
        if (message.kind != MessageKind::KeyDown && message.kind != MessageKind::KeyUp) {
            windowProcedure(message);
        }
    }
}

void MainWindow::show() {
    if (window_ != nullptr) showPlatformWindow(window_, true);
}

bool MainWindow::move(int x, int y, int width, int height) {
    if (window_ == nullptr || !movePlatformWindow(window_, x, y, width, height)) return false;
    width_ = static_cast<uint16_t>(width);
    height_ = static_cast<uint16_t>(height);
    return true;
}

void MainWindow::attachMenu() {
    if (window_ != nullptr) ::attachMenu(window_, menu_);
}

void MainWindow::detachMenu() {
    if (window_ != nullptr) ::attachMenu(window_, nullptr);
}

void MainWindow::destroy() {
    if (window_ == nullptr) return;
    showPlatformWindow(window_, false);
    ::attachMenu(window_, nullptr);
    pumpPendingMessages();
    destroyPlatformWindow(window_);
}
