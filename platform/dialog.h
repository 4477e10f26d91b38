// Modal dialogs. A Dialog holds the live state of one dialog made from a template:
// its window rectangle, the controls' positions, the entries and selection of each
// drop-down list and the state of each check box. The dialog's own logic (a dialog
// procedure) reads and changes this state in answer to messages; the platform's
// runner draws it and turns the user's actions into those messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/resources.h"

struct PlatformWindow;

struct PixelRect {
    int left, top, right, bottom;  // right and bottom exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

enum class DialogMessageKind : uint8_t { InitDialog, Command, KeyDown, Other };

struct DialogMessage {
    DialogMessageKind kind = DialogMessageKind::Other;
    uint32_t param = 0;  // Command: control ID; KeyDown: virtual key code
};

class Dialog {
public:
    explicit Dialog(const DialogTemplate& dialogTemplate);

    const DialogTemplate& dialogTemplate() const { return *template_; }

    // The outer rectangle in screen pixels. A new dialog stands at (0, 0).
    PixelRect windowRect() const { return rect_; }
    void moveTo(int x, int y);

    // Position of a control in pixels inside the dialog; height is that of the
    // opened list for drop-down lists.
    PixelRect controlRect(uint16_t id) const;
    // The same for the template's index-th control (labels share one ID).
    PixelRect controlRectAt(size_t index) const;
    void placeControl(uint16_t id, int x, int y, int width, int height);

    // Drop-down lists: entries keep the order they were added in. A choice in a list
    // reaches the procedure as a Command with the list's ID, so that it can change
    // other controls (the runner shows a list whose entry count changed anew).
    void addString(uint16_t id, const std::string& text);
    // Takes every entry out, and the selection with them.
    void clearEntries(uint16_t id);
    int entryCount(uint16_t id) const;
    const std::vector<std::string>& entries(uint16_t id) const;
    // -1 when nothing is selected.
    int selection(uint16_t id) const;
    // An index outside the entries clears the selection.
    void setSelection(uint16_t id, int index);
    // The selected entry's text for a list (empty with none), the caption otherwise.
    std::string itemText(uint16_t id) const;

    void setChecked(uint16_t id, bool checked);
    bool checked(uint16_t id) const;

    void end(int result);
    bool ended() const { return ended_; }
    int result() const { return result_; }

private:
    struct ControlState {
        uint16_t id;
        PixelRect rect;
        std::vector<std::string> entries;
        int selection = -1;
        bool checked = false;
    };
    ControlState* find(uint16_t id);
    const ControlState* find(uint16_t id) const;

    const DialogTemplate* template_;
    PixelRect rect_;
    std::vector<ControlState> controls_;
    bool ended_ = false;
    int result_ = 0;
};

// Pixels per dialog unit of the template's 8-point font: 4 horizontal units make
// an average character width of 6 pixels, 8 vertical units a height of 13 pixels.
int dialogUnitsToPixelsX(int units);
int dialogUnitsToPixelsY(int units);
// The frame and caption around a dialog's client area.
inline constexpr int kDialogFrame = 3;
inline constexpr int kDialogCaptionHeight = 20;

// Returns true when the procedure handled the message.
using DialogProcedure = bool (*)(Dialog& dialog, const DialogMessage& message, void* context);

// Moves the dialog so that its centre lies on the screen centre.
void centreOnScreen(Dialog& dialog);

// The procedure of a settings dialog with OK and Cancel: InitDialog runs initialise;
// OK runs confirm, then ends the dialog with 1; Cancel and Esc end it with 0 and
// change nothing; other commands and keys are handled by doing nothing. Any other
// message is left to default handling (false).
bool settingsDialogProcedure(Dialog& dialog, const DialogMessage& message,
                             void (*initialise)(Dialog&), void (*confirm)(Dialog&));

// Runs the dialog modally over the owner window: sends InitDialog, then the user's
// actions, until the procedure ends the dialog. Returns the result given to end().
int runModalDialog(PlatformWindow* owner, const DialogTemplate& dialogTemplate,
                   DialogProcedure procedure, void* context);
