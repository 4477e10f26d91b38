// The browsing logic of the open-file chooser, free of any toolkit: the entries of
// one folder (its parent, its sub-folders, then the files that match the filter),
// moving between folders and choosing a file. The platform's chooser draws it.
#pragma once

#include <string>
#include <vector>

#include "platform/file_chooser.h"

// True when name matches one of the ';'-separated patterns ("*.gb;*.gbc;"),
// letters compared without case. Patterns support '*' and '?'.
bool matchesFilter(const std::string& name, const char* patterns);

struct BrowserEntry {
    std::string name;  // ".." for the parent folder
    bool isFolder;
};

class FileBrowser {
public:
    explicit FileBrowser(const FileFilter& filter) : filter_(filter) {}

    // Lists a folder; false (and nothing changed) when it cannot be read.
    bool open(const std::string& folder);
    const std::string& folder() const { return folder_; }
    const std::vector<BrowserEntry>& entries() const { return entries_; }

    // Enters a folder entry (".." goes up) and returns false; for a file entry,
    // returns true and sets the chosen full path.
    bool activate(size_t index);
    bool goToParent();
    const std::string& chosenPath() const { return chosen_; }

    const FileFilter& filter() const { return filter_; }

private:
    FileFilter filter_;
    std::string folder_;
    std::vector<BrowserEntry> entries_;
    std::string chosen_;
};
