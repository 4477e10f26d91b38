// Window, message queue, menu bar, cursor, message boxes and the clock without any
// windowing system.
#include "platform/clock.h"
#include "platform/headless/headless_state.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace headless {

State& state() {
    static State s;
    return s;
}

void reset() {
    State& s = state();
    delete s.window;
    s = State();
}

void setDesktopSize(uint16_t width, uint16_t height) {
    state().desktopWidth = width;
    state().desktopHeight = height;
}
void failWindowCreation(bool fail) {
    state().failWindow = fail;
}
bool windowExists() {
    return state().window != nullptr;
}
bool windowVisible() {
    return state().window != nullptr && state().window->visible;
}
int windowWidth() {
    return state().window != nullptr ? state().window->width : 0;
}
int windowHeight() {
    return state().window != nullptr ? state().window->height : 0;
}
void queueMessage(WindowMessage message) {
    state().queue.push_back(message);
}
void dropFile(const std::string& path) {
    state().droppedFile = path;
    queueMessage({MessageKind::FileDropped, 0});
}
std::string menuItemCaption(uint16_t commandId) {
    const auto found = state().menuItems.find(commandId);
    return found != state().menuItems.end() ? found->second.first : std::string();
}
bool menuItemEnabled(uint16_t commandId) {
    const auto found = state().menuItems.find(commandId);
    return found == state().menuItems.end() || found->second.second;
}
void queueCommand(uint16_t commandId) {
    queueMessage({MessageKind::Command, commandId});
}
void setIdleHandler(std::function<void()> handler) {
    state().idleHandler = std::move(handler);
}
uint32_t emptyWaits() {
    return state().emptyWaits;
}
bool menuAttached() {
    return state().window != nullptr && state().window->menu != nullptr;
}
bool cursorVisible() {
    return state().cursorVisible;
}
const std::vector<std::string>& messageBoxes() {
    return state().messageBoxes;
}

void setClock(uint32_t milliseconds) {
    state().clockMicroseconds = static_cast<uint64_t>(milliseconds) * 1000;
}
void setClockStepMicroseconds(uint32_t microseconds) {
    state().clockStepMicroseconds = microseconds;
}
uint32_t clockNow() {
    return static_cast<uint32_t>(state().clockMicroseconds / 1000);
}
uint32_t clockReadings() {
    return state().clockReadings;
}
uint64_t sleptMilliseconds() {
    return state().sleptMilliseconds;
}
uint64_t clockMicrosecondsNow() {
    return state().clockMicroseconds;
}
uint64_t yields() {
    return state().yields;
}

}  // namespace headless

using headless::state;

namespace {

void noteCloseRequest(const WindowMessage& message) {
    if (message.kind == MessageKind::Close || message.kind == MessageKind::EndSession) {
        state().closeRequest = true;
    }
}

}  // namespace

uint16_t desktopWidth() {
    return state().desktopWidth;
}
uint16_t desktopHeight() {
    return state().desktopHeight;
}

PlatformWindow* createPlatformWindow(const char*, uint16_t width, uint16_t height) {
    headless::State& s = state();
    if (s.failWindow) return nullptr;
    delete s.window;
    s.window = new PlatformWindow{width, height, false, nullptr};
    return s.window;
}

void showPlatformWindow(PlatformWindow* window, bool visible) {
    if (window != nullptr) window->visible = visible;
}

bool movePlatformWindow(PlatformWindow* window, int, int, int width, int height) {
    if (window == nullptr) return false;
    window->width = width;
    window->height = height;
    return true;
}

void destroyPlatformWindow(PlatformWindow*& window) {
    if (window == nullptr) return;
    if (state().window == window) state().window = nullptr;
    delete window;
    window = nullptr;
}

PlatformWindow* topLevelWindow() {
    return state().window;
}

bool waitMessage(WindowMessage& message) {
    headless::State& s = state();
    if (s.queue.empty() && s.idleHandler) s.idleHandler();
    if (s.queue.empty()) {
        ++s.emptyWaits;
        message = {MessageKind::EndSession, 0};
        return true;
    }
    message = s.queue.front();
    s.queue.pop_front();
    noteCloseRequest(message);
    return message.kind != MessageKind::Quit;
}

bool peekMessage(WindowMessage& message) {
    headless::State& s = state();
    if (s.queue.empty()) return false;
    message = s.queue.front();
    s.queue.pop_front();
    noteCloseRequest(message);
    return true;
}

bool closeRequested() {
    return state().closeRequest;
}

void attachMenu(PlatformWindow* window, const MenuResource* menu) {
    if (window != nullptr) window->menu = menu;
}

void checkMenuItem(uint16_t commandId, bool checked) {
    std::vector<uint16_t>& items = state().checkedMenuItems;
    std::erase(items, commandId);
    if (checked) items.push_back(commandId);
}

void setMenuItem(uint16_t commandId, const char* caption, bool enabled) {
    state().menuItems[commandId] = {caption != nullptr ? caption : "", enabled};
}

const std::string& droppedFile() {
    return state().droppedFile;
}

void showArrowCursor() {
    state().cursorVisible = true;
}
void hideCursor() {
    state().cursorVisible = false;
}

void showMessageBox(PlatformWindow*, const char* text) {
    state().messageBoxes.push_back(text != nullptr ? text : "");
}

void sleepMilliseconds(uint32_t milliseconds) {
    headless::State& s = state();
    s.clockMicroseconds += static_cast<uint64_t>(milliseconds) * 1000;
    s.sleptMilliseconds += milliseconds;
}

uint64_t microsecondCount() {
    headless::State& s = state();
    ++s.clockReadings;
    const uint64_t now = s.clockMicroseconds;
    s.clockMicroseconds += s.clockStepMicroseconds;
    return now;
}

void yieldProcessor() {
    headless::State& s = state();
    s.clockMicroseconds += headless::kYieldMicroseconds;
    ++s.yields;
}

uint32_t tickCount() {
    headless::State& s = state();
    ++s.clockReadings;
    // The millisecond count wraps modulo 2^32 like the real clock.
    const uint32_t now = static_cast<uint32_t>(s.clockMicroseconds / 1000);
    s.clockMicroseconds += s.clockStepMicroseconds;
    return now;
}
