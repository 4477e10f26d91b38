// Modal dialogs drawn with ImGui over the picture: the template's controls at their
// positions, run by the dialog's own loop until its procedure ends it.
#include <imgui.h>
#include <imgui_impl_sdl.h>

#include <string>

#include "platform/dialog.h"
#include "platform/sdl/sdl_platform.h"

namespace {

// Places an ImGui window of the given pixel rectangle, widened by extraWidth, so
// that its centre stands where the rectangle's centre falls on the scaled picture.
void placeOverPicture(const PixelRect& rect, float extraWidth) {
    const sdl::PictureTransform t = sdl::pictureTransform();
    const float width = static_cast<float>(rect.width()) + extraWidth;
    const float height = static_cast<float>(rect.height());
    const float centreX = t.offsetX + (rect.left + rect.width() / 2.0f) * t.scale;
    const float centreY = t.offsetY + (rect.top + rect.height() / 2.0f) * t.scale;
    ImGui::SetNextWindowPos(ImVec2(centreX - width / 2.0f, centreY - height / 2.0f));
    ImGui::SetNextWindowSize(ImVec2(width, height));
}

// The templates were laid out for a narrower proportional font; ImGui's is wider.
// Controls of the right-hand column move right just far enough to clear the
// longest label beside them, and the dialog widens by the same amount.
constexpr int kRightColumn = 40;  // pixels: controls starting further right move
constexpr float kLabelGap = 6.0f;

float labelOverlap(const Dialog& dialog) {
    const DialogTemplate& t = dialog.dialogTemplate();
    float shift = 0.0f;
    for (size_t i = 0; i < t.controlCount; ++i) {
        if (t.controls[i].kind != ControlKind::Label) continue;
        const PixelRect label = dialog.controlRectAt(i);
        const float end =
            static_cast<float>(label.left) + ImGui::CalcTextSize(t.controls[i].text).x + kLabelGap;
        for (size_t j = 0; j < t.controlCount; ++j) {
            const PixelRect other = dialog.controlRectAt(j);
            if (j == i || other.left < kRightColumn) continue;
            const bool sameRow = other.top < label.bottom && label.top < other.top + 24;
            if (sameRow && end - other.left > shift) shift = end - static_cast<float>(other.left);
        }
    }
    return shift;
}

constexpr ImGuiWindowFlags kDialogFlags = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                                          ImGuiWindowFlags_NoCollapse |
                                          ImGuiWindowFlags_NoSavedSettings;

// Draws the dialog; returns the ID of a button pressed or a list chosen from in this
// frame, or 0.
uint16_t drawDialog(Dialog& dialog, bool& comboOpen) {
    const DialogTemplate& t = dialog.dialogTemplate();
    uint16_t pressed = 0;
    comboOpen = false;
    const float shift = labelOverlap(dialog);
    placeOverPicture(dialog.windowRect(), shift);
    ImGui::Begin(t.caption, nullptr, kDialogFlags);
    const float top = ImGui::GetCursorPosY() - ImGui::GetStyle().WindowPadding.y;
    for (size_t i = 0; i < t.controlCount; ++i) {
        const DialogControl& control = t.controls[i];
        const PixelRect r = dialog.controlRectAt(i);
        ImGui::PushID(static_cast<int>(i));
        const float x =
            static_cast<float>(r.left + kDialogFrame) + (r.left >= kRightColumn ? shift : 0.0f);
        ImGui::SetCursorPos(ImVec2(x, top + static_cast<float>(r.top)));
        switch (control.kind) {
            case ControlKind::Label: ImGui::TextUnformatted(control.text); break;
            case ControlKind::DropDownList: {
                ImGui::SetNextItemWidth(static_cast<float>(r.width()));
                const std::string shown = dialog.itemText(control.id);
                if (ImGui::BeginCombo("##list", shown.c_str(), ImGuiComboFlags_HeightLarge)) {
                    comboOpen = true;
                    const std::vector<std::string>& entries = dialog.entries(control.id);
                    for (size_t e = 0; e < entries.size(); ++e) {
                        const bool selected = static_cast<int>(e) == dialog.selection(control.id);
                        ImGui::PushID(static_cast<int>(e));
                        if (ImGui::Selectable(entries[e].c_str(), selected)) {
                            dialog.setSelection(control.id, static_cast<int>(e));
                            pressed = control.id;
                        }
                        if (selected) ImGui::SetItemDefaultFocus();
                        ImGui::PopID();
                    }
                    ImGui::EndCombo();
                }
                break;
            }
            case ControlKind::CheckBox: {
                bool checked = dialog.checked(control.id);
                if (ImGui::Checkbox(control.text, &checked)) dialog.setChecked(control.id, checked);
                break;
            }
            case ControlKind::DefaultButton:
            case ControlKind::Button:
                if (ImGui::Button(control.text, ImVec2(static_cast<float>(r.width()),
                                                       static_cast<float>(r.height())))) {
                    pressed = control.id;
                }
                break;
        }
        ImGui::PopID();
    }
    ImGui::End();
    return pressed;
}

const DialogControl* defaultButton(const DialogTemplate& t) {
    for (size_t i = 0; i < t.controlCount; ++i) {
        if (t.controls[i].kind == ControlKind::DefaultButton) return &t.controls[i];
    }
    return nullptr;
}

}  // namespace

int runModalDialog(PlatformWindow*, const DialogTemplate& dialogTemplate, DialogProcedure procedure,
                   void* context) {
    Dialog dialog(dialogTemplate);
    procedure(dialog, {DialogMessageKind::InitDialog, 0}, context);
    bool comboOpen = false;
    bool needFrame = true;
    while (!dialog.ended()) {
        // The program is to end: the dialog goes as if cancelled, changing nothing.
        if (closeRequested()) {
            dialog.end(0);
            break;
        }
        if (needFrame) {
            uint16_t pressed = 0;
            sdl::renderFrame([&] { pressed = drawDialog(dialog, comboOpen); }, false);
            needFrame = false;
            if (pressed != 0) {
                procedure(dialog, {DialogMessageKind::Command, pressed}, context);
                needFrame = true;
                continue;
            }
        }
        uint32_t key = 0;
        const bool pressed = sdl::waitForModalKey(key);
        needFrame = true;
        // An open list takes Esc and Enter for itself.
        if (!pressed || comboOpen) continue;
        if (key == VK_RETURN) {
            if (const DialogControl* ok = defaultButton(dialogTemplate)) {
                procedure(dialog, {DialogMessageKind::Command, ok->id}, context);
            }
            continue;
        }
        procedure(dialog, {DialogMessageKind::KeyDown, key}, context);
    }
    sdl::requestRedraw();
    return dialog.result();
}
