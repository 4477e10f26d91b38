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

const MenuItem kGameItems[] = {
    {"&Load...", ID_GAME_LOAD, nullptr, 0},
    {"&Reset", ID_GAME_RESET, nullptr, 0},
    {"R&esume", ID_GAME_RESUME, nullptr, 0},
    {nullptr, 0, nullptr, 0},
    {"Sa&ve State\tF5", ID_GAME_SAVE_STATE, nullptr, 0},
    {"Loa&d State\tF7", ID_GAME_LOAD_STATE, nullptr, 0},
    {"S&lot", 0, kSlotItems, std::size(kSlotItems)},
    {"&Undo State\tF9", ID_GAME_UNDO_STATE, nullptr, 0},
    {nullptr, 0, nullptr, 0},
    {"&Sound", ID_GAME_SOUND, nullptr, 0},
};

const MenuItem kScreenItems[] = {
    {"&Main", ID_SCREEN_MAIN, nullptr, 0},
    {"&Tiles", ID_SCREEN_TILES, nullptr, 0},
    {"&OAM", ID_SCREEN_OAM, nullptr, 0},
};

const MenuItem kDisplayItems[] = {
    {"&Screen", 0, kScreenItems, std::size(kScreenItems)},
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
    {IDOK, ControlKind::DefaultButton, "OK", 7, 72, 50, 14},
    {IDCANCEL, ControlKind::Button, "Cancel", 91, 72, 50, 14},
    {IDC_ZOOM, ControlKind::DropDownList, "", 29, 7, 112, 30},
    {IDC_STATIC, ControlKind::Label, "Zoom:", 7, 7, 22, 8},
    {IDC_STATIC, ControlKind::Label, "Screen Size:", 7, 23, 42, 8},
    {IDC_SCREEN_SIZE, ControlKind::DropDownList, "", 50, 23, 91, 12},
    {IDC_LIMIT_FPS, ControlKind::CheckBox, "Limit FPS to 60", 7, 42, 134, 10},
    {IDC_RAW_COLOURS, ControlKind::CheckBox, "Raw colours (no LCD curve)", 7, 56, 134, 10},
};

const DialogTemplate kDisplaySettings = {
    IDD_DISPLAY_SETTINGS, "Display Settings",         "MS Sans Serif", 8, 148, 93,
    kDisplayControls,     std::size(kDisplayControls)};

// Dialog 109.
const DialogControl kInputControls[] = {
    {IDOK, ControlKind::DefaultButton, "OK", 7, 26, 50, 14},
    {IDCANCEL, ControlKind::Button, "Cancel", 91, 26, 50, 14},
    {IDC_STATIC, ControlKind::Label, "Input Device:", 7, 7, 44, 8},
    {IDC_INPUT_DEVICE, ControlKind::DropDownList, "", 54, 7, 87, 30},
};

const DialogTemplate kInputSettings = {
    IDD_INPUT_SETTINGS, "Input Settings",         "MS Sans Serif", 8, 148, 47,
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
