#include "resources/resources.h"

#include <cstring>
#include <iterator>

namespace {

// Menu 102.
const MenuItem kFileItems[] = {
    {"E&xit", ID_FILE_EXIT, nullptr, 0},
};

const MenuItem kSlotItems[] = {
    {"Slot &1\t1", ID_GAME_STATE_SLOT_1, nullptr, 0},
    {"Slot &2\t2", ID_GAME_STATE_SLOT_1 + 1, nullptr, 0},
    {"Slot &3\t3", ID_GAME_STATE_SLOT_1 + 2, nullptr, 0},
    {"Slot &4\t4", ID_GAME_STATE_SLOT_4, nullptr, 0},
};

// The captions of Game > Recent are the games' names, set while the program runs.
const MenuItem kRecentItems[] = {
    {"(none)", ID_GAME_RECENT_1, nullptr, 0},     {"(none)", ID_GAME_RECENT_1 + 1, nullptr, 0},
    {"(none)", ID_GAME_RECENT_1 + 2, nullptr, 0}, {"(none)", ID_GAME_RECENT_1 + 3, nullptr, 0},
    {"(none)", ID_GAME_RECENT_1 + 4, nullptr, 0}, {"(none)", ID_GAME_RECENT_1 + 5, nullptr, 0},
    {"(none)", ID_GAME_RECENT_1 + 6, nullptr, 0}, {"(none)", ID_GAME_RECENT_1 + 7, nullptr, 0},
};

const MenuItem kVolumeItems[] = {
    {"&100 %", ID_GAME_VOLUME_1, nullptr, 0},    {"&75 %", ID_GAME_VOLUME_1 + 1, nullptr, 0},
    {"&50 %", ID_GAME_VOLUME_1 + 2, nullptr, 0}, {"&25 %", ID_GAME_VOLUME_1 + 3, nullptr, 0},
    {"&Off", ID_GAME_VOLUME_1 + 4, nullptr, 0},
};

const MenuItem kGameItems[] = {
    {"&Load...", ID_GAME_LOAD, nullptr, 0},
    {"Recen&t", 0, kRecentItems, std::size(kRecentItems)},
    {"&Reset", ID_GAME_RESET, nullptr, 0},
    {"R&esume", ID_GAME_RESUME, nullptr, 0},
    {nullptr, 0, nullptr, 0},
    {"Sa&ve State\tF5", ID_GAME_SAVE_STATE, nullptr, 0},
    {"Loa&d State\tF7", ID_GAME_LOAD_STATE, nullptr, 0},
    {"S&lot", 0, kSlotItems, std::size(kSlotItems)},
    {"&Undo State\tF9", ID_GAME_UNDO_STATE, nullptr, 0},
    {"Scree&nshot\tF12", ID_GAME_SCREENSHOT, nullptr, 0},
    {nullptr, 0, nullptr, 0},
    {"&Sound", ID_GAME_SOUND, nullptr, 0},
    {"V&olume", 0, kVolumeItems, std::size(kVolumeItems)},
};

const MenuItem kScreenItems[] = {
    {"&Main", ID_SCREEN_MAIN, nullptr, 0},
    {"&Tiles", ID_SCREEN_TILES, nullptr, 0},
    {"&OAM", ID_SCREEN_OAM, nullptr, 0},
};

const MenuItem kDisplayItems[] = {
    {"&Screen", 0, kScreenItems, std::size(kScreenItems)},
    {"Show &Frame Rate", ID_DISPLAY_SHOW_FPS, nullptr, 0},
    {nullptr, 0, nullptr, 0},
    {"&Settings...", ID_DISPLAY_SETTINGS, nullptr, 0},
};

const MenuItem kInputItems[] = {
    {"&Settings...", ID_INPUT_SETTINGS, nullptr, 0},
};

const MenuItem kMenuBar[] = {
    {"&File", 0, kFileItems, std::size(kFileItems)},
    {"&Game", 0, kGameItems, std::size(kGameItems)},
    {"&Display", 0, kDisplayItems, std::size(kDisplayItems)},
    {"Input", 0, kInputItems, std::size(kInputItems)},
};

const MenuResource kMainMenu = {IDR_MAIN_MENU, kMenuBar, std::size(kMenuBar)};

// Dialog 107.
const DialogControl kDisplayControls[] = {
    {IDOK, ControlKind::DefaultButton, "OK", 7, 86, 50, 14},
    {IDCANCEL, ControlKind::Button, "Cancel", 91, 86, 50, 14},
    {IDC_ZOOM, ControlKind::DropDownList, "", 29, 7, 112, 30},
    {IDC_STATIC, ControlKind::Label, "Zoom:", 7, 7, 22, 8},
    {IDC_STATIC, ControlKind::Label, "Screen Size:", 7, 23, 42, 8},
    {IDC_SCREEN_SIZE, ControlKind::DropDownList, "", 50, 23, 91, 12},
    {IDC_LIMIT_FPS, ControlKind::CheckBox, "Limit FPS to 60", 7, 42, 134, 10},
    {IDC_RAW_COLOURS, ControlKind::CheckBox, "Raw colours (no LCD curve)", 7, 56, 134, 10},
    {IDC_RUN_IN_BACKGROUND, ControlKind::CheckBox, "Run in background", 7, 70, 134, 10},
};

const DialogTemplate kDisplaySettings = {
    IDD_DISPLAY_SETTINGS, "Display Settings",         "MS Sans Serif", 8, 148, 107,
    kDisplayControls,     std::size(kDisplayControls)};

// Dialog 109: the controller, then each action's key and controller button.
const DialogControl kInputControls[] = {
    {IDOK, ControlKind::DefaultButton, "OK", 7, 227, 50, 14},
    {IDCANCEL, ControlKind::Button, "Cancel", 163, 227, 50, 14},
    {IDC_STATIC, ControlKind::Label, "Controller:", 7, 7, 44, 8},
    {IDC_INPUT_DEVICE, ControlKind::DropDownList, "", 70, 7, 143, 30},
    {IDC_STATIC, ControlKind::Label, "A:", 7, 28, 60, 8},
    {IDC_KEY_FIRST + 0, ControlKind::DropDownList, "", 70, 26, 70, 120},
    {IDC_BUTTON_FIRST + 0, ControlKind::DropDownList, "", 145, 26, 68, 120},
    {IDC_STATIC, ControlKind::Label, "B:", 7, 41, 60, 8},
    {IDC_KEY_FIRST + 1, ControlKind::DropDownList, "", 70, 39, 70, 120},
    {IDC_BUTTON_FIRST + 1, ControlKind::DropDownList, "", 145, 39, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Select:", 7, 54, 60, 8},
    {IDC_KEY_FIRST + 2, ControlKind::DropDownList, "", 70, 52, 70, 120},
    {IDC_BUTTON_FIRST + 2, ControlKind::DropDownList, "", 145, 52, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Start:", 7, 67, 60, 8},
    {IDC_KEY_FIRST + 3, ControlKind::DropDownList, "", 70, 65, 70, 120},
    {IDC_BUTTON_FIRST + 3, ControlKind::DropDownList, "", 145, 65, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Up:", 7, 80, 60, 8},
    {IDC_KEY_FIRST + 4, ControlKind::DropDownList, "", 70, 78, 70, 120},
    {IDC_BUTTON_FIRST + 4, ControlKind::DropDownList, "", 145, 78, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Down:", 7, 93, 60, 8},
    {IDC_KEY_FIRST + 5, ControlKind::DropDownList, "", 70, 91, 70, 120},
    {IDC_BUTTON_FIRST + 5, ControlKind::DropDownList, "", 145, 91, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Left:", 7, 106, 60, 8},
    {IDC_KEY_FIRST + 6, ControlKind::DropDownList, "", 70, 104, 70, 120},
    {IDC_BUTTON_FIRST + 6, ControlKind::DropDownList, "", 145, 104, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Right:", 7, 119, 60, 8},
    {IDC_KEY_FIRST + 7, ControlKind::DropDownList, "", 70, 117, 70, 120},
    {IDC_BUTTON_FIRST + 7, ControlKind::DropDownList, "", 145, 117, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Menu:", 7, 132, 60, 8},
    {IDC_KEY_FIRST + 8, ControlKind::DropDownList, "", 70, 130, 70, 120},
    {IDC_BUTTON_FIRST + 8, ControlKind::DropDownList, "", 145, 130, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Fast forward:", 7, 145, 60, 8},
    {IDC_KEY_FIRST + 9, ControlKind::DropDownList, "", 70, 143, 70, 120},
    {IDC_BUTTON_FIRST + 9, ControlKind::DropDownList, "", 145, 143, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Save state:", 7, 158, 60, 8},
    {IDC_KEY_FIRST + 10, ControlKind::DropDownList, "", 70, 156, 70, 120},
    {IDC_BUTTON_FIRST + 10, ControlKind::DropDownList, "", 145, 156, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Load state:", 7, 171, 60, 8},
    {IDC_KEY_FIRST + 11, ControlKind::DropDownList, "", 70, 169, 70, 120},
    {IDC_BUTTON_FIRST + 11, ControlKind::DropDownList, "", 145, 169, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Undo state:", 7, 184, 60, 8},
    {IDC_KEY_FIRST + 12, ControlKind::DropDownList, "", 70, 182, 70, 120},
    {IDC_BUTTON_FIRST + 12, ControlKind::DropDownList, "", 145, 182, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Rewind:", 7, 197, 60, 8},
    {IDC_KEY_FIRST + 13, ControlKind::DropDownList, "", 70, 195, 70, 120},
    {IDC_BUTTON_FIRST + 13, ControlKind::DropDownList, "", 145, 195, 68, 120},
    {IDC_STATIC, ControlKind::Label, "Screenshot:", 7, 210, 60, 8},
    {IDC_KEY_FIRST + 14, ControlKind::DropDownList, "", 70, 208, 70, 120},
    {IDC_BUTTON_FIRST + 14, ControlKind::DropDownList, "", 145, 208, 68, 120},
};

const DialogTemplate kInputSettings = {
    IDD_INPUT_SETTINGS, "Input Settings",         "MS Sans Serif", 8, 220, 248,
    kInputControls,     std::size(kInputControls)};

}  // namespace

const MenuResource* loadMenuResource(uint16_t id) {
    return id == IDR_MAIN_MENU ? &kMainMenu : nullptr;
}

const DialogTemplate* loadDialogTemplate(uint16_t id) {
    if (id == IDD_DISPLAY_SETTINGS) return &kDisplaySettings;
    if (id == IDD_INPUT_SETTINGS) return &kInputSettings;
    return nullptr;
}

const DialogControl* findControl(const DialogTemplate& dialog, uint16_t id) {
    for (size_t i = 0; i < dialog.controlCount; ++i) {
        if (dialog.controls[i].id == id) return &dialog.controls[i];
    }
    return nullptr;
}

void stripMnemonic(const char* caption, char* out, size_t outSize) {
    if (outSize == 0) return;
    size_t n = 0;
    for (const char* c = caption; c != nullptr && *c != '\0' && n + 1 < outSize; ++c) {
        if (*c == '&') {
            if (c[1] != '&') continue;
            ++c;
        }
        out[n++] = *c;
    }
    out[n] = '\0';
}
