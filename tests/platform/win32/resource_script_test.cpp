// The resource script compiled into korvi.exe against the menu and dialog data the
// program's logic reads (resources/resources.cpp): captions, command IDs, dialog
// sizes, fonts and every control, read back from the compiled resources.
// The resource data and the Windows headers share names (IDOK): win32_platform.h
// includes them in an order that works, and GoogleTest, which includes
// <windows.h> itself, comes after.
// clang-format off
#include "platform/win32/win32_platform.h"
#include "resources/resources.h"
// clang-format on

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string captionOf(HMENU menu, UINT position) {
    char text[64] = "";
    GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
    return text;
}

void expectMenuMatches(HMENU menu, const MenuItem* items, size_t count, const std::string& path) {
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(count)) << path;
    for (size_t i = 0; i < count; ++i) {
        const MenuItem& want = items[i];
        const UINT position = static_cast<UINT>(i);
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
        ASSERT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info)) << path << " item " << i;
        const std::string where = path + " item " + std::to_string(i);
        if (want.caption == nullptr) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << where << " should be a separator";
            continue;
        }
        EXPECT_EQ(captionOf(menu, position), want.caption) << where;
        if (want.children != nullptr) {
            ASSERT_NE(info.hSubMenu, nullptr) << where << " should open a submenu";
            expectMenuMatches(info.hSubMenu, want.children, want.childCount,
                              path + " > " + want.caption);
        } else {
            EXPECT_EQ(info.hSubMenu, nullptr) << where;
            EXPECT_EQ(info.wID, want.commandId) << where << " " << want.caption;
        }
    }
}

TEST(ResourceScriptTest, MenuMatchesTheMenuData) {
    const MenuResource* data = loadMenuResource(IDR_MAIN_MENU);
    ASSERT_NE(data, nullptr);
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_NE(menu, nullptr) << "menu 102 is not among the compiled resources";
    expectMenuMatches(menu, data->topLevel, data->topLevelCount, "menu bar");
    DestroyMenu(menu);
}

// A dialog template as the resource compiler laid it out: a header, then the
// controls, each aligned on four bytes, with strings in UTF-16 and classes as atoms.
struct CompiledControl {
    DWORD style;
    short x, y, width, height;
    WORD id;
    WORD classAtom;  // 0x80 button, 0x82 static, 0x85 combo box
    std::string text;
};

struct CompiledDialog {
    DWORD style;
    short width, height;
    std::string caption;
    WORD fontPoints = 0;
    std::string fontName;
    std::vector<CompiledControl> controls;
};

class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : at_(data) {}
    WORD word() {
        WORD value;
        memcpy(&value, at_, sizeof(value));
        at_ += sizeof(value);
        return value;
    }
    DWORD dword() { return word() | (static_cast<DWORD>(word()) << 16); }
    short coordinate() { return static_cast<short>(word()); }
    // A string, or an ordinal (0xFFFF then the number) given back as "#number".
    std::string text() {
        std::string out;
        WORD c = word();
        if (c == 0xFFFF) {
            out = "#";
            out += std::to_string(word());
            return out;
        }
        for (; c != 0; c = word()) out += static_cast<char>(c);
        return out;
    }
    void alignToDword(const BYTE* base) {
        while ((at_ - base) % 4 != 0) ++at_;
    }

private:
    const BYTE* at_;
};

bool readDialog(uint16_t id, CompiledDialog& dialog) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (found == nullptr) return false;
    const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    TemplateReader in(base);
    dialog.style = in.dword();
    in.dword();  // extended style
    const WORD count = in.word();
    in.coordinate();
    in.coordinate();
    dialog.width = in.coordinate();
    dialog.height = in.coordinate();
    in.text();  // menu
    in.text();  // class
    dialog.caption = in.text();
    if (dialog.style & DS_SETFONT) {
        dialog.fontPoints = in.word();
        dialog.fontName = in.text();
    }
    for (WORD i = 0; i < count; ++i) {
        in.alignToDword(base);
        CompiledControl control;
        control.style = in.dword();
        in.dword();  // extended style
        control.x = in.coordinate();
        control.y = in.coordinate();
        control.width = in.coordinate();
        control.height = in.coordinate();
        control.id = in.word();
        const std::string className = in.text();
        control.classAtom =
            className[0] == '#' ? static_cast<WORD>(std::stoi(className.substr(1))) : 0;
        control.text = in.text();
        const WORD extra = in.word();
        for (WORD skip = 0; skip < extra; skip += 2) in.word();
        dialog.controls.push_back(control);
    }
    return true;
}

// Whether the compiled control is of the kind the data names.
bool sameKind(const CompiledControl& control, ControlKind kind) {
    const DWORD buttonType = control.style & 0x0F;
    switch (kind) {
        case ControlKind::DefaultButton:
            return control.classAtom == 0x80 && buttonType == BS_DEFPUSHBUTTON;
        case ControlKind::Button: return control.classAtom == 0x80 && buttonType == BS_PUSHBUTTON;
        case ControlKind::CheckBox:
            return control.classAtom == 0x80 && buttonType == BS_AUTOCHECKBOX;
        case ControlKind::Label: return control.classAtom == 0x82;
        case ControlKind::DropDownList:
            return control.classAtom == 0x85 && (control.style & 0x03) == CBS_DROPDOWNLIST &&
                   !(control.style & CBS_SORT) && (control.style & WS_VSCROLL);
    }
    return false;
}

class DialogResourceTest : public ::testing::TestWithParam<uint16_t> {};

TEST_P(DialogResourceTest, MatchesTheDialogData) {
    const DialogTemplate* data = loadDialogTemplate(GetParam());
    ASSERT_NE(data, nullptr);
    CompiledDialog compiled;
    ASSERT_TRUE(readDialog(GetParam(), compiled))
        << "dialog " << GetParam() << " is not among the compiled resources";

    EXPECT_EQ(compiled.caption, data->caption);
    EXPECT_EQ(compiled.fontName, data->fontName);
    EXPECT_EQ(compiled.fontPoints, data->fontPoints);
    EXPECT_EQ(compiled.width, data->width);
    EXPECT_EQ(compiled.height, data->height);
    const DWORD frame = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    EXPECT_EQ(compiled.style & frame, frame) << "a modal popup with caption and modal frame";

    ASSERT_EQ(compiled.controls.size(), data->controlCount);
    for (size_t i = 0; i < data->controlCount; ++i) {
        const DialogControl& want = data->controls[i];
        const CompiledControl& got = compiled.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + want.text + "\"");
        EXPECT_EQ(got.id, want.id);
        EXPECT_TRUE(sameKind(got, want.kind))
            << "class " << got.classAtom << " style 0x" << std::hex << got.style;
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
        if (want.kind == ControlKind::Label) {
            EXPECT_TRUE(got.style & WS_GROUP) << "labels start a group";
        } else {
            EXPECT_TRUE(got.style & WS_TABSTOP) << "controls are tab stops";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothDialogs, DialogResourceTest,
                         ::testing::Values(IDD_DISPLAY_SETTINGS, IDD_INPUT_SETTINGS));

}  // namespace
