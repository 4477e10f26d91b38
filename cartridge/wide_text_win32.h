// Text across the Win32 boundary. The program keeps all of its text, paths included,
// in UTF-8; the system's W calls take and give UTF-16. The code-page (A) calls would
// turn every character outside the user's code page into '?', so text crosses the
// boundary only through these two.
#pragma once

#include <string>
#include <string_view>

// UTF-16 of UTF-8 text; a byte that starts no valid sequence becomes U+FFFD.
std::wstring wideFromUtf8(std::string_view text);
// UTF-8 of UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string utf8FromWide(std::wstring_view text);
