// The window, its message queue, the ImGui menu bar, the cursor, message boxes and
// the clock on SDL2.
#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include <time.h>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/message_text.h"
#include "platform/sdl/sdl_platform.h"
#include "resources/resources.h"

namespace sdl {

namespace {

PlatformWindow* theWindow = nullptr;
Picture thePicture;
std::deque<WindowMessage> asideMessages;
bool redraw = true;
bool videoStarted = false;
bool windowed = false;  // a normal resizable window rather than the whole desktop
bool closeRequest = false;  // the window was closed, a signal came, or the session ends

// After an event ImGui may need a few more frames to settle (a menu opening, a
// highlight following the mouse): the menu state draws this many more, one every
// kSettleMilliseconds, and then sleeps until the next event.
constexpr int kSettleFrames = 3;
constexpr int kSettleMilliseconds = 50;
int settleFramesLeft = kSettleFrames;

// F11 or Alt+Enter: between the borderless window over the whole desktop and a
// normal window of the back buffer's size, which the user may resize.
void toggleWindowed() {
    PlatformWindow* window = theWindow;
    if (window == nullptr) return;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return;
    windowed = !windowed;
    if (windowed) {
        SDL_SetWindowBordered(window->sdlWindow, SDL_TRUE);
        SDL_SetWindowResizable(window->sdlWindow, SDL_TRUE);
        const int width = window->width < desktop.w ? window->width : desktop.w * 3 / 4;
        const int height = window->height < desktop.h ? window->height : desktop.h * 3 / 4;
        SDL_SetWindowSize(window->sdlWindow, width, height);
        SDL_SetWindowPosition(window->sdlWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
        SDL_SetWindowResizable(window->sdlWindow, SDL_FALSE);
        SDL_SetWindowBordered(window->sdlWindow, SDL_FALSE);
        SDL_SetWindowPosition(window->sdlWindow, 0, 0);
        SDL_SetWindowSize(window->sdlWindow, desktop.w, desktop.h);
    }
    redraw = true;
}

bool isWindowModeKey(const SDL_KeyboardEvent& key) {
    if (key.repeat != 0) return false;
    if (key.keysym.sym == SDLK_F11) return true;
    return key.keysym.sym == SDLK_RETURN && (key.keysym.mod & KMOD_ALT) != 0;
}

// Command IDs of the menu items that show a check mark.
uint16_t checkedItems[16] = {};

// Captions and states set while the program runs, in place of the resource's.
struct ItemOverride {
    std::string caption;
    bool enabled = true;
};
std::map<uint16_t, ItemOverride> itemOverrides;
std::string lastDroppedFile;

bool isChecked(uint16_t commandId) {
    for (uint16_t id : checkedItems) {
        if (id == commandId && id != 0) return true;
    }
    return false;
}

// Draws one level of a menu; returns the chosen command or 0.
uint16_t drawMenuItems(const MenuItem* items, size_t count) {
    uint16_t chosen = 0;
    char caption[256];
    for (size_t i = 0; i < count; ++i) {
        const MenuItem& item = items[i];
        if (item.caption == nullptr) {
            ImGui::Separator();
            continue;
        }
        stripMnemonic(item.caption, caption, sizeof caption);
        // "Save State\tF5": the key goes to the right-hand column.
        char* tab = std::strchr(caption, '\t');
        const char* shortcut = nullptr;
        if (tab != nullptr) {
            *tab = '\0';
            shortcut = tab + 1;
        }
        ImGui::PushID(static_cast<int>(i));
        if (item.children != nullptr) {
            if (ImGui::BeginMenu(caption)) {
                const uint16_t inner = drawMenuItems(item.children, item.childCount);
                if (inner != 0) chosen = inner;
                ImGui::EndMenu();
            }
        } else {
            const auto replaced = itemOverrides.find(item.commandId);
            const bool enabled = replaced == itemOverrides.end() || replaced->second.enabled;
            if (replaced != itemOverrides.end()) {
                stripMnemonic(replaced->second.caption.c_str(), caption, sizeof caption);
            }
            if (ImGui::MenuItem(caption, shortcut, isChecked(item.commandId), enabled)) {
                chosen = item.commandId;
            }
        }
        ImGui::PopID();
    }
    return chosen;
}

uint16_t drawMenuBar(const MenuResource& menu, bool enabled) {
    uint16_t chosen = 0;
    if (!enabled) ImGui::BeginDisabled();
    if (ImGui::BeginMainMenuBar()) {
        chosen = drawMenuItems(menu.topLevel, menu.topLevelCount);
        ImGui::EndMainMenuBar();
    }
    if (!enabled) ImGui::EndDisabled();
    return enabled ? chosen : 0;
}

void drawPicture() {
    PlatformWindow* window = theWindow;
    SDL_SetRenderDrawColor(window->renderer, 0, 0, 0, 255);
    SDL_RenderClear(window->renderer);
    if (thePicture.texture == nullptr) return;
    const PictureTransform t = pictureTransform();
    for (int i = 0; i < thePicture.litCount; ++i) {
        const SDL_Rect& lit = thePicture.lit[i];
        const SDL_FRect target = {t.offsetX + lit.x * t.scale, t.offsetY + lit.y * t.scale,
                                  lit.w * t.scale, lit.h * t.scale};
        SDL_RenderCopyF(window->renderer, thePicture.texture, &lit, &target);
    }
}

uint32_t virtualKey(SDL_Keycode key) {
    switch (key) {
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return VK_RETURN;
        default: return static_cast<uint32_t>(key);
    }
}

}  // namespace

bool startVideo() {
    if (videoStarted) return true;
    // SDL turns SIGINT and SIGTERM into a quit event only when their handling is the
    // default; a program started in the background of a script inherits SIGINT
    // ignored, and Ctrl+C would then be lost. Both are to end the program in order.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    // Without a display SDL settles for drivers that show nothing and take no input;
    // the program would then wait unseen for ever. Start-up reports it instead.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "offscreen") == 0 ||
        std::strcmp(driver, "dummy") == 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    videoStarted = true;
    return true;
}

PlatformWindow* currentWindow() {
    return theWindow;
}
Picture& picture() {
    return thePicture;
}
std::deque<WindowMessage>& setAside() {
    return asideMessages;
}
void requestRedraw() {
    redraw = true;
}
bool redrawRequested() {
    return redraw;
}

PictureTransform pictureTransform() {
    PictureTransform t;
    if (theWindow == nullptr || thePicture.width <= 0 || thePicture.height <= 0) return t;
    int outWidth = 0;
    int outHeight = 0;
    SDL_GetRendererOutputSize(theWindow->renderer, &outWidth, &outHeight);
    const float sx = static_cast<float>(outWidth) / static_cast<float>(thePicture.width);
    const float sy = static_cast<float>(outHeight) / static_cast<float>(thePicture.height);
    t.scale = sx < sy ? sx : sy;
    // In a window the picture is enlarged by whole numbers, as far as it fits, so
    // that every pixel keeps its size.
    if (windowed && t.scale >= 1.0f) t.scale = std::floor(t.scale);
    t.offsetX = (static_cast<float>(outWidth) - thePicture.width * t.scale) / 2.0f;
    t.offsetY = (static_cast<float>(outHeight) - thePicture.height * t.scale) / 2.0f;
    return t;
}

bool translateEvent(const SDL_Event& event, WindowMessage& message) {
    switch (event.type) {
        // SDL_QUIT comes when the last window is closed or the process is asked to
        // end (SIGTERM, SIGINT): either way the user wants the program to end.
        case SDL_QUIT:
            closeRequest = true;
            message = {MessageKind::Close, 0};
            return true;
        case SDL_APP_TERMINATING:
            closeRequest = true;
            message = {MessageKind::EndSession, 0};
            return true;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                closeRequest = true;
                message = {MessageKind::Close, 0};
                return true;
            }
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                message = {MessageKind::Paint, 0};
                return true;
            }
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST ||
                event.window.event == SDL_WINDOWEVENT_MINIMIZED) {
                message = {MessageKind::Deactivated, 0};
                return true;
            }
            return false;
        case SDL_DROPFILE:
            lastDroppedFile = event.drop.file != nullptr ? event.drop.file : "";
            SDL_free(event.drop.file);
            message = {MessageKind::FileDropped, 0};
            return true;
        case SDL_KEYDOWN:
            if (isWindowModeKey(event.key)) {
                toggleWindowed();
                return false;
            }
            message = {MessageKind::KeyDown, virtualKey(event.key.keysym.sym),
                       event.key.repeat != 0};
            return true;
        case SDL_KEYUP:
            message = {MessageKind::KeyUp, virtualKey(event.key.keysym.sym)};
            return true;
        default: return false;
    }
}

uint16_t renderFrame(const std::function<void()>& extra, bool menuEnabled) {
    PlatformWindow* window = theWindow;
    if (window == nullptr) return 0;
    ImGui_ImplSDLRenderer_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    uint16_t chosen = 0;
    if (window->menu != nullptr) chosen = drawMenuBar(*window->menu, menuEnabled);
    if (extra) extra();
    ImGui::Render();
    drawPicture();
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
    SDL_RenderPresent(window->renderer);
    redraw = false;
    return chosen;
}

void renderPictureOnly() {
    if (theWindow == nullptr) return;
    drawPicture();
    SDL_RenderPresent(theWindow->renderer);
}

bool waitForModalKey(uint32_t& key) {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, 50) == 0) return false;
    ImGui_ImplSDL2_ProcessEvent(&event);
    WindowMessage message;
    if (!translateEvent(event, message)) return false;
    if (message.kind == MessageKind::KeyDown) {
        key = message.param;
        return true;
    }
    // Requests to end the program go to the main window once the modal loop, which
    // sees closeRequested() and ends at once, is done; other input belonged to the
    // modal loop.
    if (message.kind == MessageKind::Close || message.kind == MessageKind::EndSession) {
        setAside().push_back(message);
    }
    return false;
}

}  // namespace sdl

uint16_t desktopWidth() {
    SDL_DisplayMode mode;
    if (!sdl::startVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return 640;
    return static_cast<uint16_t>(mode.w);
}

uint16_t desktopHeight() {
    SDL_DisplayMode mode;
    if (!sdl::startVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return 480;
    return static_cast<uint16_t>(mode.h);
}

PlatformWindow* createPlatformWindow(const char* caption, uint16_t width, uint16_t height) {
    if (sdl::theWindow != nullptr || !sdl::startVideo()) return nullptr;
    // The window covers the whole desktop, borderless at the origin; the back buffer
    // of the requested size is scaled into it. (Without a window manager SDL's
    // desktop full-screen flag would leave the window small and render off it.)
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return nullptr;
    SDL_Window* sdlWindow = SDL_CreateWindow(caption, 0, 0, desktop.w, desktop.h,
                                             SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (sdlWindow == nullptr) return nullptr;
    // No vsync: the emulation loop paces frames itself.
    SDL_Renderer* renderer = SDL_CreateRenderer(sdlWindow, -1, 0);
    if (renderer == nullptr) {
        SDL_DestroyWindow(sdlWindow);
        return nullptr;
    }
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // nothing but "settings.bin" is written
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NoMouseCursorChange;
    ImGui::StyleColorsDark();
    ImGui_ImplSDL2_InitForSDLRenderer(sdlWindow);
    ImGui_ImplSDLRenderer_Init(renderer);

    sdl::theWindow = new PlatformWindow{sdlWindow, renderer, width, height, nullptr};
    sdl::redraw = true;
    return sdl::theWindow;
}

void showPlatformWindow(PlatformWindow* window, bool visible) {
    if (window == nullptr) return;
    if (visible) {
        SDL_ShowWindow(window->sdlWindow);
        SDL_RaiseWindow(window->sdlWindow);
    } else {
        SDL_HideWindow(window->sdlWindow);
    }
    sdl::redraw = true;
}

bool movePlatformWindow(PlatformWindow* window, int, int, int width, int height) {
    // The window keeps covering the desktop; only the picture's size changes.
    if (window == nullptr || width <= 0 || height <= 0) return false;
    window->width = width;
    window->height = height;
    return true;
}

void destroyPlatformWindow(PlatformWindow*& window) {
    if (window == nullptr) return;
    if (sdl::thePicture.texture != nullptr) SDL_DestroyTexture(sdl::thePicture.texture);
    sdl::thePicture = {};
    ImGui_ImplSDLRenderer_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    SDL_DestroyRenderer(window->renderer);
    SDL_DestroyWindow(window->sdlWindow);
    if (sdl::theWindow == window) sdl::theWindow = nullptr;
    delete window;
    window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    sdl::videoStarted = false;
}

PlatformWindow* topLevelWindow() {
    return sdl::theWindow;
}

bool waitMessage(WindowMessage& message) {
    std::deque<WindowMessage>& aside = sdl::asideMessages;
    if (!aside.empty()) {
        message = aside.front();
        aside.pop_front();
        return message.kind != MessageKind::Quit;
    }
    for (;;) {
        if (sdl::redraw) {
            const uint16_t chosen = sdl::renderFrame();
            if (chosen != 0) {
                message = {MessageKind::Command, chosen};
                return true;
            }
        }
        SDL_Event event;
        if (sdl::settleFramesLeft > 0) {
            if (SDL_WaitEventTimeout(&event, sdl::kSettleMilliseconds) == 0) {
                --sdl::settleFramesLeft;
                sdl::redraw = true;
                continue;
            }
        } else if (SDL_WaitEvent(&event) == 0) {
            continue;
        }
        sdl::settleFramesLeft = sdl::kSettleFrames;
        if (sdl::theWindow != nullptr) ImGui_ImplSDL2_ProcessEvent(&event);
        sdl::redraw = true;
        if (sdl::translateEvent(event, message)) return true;
        // Mouse and other input: let ImGui see it at once, so that a menu choice
        // becomes the message.
        const uint16_t chosen = sdl::theWindow != nullptr ? sdl::renderFrame() : 0;
        message = chosen != 0 ? WindowMessage{MessageKind::Command, chosen}
                              : WindowMessage{MessageKind::Other, 0};
        return true;
    }
}

bool peekMessage(WindowMessage& message) {
    std::deque<WindowMessage>& aside = sdl::asideMessages;
    if (!aside.empty()) {
        message = aside.front();
        aside.pop_front();
        return true;
    }
    if (!sdl::videoStarted) return false;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (sdl::theWindow != nullptr) ImGui_ImplSDL2_ProcessEvent(&event);
        if (sdl::translateEvent(event, message)) return true;
    }
    return false;
}

void attachMenu(PlatformWindow* window, const MenuResource* menu) {
    if (window == nullptr) return;
    window->menu = menu;
    sdl::redraw = true;
    sdl::settleFramesLeft = sdl::kSettleFrames;
}

void checkMenuItem(uint16_t commandId, bool checked) {
    for (uint16_t& id : sdl::checkedItems) {
        if (id == commandId) id = 0;
    }
    if (!checked) return;
    for (uint16_t& id : sdl::checkedItems) {
        if (id == 0) {
            id = commandId;
            return;
        }
    }
}

void setMenuItem(uint16_t commandId, const char* caption, bool enabled) {
    sdl::itemOverrides[commandId] = {caption != nullptr ? caption : "", enabled};
    sdl::redraw = true;
}

const std::string& droppedFile() {
    return sdl::lastDroppedFile;
}

void showArrowCursor() {
    SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_ShowCursor(SDL_ENABLE);
}

void hideCursor() {
    SDL_ShowCursor(SDL_DISABLE);
}

bool closeRequested() {
    return sdl::closeRequest;
}

void showMessageBox(PlatformWindow* owner, const char* text) {
    // Once the program is to end nobody waits for an answer: the text goes to stderr.
    if (sdl::closeRequest) {
        std::fprintf(stderr, "%s: %s\n", kMessageBoxCaption, text);
        return;
    }
    // Over the window the box is drawn with the rest of the picture, by a loop that
    // hears a close request at once; SDL's own box runs a loop of its own that does not.
    if (owner != nullptr && owner == sdl::theWindow) {
        sdl::runMessageBox(fitForMessageBox(text).c_str());
        return;
    }
    // No window yet (a start-up failure: no game runs, nothing is to be saved): a
    // signal meanwhile takes its default course and ends the program at once.
    void (*previousInterrupt)(int) = std::signal(SIGINT, SIG_DFL);
    void (*previousTerminate)(int) = std::signal(SIGTERM, SIG_DFL);
    const int shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, kMessageBoxCaption,
                                               text, nullptr);
    std::signal(SIGINT, previousInterrupt);
    std::signal(SIGTERM, previousTerminate);
    // No display to show it on: the text still reaches the user.
    if (shown != 0) std::fprintf(stderr, "%s: %s\n", kMessageBoxCaption, text);
}

void sleepMilliseconds(uint32_t milliseconds) {
    SDL_Delay(milliseconds);
}

uint32_t tickCount() {
    // Milliseconds since the system started, wrapping at 2^32 like the loop expects.
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

uint64_t microsecondCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(since).count());
}

void yieldProcessor() {
    // Linux wakes a sleeper within some tens of microseconds of the time asked for:
    // short sleeps keep the wait's last millisecond both precise and idle.
    const timespec moment{0, 100000};
    nanosleep(&moment, nullptr);
}
