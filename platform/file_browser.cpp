#include "platform/file_browser.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "cartridge/utf8_path.h"

namespace fs = std::filesystem;

namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool wildcardMatch(const char* pattern, size_t patternLength, const std::string& name, size_t at) {
    for (size_t p = 0; p < patternLength; ++p) {
        if (pattern[p] == '*') {
            for (size_t skip = at; skip <= name.size(); ++skip) {
                if (wildcardMatch(pattern + p + 1, patternLength - p - 1, name, skip)) return true;
            }
            return false;
        }
        if (at >= name.size()) return false;
        if (pattern[p] != '?' && lower(pattern[p]) != lower(name[at])) return false;
        ++at;
    }
    return at == name.size();
}

bool lessByName(const BrowserEntry& a, const BrowserEntry& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

}  // namespace

bool matchesFilter(const std::string& name, const char* patterns) {
    if (patterns == nullptr) return false;
    const char* start = patterns;
    while (*start != '\0') {
        const char* end = start;
        while (*end != '\0' && *end != ';') ++end;
        if (end > start && wildcardMatch(start, static_cast<size_t>(end - start), name, 0))
            return true;
        start = *end == ';' ? end + 1 : end;
    }
    return false;
}

bool FileBrowser::open(const std::string& folder) {
    std::error_code error;
    const fs::path path = fs::absolute(pathFromUtf8(folder), error).lexically_normal();
    if (error) return false;
    fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
    if (error) return false;

    std::vector<BrowserEntry> folders;
    std::vector<BrowserEntry> files;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) break;
        const std::string name = utf8FromPath(it->path().filename());
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            folders.push_back({name, true});
        } else if (it->is_regular_file(typeError) && matchesFilter(name, filter_.patterns)) {
            files.push_back({name, false});
        }
    }
    std::sort(folders.begin(), folders.end(), lessByName);
    std::sort(files.begin(), files.end(), lessByName);

    std::string text = utf8FromPath(path);
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    folder_ = text;
    entries_.clear();
    if (path.has_relative_path()) entries_.push_back({"..", true});
    entries_.insert(entries_.end(), folders.begin(), folders.end());
    entries_.insert(entries_.end(), files.begin(), files.end());
    return true;
}

bool FileBrowser::goToParent() {
    const fs::path path = pathFromUtf8(folder_);
    if (!path.has_relative_path()) return false;
    return open(utf8FromPath(path.parent_path()));
}

bool FileBrowser::activate(size_t index) {
    if (index >= entries_.size()) return false;
    const BrowserEntry entry = entries_[index];
    if (entry.name == "..") {
        goToParent();
        return false;
    }
    const fs::path full = pathFromUtf8(folder_) / pathFromUtf8(entry.name);
    if (entry.isFolder) {
        open(utf8FromPath(full));
        return false;
    }
    chosen_ = utf8FromPath(full);
    return true;
}
