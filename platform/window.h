// Window services of the platform: the one top-level window, its message queue,
// the menu bar and the mouse cursor. Implemented once per platform (SDL with an
// ImGui menu bar, headless for tests and the command-line runner, Win32 later);
// the program links exactly one implementation.
#pragma once

#include <cstdint>
#include <string>

struct PlatformWindow;  // opaque outside the implementation
struct MenuResource;

// What the window procedure receives. The platform turns its own events into
// these: closing the window, the desktop session ending, a menu choice, a key.
enum class MessageKind : uint8_t {
    Paint,       // the window wants its picture again
    Close,       // the user closed the window
    Destroy,     // the window was destroyed by someone else
    EndSession,  // the desktop session is ending
    Quit,        // the queue's quit message: fetched, never dispatched
    Command,     // param: command ID in the low word, notification code in the high word
    KeyDown,     // param: virtual key code (see VK_ESCAPE)
    KeyUp,       // param: virtual key code
    FileDropped, // a file was dropped on the window: droppedFile()
    Deactivated, // another program came to the front, or the window was minimised
    Other,
};

struct WindowMessage {
    MessageKind kind = MessageKind::Other;
    uint32_t param = 0;
    bool repeated = false;  // a KeyDown the keyboard's auto-repeat sent while the key is held
};

inline constexpr uint32_t VK_ESCAPE = 0x1B;
inline constexpr uint32_t VK_RETURN = 0x0D;

// Size of the desktop in pixels.
uint16_t desktopWidth();
uint16_t desktopHeight();

// Creates the borderless top-level window at (0, 0), hidden. Null on failure.
PlatformWindow* createPlatformWindow(const char* caption, uint16_t width, uint16_t height);
void showPlatformWindow(PlatformWindow* window, bool visible);
bool movePlatformWindow(PlatformWindow* window, int x, int y, int width, int height);
// Destroys the window; the pointer is cleared. Harmless on null.
void destroyPlatformWindow(PlatformWindow*& window);
// The window createPlatformWindow made, null when there is none: the owner of
// dialogs, message boxes and the input devices.
PlatformWindow* topLevelWindow();

// Blocks until the next message arrives. Returns false, with kind Quit, when the
// queue's quit message was fetched.
bool waitMessage(WindowMessage& message);
// Takes the next message if one is queued; false when the queue is empty.
bool peekMessage(WindowMessage& message);

// True once a request to end the program has arrived: the window's close button, the
// desktop session ending, SIGTERM or SIGINT (a console control event on Windows). From
// then on every modal loop (dialogs, the file chooser, message boxes) ends at once, as
// if cancelled, and message boxes are written to standard error instead of shown, so
// that the program reaches its exit, battery save included, without waiting on anyone.
bool closeRequested();

// Puts the menu bar on the window, or takes it off with null.
void attachMenu(PlatformWindow* window, const MenuResource* menu);
// Shows or clears the check mark of a menu item (by command ID), now and whenever
// the menu is attached again.
void checkMenuItem(uint16_t commandId, bool checked);

// Sets a menu item's caption (the games of Game > Recent) and whether it can be
// chosen, now and whenever the menu is attached again.
void setMenuItem(uint16_t commandId, const char* caption, bool enabled);

// A file dropped on the window arrives as a FileDropped message; this is its path
// (UTF-8), until the next one.
const std::string& droppedFile();

void showArrowCursor();
void hideCursor();
