#include "platform/message_text.h"

namespace {

// Three dots rather than the ellipsis character: every font and code page has them.
constexpr const char* kEllipsis = "...";
constexpr size_t kEllipsisWidth = 3;

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string shortened(const std::string& word, size_t longest) {
    const size_t firstSeparator = word.find_first_of("/\\");
    const size_t lastSeparator = word.find_last_of("/\\");
    if (firstSeparator == std::string::npos || firstSeparator == lastSeparator) return word;
    const std::string head = word.substr(0, firstSeparator + 1);
    // Whole folders from the end, as many as fit beside the head.
    size_t tailStart = lastSeparator;
    for (size_t at = lastSeparator; at > firstSeparator;) {
        if (head.size() + kEllipsisWidth + (word.size() - at) > longest) break;
        tailStart = at;
        do {
            --at;
        } while (at > firstSeparator && !isSeparator(word[at]));
    }
    if (tailStart <= firstSeparator) return word;
    return head + kEllipsis + word.substr(tailStart);
}

}  // namespace

std::string fitForMessageBox(const std::string& text, size_t longest) {
    std::string fitted;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of(" \n", start);
        const size_t stop = end == std::string::npos ? text.size() : end;
        const std::string word = text.substr(start, stop - start);
        fitted += word.size() > longest ? shortened(word, longest) : word;
        if (stop < text.size()) fitted += text[stop];
        start = stop + 1;
    }
    return fitted;
}
