#include "platform/dialog.h"

#include "cartridge/settings.h"
#include "platform/window.h"

int dialogUnitsToPixelsX(int units) {
    return units * 6 / 4;
}
int dialogUnitsToPixelsY(int units) {
    return units * 13 / 8;
}

Dialog::Dialog(const DialogTemplate& dialogTemplate) : template_(&dialogTemplate) {
    rect_ = {0, 0, dialogUnitsToPixelsX(dialogTemplate.width) + 2 * kDialogFrame,
             dialogUnitsToPixelsY(dialogTemplate.height) + 2 * kDialogFrame + kDialogCaptionHeight};
    for (size_t i = 0; i < dialogTemplate.controlCount; ++i) {
        const DialogControl& c = dialogTemplate.controls[i];
        const int x = dialogUnitsToPixelsX(c.x);
        const int y = dialogUnitsToPixelsY(c.y);
        controls_.push_back(
            {c.id,
             {x, y, x + dialogUnitsToPixelsX(c.width), y + dialogUnitsToPixelsY(c.height)},
             {},
             -1,
             false});
    }
}

Dialog::ControlState* Dialog::find(uint16_t id) {
    for (ControlState& c : controls_) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

const Dialog::ControlState* Dialog::find(uint16_t id) const {
    for (const ControlState& c : controls_) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

void Dialog::moveTo(int x, int y) {
    const int w = rect_.width();
    const int h = rect_.height();
    rect_ = {x, y, x + w, y + h};
}

PixelRect Dialog::controlRect(uint16_t id) const {
    const ControlState* c = find(id);
    return c != nullptr ? c->rect : PixelRect{0, 0, 0, 0};
}

PixelRect Dialog::controlRectAt(size_t index) const {
    return index < controls_.size() ? controls_[index].rect : PixelRect{0, 0, 0, 0};
}

void Dialog::placeControl(uint16_t id, int x, int y, int width, int height) {
    if (ControlState* c = find(id)) c->rect = {x, y, x + width, y + height};
}

void Dialog::addString(uint16_t id, const std::string& text) {
    if (ControlState* c = find(id)) c->entries.push_back(text);
}

void Dialog::clearEntries(uint16_t id) {
    if (ControlState* c = find(id)) {
        c->entries.clear();
        c->selection = -1;
    }
}

int Dialog::entryCount(uint16_t id) const {
    const ControlState* c = find(id);
    return c != nullptr ? static_cast<int>(c->entries.size()) : 0;
}

const std::vector<std::string>& Dialog::entries(uint16_t id) const {
    static const std::vector<std::string> kNone;
    const ControlState* c = find(id);
    return c != nullptr ? c->entries : kNone;
}

int Dialog::selection(uint16_t id) const {
    const ControlState* c = find(id);
    return c != nullptr ? c->selection : -1;
}

void Dialog::setSelection(uint16_t id, int index) {
    ControlState* c = find(id);
    if (c == nullptr) return;
    c->selection = (index >= 0 && index < static_cast<int>(c->entries.size())) ? index : -1;
}

std::string Dialog::itemText(uint16_t id) const {
    const ControlState* c = find(id);
    if (c == nullptr) return {};
    const DialogControl* control = findControl(*template_, id);
    if (control != nullptr && control->kind == ControlKind::DropDownList) {
        return c->selection >= 0 ? c->entries[static_cast<size_t>(c->selection)] : std::string();
    }
    return control != nullptr && control->text != nullptr ? control->text : "";
}

void Dialog::setChecked(uint16_t id, bool checked) {
    if (ControlState* c = find(id)) c->checked = checked;
}

bool Dialog::checked(uint16_t id) const {
    const ControlState* c = find(id);
    return c != nullptr && c->checked;
}

void Dialog::end(int result) {
    ended_ = true;
    result_ = result;
}

void centreOnScreen(Dialog& dialog) {
    const PixelRect rect = dialog.windowRect();
    dialog.moveTo(screenCentreX - rect.width() / 2, screenCentreY - rect.height() / 2);
}

bool settingsDialogProcedure(Dialog& dialog, const DialogMessage& message,
                             void (*initialise)(Dialog&), void (*confirm)(Dialog&)) {
    switch (message.kind) {
        case DialogMessageKind::InitDialog: initialise(dialog); return true;
        case DialogMessageKind::Command:
            if (message.param == IDOK) {
                confirm(dialog);
                dialog.end(1);
            } else if (message.param == IDCANCEL) {
                dialog.end(0);
            }
            return true;
        case DialogMessageKind::KeyDown:
            if (message.param == VK_ESCAPE) dialog.end(0);
            return true;
        default: return false;
    }
}
