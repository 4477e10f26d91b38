// Modal dialogs and the file chooser driven by scripted users.
#include "platform/dialog.h"
#include "platform/file_chooser.h"
#include "platform/headless/headless_state.h"
#include "platform/window.h"

namespace headless {

void setDialogUser(DialogUser user) {
    state().dialogUser = std::move(user);
}
const std::vector<uint16_t>& dialogsRun() {
    return state().dialogsRun;
}
const std::vector<PixelRect>& dialogRects() {
    return state().dialogRects;
}
void queueFileChoice(std::optional<std::string> path) {
    state().fileChoices.push_back(std::move(path));
}
const std::vector<std::string>& fileRejections() {
    return state().fileRejections;
}
const std::vector<std::string>& fileFilterDescriptions() {
    return state().fileFilterDescriptions;
}
const std::vector<std::string>& fileChooserStartFolders() {
    return state().fileChooserStartFolders;
}

}  // namespace headless

using headless::state;

int runModalDialog(PlatformWindow*, const DialogTemplate& dialogTemplate, DialogProcedure procedure,
                   void* context) {
    state().dialogsRun.push_back(dialogTemplate.id);
    if (closeRequested()) return 0;
    Dialog dialog(dialogTemplate);
    procedure(dialog, {DialogMessageKind::InitDialog, 0}, context);
    // A scripted user that never ends the dialog is cut off rather than looping.
    for (int messages = 0; !dialog.ended() && messages < 1000; ++messages) {
        const headless::DialogUser& user = state().dialogUser;
        const DialogMessage next =
            user ? user(dialog) : DialogMessage{DialogMessageKind::KeyDown, VK_ESCAPE};
        procedure(dialog, next, context);
    }
    state().dialogRects.push_back(dialog.windowRect());
    return dialog.ended() ? dialog.result() : 0;
}

bool chooseFile(PlatformWindow*, const FileFilter& filter, const std::string& startFolder,
                std::string& path, FileAcceptor accept, void* context) {
    headless::State& s = state();
    s.fileFilterDescriptions.push_back(filter.description);
    s.fileChooserStartFolders.push_back(startFolder);
    // The scripted user picks files in turn until one is taken or they cancel.
    while (!s.fileChoices.empty() && !closeRequested()) {
        std::optional<std::string> choice = s.fileChoices.front();
        s.fileChoices.pop_front();
        if (!choice) return false;
        std::string reason;
        if (accept == nullptr || accept(*choice, reason, context)) {
            path = *choice;
            return true;
        }
        s.fileRejections.push_back(reason);
    }
    return false;
}
