// The open-file chooser on Win32: the common open-file dialog, with one filter. It
// runs in UTF-16 (GetOpenFileNameW), so that any file name can be chosen; the
// filter, the start folder and the chosen path cross in UTF-8.
#include <string>

#include "cartridge/wide_text_win32.h"
#include "platform/file_chooser.h"
#include "platform/message_box.h"
#include "platform/win32/win32_platform.h"
#include "platform/window.h"

namespace {

// The flags the chooser always asks for: the read-only box hidden, path and file
// must exist, Explorer style with long names, resizable, and the working folder left
// as it was (the dialog would otherwise move it to the folder of the file chosen,
// and relative paths given on the command line would no longer be found).
constexpr DWORD kChooserFlags = OFN_READONLY | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                                OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER |
                                OFN_LONGNAMES | OFN_ENABLESIZING;
static_assert(kChooserFlags == 0x00A8180D);

// Room for the chosen path: far beyond MAX_PATH, which a path in a deep folder passes.
constexpr DWORD kPathRoom = 32768;

}  // namespace

bool chooseFile(PlatformWindow* owner, const FileFilter& filter, const std::string& startFolder,
                std::string& path, FileAcceptor accept, void* context) {
    // Description and patterns, each terminated, then the empty string that ends the list.
    std::wstring filterText = wideFromUtf8(filter.description != nullptr ? filter.description : "");
    filterText += L'\0';
    filterText += wideFromUtf8(filter.patterns != nullptr ? filter.patterns : "");
    filterText += L'\0';
    // An empty folder leaves the dialog to start in the working folder.
    const std::wstring initialDirectory = wideFromUtf8(startFolder);
    std::wstring file(kPathRoom, L'\0');
    for (;;) {
        if (closeRequested()) return false;
        file.assign(kPathRoom, L'\0');
        OPENFILENAMEW request = {};
        // The structure as it stood before the Windows 2000 additions: the size every
        // version of the dialog accepts (76 bytes in 32-bit programs, 88 in 64-bit ones).
        request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
        request.hwndOwner = win32::windowHandle(owner);
        request.lpstrFilter = filterText.c_str();
        request.nFilterIndex = 1;
        request.lpstrFile = file.data();
        request.nMaxFile = kPathRoom;
        request.lpstrInitialDir = initialDirectory.c_str();
        request.Flags = kChooserFlags;
        if (GetOpenFileNameW(&request) != 1) return false;
        path = utf8FromWide(file.c_str());
        std::string reason;
        if (accept == nullptr || accept(path, reason, context)) return true;
        // The file was not taken: say why and let the user pick again.
        showMessageBox(owner, reason.c_str());
    }
}
