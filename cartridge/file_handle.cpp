#include "cartridge/file_handle.h"

#include "cartridge/file_host.h"

bool FileHandle::open(const std::string& path, FileMode mode) {
    close();
    mode_ = mode;
    missing_ = false;
    switch (mode) {
        case FileMode::Read:
        case FileMode::Create:
        case FileMode::Overwrite:
        case FileMode::Append: break;
        default: failure_ = "unknown file mode"; return false;
    }
    failure_.clear();
    handle_ = filehost::open(path, mode, failure_, missing_);
    return isOpen();
}

bool FileHandle::createNew(const std::string& path) {
    close();
    mode_ = FileMode::Create;
    failure_.clear();
    handle_ = filehost::createNew(path, nameTaken_, failure_);
    return isOpen();
}

void FileHandle::close() {
    if (!isOpen()) return;
    filehost::close(handle_);
    handle_ = kInvalidHandle;
}

uint32_t FileHandle::read(void* destination, uint32_t n) {
    readFailed_ = false;
    if (!isOpen() || mode_ != FileMode::Read || n == 0) return 0;
    const uint32_t got = filehost::read(handle_, destination, n, readFailed_);
    if (readFailed_) failure_ = hostErrorText();
    return got;
}

uint64_t FileHandle::size() const {
    uint64_t bytes = 0;
    if (!isOpen() || !filehost::size(handle_, bytes)) return 0;
    return bytes;
}

uint32_t FileHandle::write(const void* source, uint32_t n) {
    if (!isOpen() || mode_ == FileMode::Read || n == 0) return 0;
    const uint32_t written = filehost::write(handle_, source, n);
    if (written < n) failure_ = hostErrorText();
    return written;
}

uint32_t FileHandle::writeValue(uint32_t value, uint32_t n) {
    if (n > 4) n = 4;
    uint8_t bytes[4];
    for (uint32_t i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return write(bytes, n);
}

bool FileHandle::flush() {
    if (!isOpen() || mode_ == FileMode::Read) return false;
    if (filehost::flush(handle_)) return true;
    failure_ = hostErrorText();
    return false;
}

bool FileHandle::seekToStart() {
    if (!isOpen() || mode_ == FileMode::Read) return false;
    if (filehost::seekToStart(handle_)) return true;
    failure_ = hostErrorText();
    return false;
}
