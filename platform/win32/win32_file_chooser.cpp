// The open-file chooser on Win32: the common open-file dialog, with one filter.
#include <string>

#include "platform/file_chooser.h"
#include "platform/message_box.h"
#include "platform/win32/win32_platform.h"
#include "platform/window.h"

namespace {

// The flags the chooser always asks for: the read-only box hidden, path and file
// must exist, Explorer style with long names, resizable.
constexpr DWORD kChooserFlags = OFN_READONLY | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                                OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES | OFN_ENABLESIZING;
static_assert(kChooserFlags == 0x00A81805);

}  // namespace

bool chooseFile(PlatformWindow* owner, const FileFilter& filter, const std::string& startFolder,
                std::string& path, FileAcceptor accept, void* context) {
    // Description and patterns, each terminated, then the empty string that ends the list.
    std::string filterText = filter.description;
    filterText += '\0';
    filterText += filter.patterns;
    filterText += '\0';
    for (;;) {
        if (closeRequested()) return false;
        char file[MAX_PATH] = "";
        // An empty folder leaves the dialog to start in the working folder.
        const char* initialDirectory = startFolder.c_str();
        OPENFILENAMEA request = {};
        // The structure as it stood before the Windows 2000 additions: the size every
        // version of the dialog accepts (76 bytes in 32-bit programs, 88 in 64-bit ones).
        request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        request.hwndOwner = win32::windowHandle(owner);
        request.lpstrFilter = filterText.c_str();
        request.nFilterIndex = 1;
        request.lpstrFile = file;
        request.nMaxFile = MAX_PATH;
        request.lpstrInitialDir = initialDirectory;
        request.Flags = kChooserFlags;
        if (GetOpenFileNameA(&request) != 1) return false;
        path = file;
        std::string reason;
        if (accept == nullptr || accept(path, reason, context)) return true;
        // The file was not taken: say why and let the user pick again.
        showMessageBox(owner, reason.c_str());
    }
}
