// FileHandle on Win32. The sharing rules are the system's own: a reader lets other
// readers in, a writer shares with nobody, and CreateFileW refuses an open that
// would break either. Paths arrive in UTF-8 and go to the W calls through
// widePath, which also lifts the classic 260-character limit.
#include <windows.h>

#include "cartridge/file_handle.h"
#include "cartridge/file_host.h"
#include "cartridge/wide_path_win32.h"
#include "cartridge/wide_text_win32.h"

namespace filehost {

namespace {

HANDLE toHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

struct OpenRule {
    DWORD access;
    DWORD share;
    DWORD disposition;
};

// Access, sharing and creation per mode. Create opens with CREATE_ALWAYS, which
// already empties an existing file; SetEndOfFile then cuts at the (start) position
// once more, so that the file is empty whatever the file system did.
bool ruleForMode(FileMode mode, OpenRule& rule) {
    switch (mode) {
        case FileMode::Read: rule = {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING}; return true;
        case FileMode::Create: rule = {GENERIC_WRITE, 0, CREATE_ALWAYS}; return true;
        case FileMode::Overwrite:
        case FileMode::Append: rule = {GENERIC_WRITE, 0, OPEN_ALWAYS}; return true;
    }
    return false;
}

// The system's words for code, in the user's language and converted to UTF-8.
std::string errorText(DWORD code) {
    wchar_t text[256];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, sizeof text / sizeof text[0], nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' ||
                          text[length - 1] == L' ' || text[length - 1] == L'.')) {
        --length;
    }
    if (length == 0) return "system error " + std::to_string(code);
    return utf8FromWide(std::wstring_view(text, length));
}

// Only files on a disk are read or written: a device (CON, NUL, COM1) or a pipe is
// refused before anything is read from it.
bool isDiskFile(HANDLE file, std::string& failure) {
    if (GetFileType(file) == FILE_TYPE_DISK) return true;
    failure = kNotARegularFile;
    return false;
}

}  // namespace

intptr_t open(const std::string& path, FileMode mode, std::string& failure, bool& missing) {
    missing = false;
    OpenRule rule;
    if (!ruleForMode(mode, rule) || path.empty()) {
        failure = "no file name";
        return FileHandle::kInvalidHandle;
    }
    HANDLE file = CreateFileW(widePath(path).c_str(), rule.access, rule.share, nullptr,
                              rule.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        failure = code == ERROR_SHARING_VIOLATION ? "in use by another program" : errorText(code);
        return FileHandle::kInvalidHandle;
    }
    bool ok = isDiskFile(file, failure);
    if (ok && mode == FileMode::Create && !SetEndOfFile(file)) {
        failure = errorText(GetLastError());
        ok = false;
    }
    if (!ok) {
        CloseHandle(file);
        return FileHandle::kInvalidHandle;
    }
    if (mode == FileMode::Append) SetFilePointer(file, 0, nullptr, FILE_END);
    return reinterpret_cast<intptr_t>(file);
}

// CREATE_NEW fails on any existing name, a link included, so nothing is followed.
intptr_t createNew(const std::string& path, bool& taken, std::string& failure) {
    taken = false;
    if (path.empty()) {
        failure = "no file name";
        return FileHandle::kInvalidHandle;
    }
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        taken = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
        failure = errorText(code);
        return FileHandle::kInvalidHandle;
    }
    return reinterpret_cast<intptr_t>(file);
}

void close(intptr_t handle) {
    CloseHandle(toHandle(handle));
}

uint32_t read(intptr_t handle, void* destination, uint32_t n, bool& failed) {
    uint8_t* out = static_cast<uint8_t*>(destination);
    uint32_t done = 0;
    failed = false;
    while (done < n) {
        DWORD got = 0;
        if (!ReadFile(toHandle(handle), out + done, n - done, &got, nullptr)) {
            failed = true;
            break;
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

uint32_t write(intptr_t handle, const void* source, uint32_t n) {
    const uint8_t* in = static_cast<const uint8_t*>(source);
    uint32_t done = 0;
    while (done < n) {
        DWORD put = 0;
        if (!WriteFile(toHandle(handle), in + done, n - done, &put, nullptr) || put == 0) break;
        done += put;
    }
    return done;
}

bool flush(intptr_t handle) {
    return FlushFileBuffers(toHandle(handle)) != 0;
}

bool seekToStart(intptr_t handle) {
    return SetFilePointer(toHandle(handle), 0, nullptr, FILE_BEGIN) == 0;
}

bool size(intptr_t handle, uint64_t& bytes) {
    LARGE_INTEGER length;
    if (!GetFileSizeEx(toHandle(handle), &length) || length.QuadPart < 0) return false;
    bytes = static_cast<uint64_t>(length.QuadPart);
    return true;
}

}  // namespace filehost

// MoveFileExW replaces an existing file only when asked to; WRITE_THROUGH returns
// once the new name is on the disk, so a crash cannot bring back the old file.
bool renameFile(const std::string& from, const std::string& to) {
    return MoveFileExW(widePath(from).c_str(), widePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const std::string& path) {
    return DeleteFileW(widePath(path).c_str()) != 0;
}

bool makeFolder(const std::string& path) {
    const std::wstring wide = widePath(path);
    if (CreateDirectoryW(wide.c_str(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return true;
    SetLastError(ERROR_DIRECTORY);
    return false;
}

std::string hostErrorText() {
    return filehost::errorText(GetLastError());
}

namespace {

// Opens whatever stands at path (a folder too) to look at it only; with
// FILE_FLAG_OPEN_REPARSE_POINT in flags a link itself rather than what it names.
HANDLE openToInspect(const std::string& path, DWORD flags) {
    return CreateFileW(widePath(path).c_str(), 0,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

}  // namespace

std::string occupiedBy(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return "a symbolic link";
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "a folder";
    }
    // Device names (NUL, CON, COM1) need no file to exist.
    HANDLE file = openToInspect(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (file == INVALID_HANDLE_VALUE) return {};
    const bool disk = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    return disk ? std::string() : "a device, pipe or socket";
}

bool sameFile(const std::string& first, const std::string& second) {
    HANDLE a = openToInspect(first, 0);
    if (a == INVALID_HANDLE_VALUE) return false;
    HANDLE b = openToInspect(second, 0);
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    const bool same = b != INVALID_HANDLE_VALUE && GetFileInformationByHandle(a, &infoA) &&
                      GetFileInformationByHandle(b, &infoB) &&
                      infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
                      infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
                      infoA.nFileIndexLow == infoB.nFileIndexLow;
    if (b != INVALID_HANDLE_VALUE) CloseHandle(b);
    CloseHandle(a);
    return same;
}

// In UTF-16, so that a name outside the code page survives, and of any length.
std::string absolutePath(const std::string& path) {
    // Absolute already: a drive and a separator, or a share (\\server\share).
    const bool drive = path.size() >= 3 && path[1] == ':' && isPathSeparator(path[2]);
    const bool share = path.size() >= 2 && isPathSeparator(path[0]) && isPathSeparator(path[1]);
    if (path.empty() || drive || share) return path;
    const std::wstring full = absoluteWidePath(wideFromUtf8(path));
    return full.empty() ? path : utf8FromWide(full);
}
