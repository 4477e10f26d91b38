// FileHandle on POSIX hosts. Sharing is kept with advisory whole-file locks: readers
// take a shared lock, writers an exclusive one, and an open that would break either
// rule fails. File systems without lock support open the file unlocked.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cartridge/file_handle.h"
#include "cartridge/file_host.h"

namespace filehost {

namespace {

// Takes the lock without waiting; only a conflicting holder counts as a failure.
bool lockForMode(int fd, FileMode mode) {
    const int operation = (mode == FileMode::Read ? LOCK_SH : LOCK_EX) | LOCK_NB;
    while (flock(fd, operation) != 0) {
        if (errno == EINTR) continue;
        return errno != EWOULDBLOCK;
    }
    return true;
}

// The access and creation flags per mode. Create deliberately leaves out O_TRUNC:
// the file is cut only once the exclusive lock is held, so a refused writer never
// empties a file someone else is using.
int flagsForMode(FileMode mode) {
    switch (mode) {
        case FileMode::Read: return O_RDONLY;
        case FileMode::Create:
        case FileMode::Overwrite:
        case FileMode::Append: return O_WRONLY | O_CREAT;
    }
    return -1;
}

// The kernel's own pseudo-files (process memory, system tables) call themselves
// regular files, but their contents are made up as they are read.
bool isPseudoFile(int fd) {
#ifdef __linux__
    constexpr long kProcMagic = 0x9FA0;
    constexpr long kSysfsMagic = 0x62656572;
    struct statfs volume;
    if (fstatfs(fd, &volume) != 0) return false;
    return static_cast<long>(volume.f_type) == kProcMagic ||
           static_cast<long>(volume.f_type) == kSysfsMagic;
#else
    (void)fd;
    return false;
#endif
}

// Only regular files on ordinary volumes are read or written; checked on the open
// descriptor, so that what is checked is what is used.
bool isPlainFile(int fd, std::string& failure) {
    struct stat info;
    if (fstat(fd, &info) != 0) {
        failure = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        failure = "it is a folder, not a file";
        return false;
    }
    if (!S_ISREG(info.st_mode) || isPseudoFile(fd)) {
        failure = kNotARegularFile;
        return false;
    }
    return true;
}

// The open itself never blocks: a pipe without a writer would otherwise hang it.
// Once the descriptor is known to be a regular file, it goes back to blocking.
int openNonBlocking(const std::string& path, int flags, std::string& failure, bool& missing) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        missing = errno == ENOENT || errno == ENOTDIR;
        failure = errno == ENXIO ? kNotARegularFile : std::strerror(errno);
        return -1;
    }
    if (!isPlainFile(fd, failure)) {
        ::close(fd);
        return -1;
    }
    const int status = fcntl(fd, F_GETFL);
    if (status != -1) fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

}  // namespace

intptr_t open(const std::string& path, FileMode mode, std::string& failure, bool& missing) {
    missing = false;
    const int flags = flagsForMode(mode);
    if (flags < 0 || path.empty()) {
        failure = "no file name";
        return FileHandle::kInvalidHandle;
    }
    const int fd = openNonBlocking(path, flags, failure, missing);
    if (fd < 0) return FileHandle::kInvalidHandle;

    bool ok = lockForMode(fd, mode);
    if (!ok) failure = "in use by another program";
    if (ok && mode == FileMode::Create && ftruncate(fd, 0) != 0) {
        failure = std::strerror(errno);
        ok = false;
    }
    if (ok && mode == FileMode::Append) lseek(fd, 0, SEEK_END);
    if (!ok) {
        ::close(fd);
        return FileHandle::kInvalidHandle;
    }
    return fd;
}

intptr_t createNew(const std::string& path, bool& taken, std::string& failure) {
    taken = false;
    if (path.empty()) {
        failure = "no file name";
        return FileHandle::kInvalidHandle;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                    0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        taken = errno == EEXIST;
        failure = std::strerror(errno);
        return FileHandle::kInvalidHandle;
    }
    return fd;
}

void close(intptr_t handle) {
    ::close(static_cast<int>(handle));
}

uint32_t read(intptr_t handle, void* destination, uint32_t n, bool& failed) {
    uint8_t* out = static_cast<uint8_t*>(destination);
    uint32_t done = 0;
    failed = false;
    while (done < n) {
        const ssize_t got = ::read(static_cast<int>(handle), out + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        done += static_cast<uint32_t>(got);
    }
    return done;
}

uint32_t write(intptr_t handle, const void* source, uint32_t n) {
    const uint8_t* in = static_cast<const uint8_t*>(source);
    uint32_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(static_cast<int>(handle), in + done, n - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<uint32_t>(put);
    }
    return done;
}

bool flush(intptr_t handle) {
    return fsync(static_cast<int>(handle)) == 0;
}

bool seekToStart(intptr_t handle) {
    return lseek(static_cast<int>(handle), 0, SEEK_SET) == 0;
}

bool size(intptr_t handle, uint64_t& bytes) {
    struct stat info;
    if (fstat(static_cast<int>(handle), &info) != 0 || info.st_size < 0) return false;
    bytes = static_cast<uint64_t>(info.st_size);
    return true;
}

}  // namespace filehost

namespace {

// After a rename the directory entry itself must reach the disk, or a crash can
// bring back the old name. Best effort: not every file system can sync a directory.
void syncDirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string directory =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
}

}  // namespace

bool renameFile(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) return false;
    syncDirectoryOf(to);
    return true;
}

bool removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return false;
    if (S_ISDIR(info.st_mode)) return true;
    errno = ENOTDIR;
    return false;
}

std::string hostErrorText() {
    return std::strerror(errno);
}

std::string occupiedBy(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return {};
    if (S_ISLNK(info.st_mode)) return "a symbolic link";
    if (S_ISDIR(info.st_mode)) return "a folder";
    if (!S_ISREG(info.st_mode)) return "a device, pipe or socket";
    return {};
}

bool sameFile(const std::string& first, const std::string& second) {
    struct stat a, b;
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string absolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char folder[4096];
    if (getcwd(folder, sizeof folder) == nullptr) return path;
    std::string rest = path;
    while (rest.size() > 2 && rest.compare(0, 2, "./") == 0) rest.erase(0, 2);
    const std::string base = folder;
    return base == "/" ? "/" + rest : base + "/" + rest;
}
