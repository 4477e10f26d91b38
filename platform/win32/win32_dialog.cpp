// Modal dialogs on Win32: DialogBoxParamA runs the template compiled into the
// program (dialogs 107 and 109 of korvi.rc) with its own message loop. The
// dialog's logic works on a platform-free Dialog; the procedure here keeps the two
// in step: the Dialog's position, list entries, selections and check boxes go to
// the real controls after each message the logic handled, and the user's choices
// come back into the Dialog before the logic sees the next message.
#include <string>

#include "platform/dialog.h"
#include "platform/win32/win32_platform.h"
#include "platform/window.h"
#include "resources/resources.h"

namespace {

struct RunningDialog {
    Dialog state;
    DialogProcedure procedure;
    void* context;
};

bool isList(const DialogControl& control) {
    return control.kind == ControlKind::DropDownList;
}

// The user's choices, from the controls into the Dialog.
void readControls(HWND window, Dialog& dialog) {
    const DialogTemplate& t = dialog.dialogTemplate();
    for (size_t i = 0; i < t.controlCount; ++i) {
        const DialogControl& control = t.controls[i];
        if (isList(control)) {
            dialog.setSelection(control.id, static_cast<int>(SendDlgItemMessageA(
                                                window, control.id, CB_GETCURSEL, 0, 0)));
        } else if (control.kind == ControlKind::CheckBox) {
            dialog.setChecked(control.id, IsDlgButtonChecked(window, control.id) == BST_CHECKED);
        }
    }
}

// The Dialog's state onto the real window and controls. Lists are filled after the
// logic's initialisation, and again whenever the logic changed their entry count.
void writeControls(HWND window, const Dialog& dialog, bool fill) {
    const PixelRect rect = dialog.windowRect();
    RECT now;
    GetWindowRect(window, &now);
    if (now.left != rect.left || now.top != rect.top) {
        MoveWindow(window, rect.left, rect.top, now.right - now.left, now.bottom - now.top, TRUE);
    }
    const DialogTemplate& t = dialog.dialogTemplate();
    for (size_t i = 0; i < t.controlCount; ++i) {
        const DialogControl& control = t.controls[i];
        if (isList(control)) {
            if (fill) {
                const PixelRect place = dialog.controlRect(control.id);
                MoveWindow(GetDlgItem(window, control.id), place.left, place.top, place.width(),
                           place.height(), TRUE);
            }
            const LRESULT shown = SendDlgItemMessageA(window, control.id, CB_GETCOUNT, 0, 0);
            if (fill || shown != static_cast<LRESULT>(dialog.entries(control.id).size())) {
                SendDlgItemMessageA(window, control.id, CB_RESETCONTENT, 0, 0);
                for (const std::string& entry : dialog.entries(control.id)) {
                    SendDlgItemMessageA(window, control.id, CB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(entry.c_str()));
                }
            }
            SendDlgItemMessageA(window, control.id, CB_SETCURSEL,
                                static_cast<WPARAM>(dialog.selection(control.id)), 0);
        } else if (control.kind == ControlKind::CheckBox) {
            CheckDlgButton(window, control.id,
                           dialog.checked(control.id) ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* running = reinterpret_cast<RunningDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        RECT rect;
        GetWindowRect(window, &rect);
        running->state.moveTo(rect.left, rect.top);
        running->procedure(running->state, DialogMessage{DialogMessageKind::InitDialog, 0},
                           running->context);
        writeControls(window, running->state, true);
        return TRUE;
    }
    auto* running = reinterpret_cast<RunningDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (running == nullptr) return FALSE;

    DialogMessage translated;
    // Asked to close (the program is ending): cancelled, nothing changed.
    if (message == WM_CLOSE) {
        EndDialog(window, 0);
        return TRUE;
    }
    if (message == WM_COMMAND) {
        translated = {DialogMessageKind::Command, LOWORD(wParam)};
    } else if (message == WM_KEYDOWN) {
        translated = {DialogMessageKind::KeyDown, static_cast<uint32_t>(wParam)};
    } else {
        return DefWindowProcA(window, message, wParam, lParam) == 1;
    }
    readControls(window, running->state);
    const bool handled = running->procedure(running->state, translated, running->context);
    if (running->state.ended()) {
        EndDialog(window, running->state.result());
    } else {
        writeControls(window, running->state, false);
    }
    return handled;
}

}  // namespace

int runModalDialog(PlatformWindow* owner, const DialogTemplate& dialogTemplate,
                   DialogProcedure procedure, void* context) {
    if (closeRequested()) return 0;
    RunningDialog running{Dialog(dialogTemplate), procedure, context};
    const INT_PTR result = DialogBoxParamA(
        win32::programInstance(), MAKEINTRESOURCEA(dialogTemplate.id), win32::windowHandle(owner),
        dialogProcedure, reinterpret_cast<LPARAM>(&running));
    return result == -1 ? 0 : static_cast<int>(result);
}
