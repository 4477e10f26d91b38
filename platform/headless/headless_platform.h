// Controls of the headless platform, for tests and the command-line runner: a
// scripted message queue, a settable clock, a scripted keyboard and fake
// controllers that record their rumble, scripted dialog and file-chooser users, and
// a record of what the program showed (message boxes, cursor, menu bar, window).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/input_devices.h"
#include "platform/window.h"

class HeadlessPresenter;

namespace headless {

// The presenter the headless platform installs: it keeps the last frame.
HeadlessPresenter& presenter();

// Puts every control back to its start: empty queue, clock at 0 not moving, no keys
// down, no controllers, every device available, nothing recorded.
void reset();

// --- Window and messages ---
void setDesktopSize(uint16_t width, uint16_t height);
void failWindowCreation(bool fail);
bool windowExists();
bool windowVisible();
int windowWidth();
int windowHeight();
void queueMessage(WindowMessage message);
void queueCommand(uint16_t commandId);
// Drops a file on the window: a FileDropped message with droppedFile() = path.
void dropFile(const std::string& path);
// What setMenuItem last set for the item: its caption (empty when never set) and
// whether it can be chosen.
std::string menuItemCaption(uint16_t commandId);
bool menuItemEnabled(uint16_t commandId);
// Called by a blocking wait when the queue is empty; it may queue messages or change
// other state. When the queue is still empty afterwards the wait answers as if the
// desktop session ended, so that a test never blocks for ever.
void setIdleHandler(std::function<void()> handler);
uint32_t emptyWaits();  // waits that found nothing and answered with EndSession
bool menuAttached();
bool cursorVisible();

// --- Message boxes ---
const std::vector<std::string>& messageBoxes();

// --- Clock ---
void setClock(uint32_t milliseconds);
// Every reading of the clock moves it on by this many microseconds afterwards, so
// that time passes while the program waits on the clock; 0 stops it.
void setClockStepMicroseconds(uint32_t microseconds);
// The clock's value, without counting as a reading or moving it.
uint32_t clockNow();
uint32_t clockReadings();
// Milliseconds the program slept in all (sleeping moves the clock on by as much).
uint64_t sleptMilliseconds();
// The microsecond clock's value, without counting as a reading or moving it.
uint64_t clockMicrosecondsNow();
// Each time the program gives the processor up the clock moves on by this much.
inline constexpr uint32_t kYieldMicroseconds = 50;
uint64_t yields();

// --- Sound device ---
// The device plays this many of the queued frames (as many as there are, at most).
void playAudio(uint32_t frames);

// --- Keyboard ---
void failInputSource(bool fail);
void failKeyboardCreation(bool fail);
void failKeyboardAcquire(bool fail);
// The keyboard answers reads with "not acquired" this many times.
void loseKeyboardAcquisition(int reads);
void setKey(uint8_t code, bool down);
// Called before each keyboard read with the number of reads so far; it may set keys.
void setKeyboardHandler(std::function<void(uint32_t readIndex)> handler);
uint32_t keyboardReads();

// --- Controllers ---
// Attaches a controller at the end of the enumeration order; returns its index.
int attachController(const std::string& productName, bool canBeCreated = true);
void setControllerState(int index, const ControllerState& state);
void failControllerReads(int index, bool fail);
// Called before each controller read with the number of reads so far (of any
// controller); it may change the controllers' state.
void setControllerHandler(std::function<void(uint32_t readIndex)> handler);
uint32_t controllerReads();
void failEnumeration(bool fail);
// Index of the controller the program has opened, or -1.
int openedController();
// Whether the program last switched the controller's rumble on; how many times it
// switched it on from off; how many rumble calls reached the controller in all.
bool controllerRumbling(int index);
uint32_t controllerRumbleStarts(int index);
uint32_t controllerRumbleCalls(int index);

// --- Dialogs ---
// Called after each message the dialog procedure handled, while the dialog is
// open: it may change the dialog's state like a user, and returns the next message
// to send. Without a handler the user presses Esc.
using DialogUser = std::function<DialogMessage(Dialog& dialog)>;
void setDialogUser(DialogUser user);
// Templates of the dialogs run so far, in order, and each one's final rectangle.
const std::vector<uint16_t>& dialogsRun();
const std::vector<PixelRect>& dialogRects();

// --- File chooser ---
// The next choices, in order; an empty optional is a cancelled chooser. With none
// left the chooser is cancelled.
void queueFileChoice(std::optional<std::string> path);
const std::vector<std::string>& fileFilterDescriptions();
// The folder each chooser was asked to start in.
const std::vector<std::string>& fileChooserStartFolders();
// The reasons shown for picked files that were not taken.
const std::vector<std::string>& fileRejections();

}  // namespace headless
