// The open-file chooser: a modal browser showing folders and the files that match
// one filter, returning the chosen file's full path.
#pragma once

#include <string>

struct PlatformWindow;

struct FileFilter {
    const char* description;  // "Gameboy ROMs"
    const char* patterns;     // "*.gb;*.gbc;"
};

// Called when the user picks a file. Returning false keeps the chooser open with
// reason shown, so that the user can pick another file or cancel.
using FileAcceptor = bool (*)(const std::string& path, std::string& reason, void* context);

// True, with the full path, when the user confirmed a file (that accept, when
// given, took); false when cancelled. The chooser starts in startFolder, or in the
// working folder when that is empty or cannot be listed.
bool chooseFile(PlatformWindow* owner, const FileFilter& filter, const std::string& startFolder,
                std::string& path, FileAcceptor accept = nullptr, void* context = nullptr);
