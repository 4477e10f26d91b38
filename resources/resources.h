// The menu and dialog templates of the program, kept as data so that any user
// interface (the SDL/ImGui one, a Win32 resource script) draws the same captions,
// command IDs and controls.
#pragma once

#include <cstddef>
#include <cstdint>

// Resource numbers.
inline constexpr uint16_t IDR_MAIN_MENU = 102;
inline constexpr uint16_t IDD_DISPLAY_SETTINGS = 107;
inline constexpr uint16_t IDD_INPUT_SETTINGS = 109;

// Menu command IDs, as they arrive in a command message.
inline constexpr uint16_t ID_FILE_EXIT = 40001;
inline constexpr uint16_t ID_GAME_RESUME = 40007;
inline constexpr uint16_t ID_GAME_LOAD = 40009;
inline constexpr uint16_t ID_DISPLAY_SETTINGS = 40010;
inline constexpr uint16_t ID_SCREEN_MAIN = 40011;
inline constexpr uint16_t ID_SCREEN_OAM = 40012;
inline constexpr uint16_t ID_SCREEN_TILES = 40013;
inline constexpr uint16_t ID_INPUT_SETTINGS = 40014;
inline constexpr uint16_t ID_GAME_RESET = 40015;
inline constexpr uint16_t ID_GAME_SOUND = 40016;  // a check item
inline constexpr uint16_t ID_GAME_SAVE_STATE = 40017;
inline constexpr uint16_t ID_GAME_LOAD_STATE = 40018;
inline constexpr uint16_t ID_GAME_UNDO_STATE = 40019;
inline constexpr uint16_t ID_GAME_SCREENSHOT = 40020;
inline constexpr uint16_t ID_DISPLAY_SHOW_FPS = 40025;  // a check item
// Game > Recent > the last games loaded, newest first: ID_GAME_RECENT_1 + i.
inline constexpr uint16_t ID_GAME_RECENT_1 = 40031;
inline constexpr uint16_t kRecentMenuItems = 8;
// Game > Volume > 100 %, 75 %, 50 %, 25 %, Off, check items: ID_GAME_VOLUME_1 + i.
inline constexpr uint16_t ID_GAME_VOLUME_1 = 40041;
inline constexpr uint16_t kVolumeMenuItems = 5;
// Game > Slot > 1-4, check items: ID_GAME_STATE_SLOT_1 + slot - 1.
inline constexpr uint16_t ID_GAME_STATE_SLOT_1 = 40021;
inline constexpr uint16_t ID_GAME_STATE_SLOT_4 = 40024;

// Dialog control IDs.
inline constexpr uint16_t IDOK = 1;
inline constexpr uint16_t IDCANCEL = 2;
inline constexpr uint16_t IDC_ZOOM = 1001;
inline constexpr uint16_t IDC_SCREEN_SIZE = 1008;
inline constexpr uint16_t IDC_INPUT_DEVICE = 1013;
inline constexpr uint16_t IDC_LIMIT_FPS = 1014;
inline constexpr uint16_t IDC_RAW_COLOURS = 1015;
inline constexpr uint16_t IDC_RUN_IN_BACKGROUND = 1016;
// Input settings: the key and the controller button of each action, by its
// position in the list of actions.
inline constexpr uint16_t IDC_KEY_FIRST = 1100;
inline constexpr uint16_t IDC_BUTTON_FIRST = 1200;
inline constexpr uint16_t IDC_STATIC = 0xFFFF;  // labels have no ID of their own

// One entry of a menu: a command item, a separator, or a submenu whose items
// follow in `children`. Captions keep the '&' that marks the mnemonic letter; a
// tab divides a caption from the key that does the same.
struct MenuItem {
    const char* caption;  // null for a separator
    uint16_t commandId;   // 0 for separators and submenus
    const MenuItem* children;
    size_t childCount;
};

struct MenuResource {
    uint16_t id;
    const MenuItem* topLevel;  // the menu bar's entries, each a submenu
    size_t topLevelCount;
};

enum class ControlKind : uint8_t { DefaultButton, Button, Label, DropDownList, CheckBox };

// A dialog control; position and size in dialog units.
struct DialogControl {
    uint16_t id;
    ControlKind kind;
    const char* text;
    int16_t x, y, width, height;
};

struct DialogTemplate {
    uint16_t id;
    const char* caption;
    const char* fontName;
    uint8_t fontPoints;
    int16_t width, height;  // dialog units
    const DialogControl* controls;
    size_t controlCount;
};

// The templates, or null for an unknown resource number.
const MenuResource* loadMenuResource(uint16_t id);
const DialogTemplate* loadDialogTemplate(uint16_t id);

// Finds a control of a template by ID; null when there is none.
const DialogControl* findControl(const DialogTemplate& dialog, uint16_t id);

// The caption with the mnemonic marks removed ("E&xit" -> "Exit"; "&&" keeps one '&').
void stripMnemonic(const char* caption, char* out, size_t outSize);
