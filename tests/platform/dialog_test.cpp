#include "platform/dialog.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Dialog, TemplatesAreLaidOutInPixelsAtTheOrigin) {
    Dialog dialog(*loadDialogTemplate(IDD_DISPLAY_SETTINGS));
    const PixelRect r = dialog.windowRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.width(), 148 * 6 / 4 + 2 * kDialogFrame);
    EXPECT_EQ(r.height(), 107 * 13 / 8 + 2 * kDialogFrame + kDialogCaptionHeight);
    const PixelRect ok = dialog.controlRect(IDOK);
    EXPECT_EQ(ok.left, 7 * 6 / 4);
    EXPECT_EQ(ok.width(), 50 * 6 / 4);
    dialog.moveTo(100, 50);
    EXPECT_EQ(dialog.windowRect().left, 100);
    EXPECT_EQ(dialog.windowRect().width(), r.width());
}

TEST(Dialog, ListsKeepOrderAndSelectionStaysInRange) {
    Dialog dialog(*loadDialogTemplate(IDD_DISPLAY_SETTINGS));
    EXPECT_EQ(dialog.selection(IDC_ZOOM), -1);
    EXPECT_EQ(dialog.itemText(IDC_ZOOM), "");
    for (const char* e : {"3", "1", "2"}) dialog.addString(IDC_ZOOM, e);
    dialog.setSelection(IDC_ZOOM, 1);
    EXPECT_EQ(dialog.itemText(IDC_ZOOM), "1");
    dialog.setSelection(IDC_ZOOM, 3);
    EXPECT_EQ(dialog.selection(IDC_ZOOM), -1);
    dialog.setSelection(IDC_ZOOM, -5);
    EXPECT_EQ(dialog.selection(IDC_ZOOM), -1);
    EXPECT_EQ(dialog.itemText(IDC_LIMIT_FPS), "Limit FPS to 60");
    EXPECT_EQ(dialog.entryCount(IDC_INPUT_DEVICE), 0) << "not a control of this dialog";
}

TEST(Resources, MnemonicsAreStrippedForDisplay) {
    struct Case {
        const char* caption;
        const char* shown;
    };
    for (Case c : {Case{"E&xit", "Exit"}, Case{"&Load...", "Load..."}, Case{"Input", "Input"},
                   Case{"R&&D", "R&D"}, Case{"&", ""}}) {
        char out[32];
        stripMnemonic(c.caption, out, sizeof out);
        EXPECT_STREQ(out, c.shown) << c.caption;
    }
    char tiny[3];
    stripMnemonic("&Settings", tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "Se");
}

}  // namespace
