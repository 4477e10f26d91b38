// A path as the W file calls take it. Classic Win32 paths stop at MAX_PATH (260)
// characters, folders at 248; a longer path works only in the \\?\ form, which the
// system takes literally: absolute, backslashes only, no "." or "..".
#pragma once

#include <string>

// The UTF-16 form of a UTF-8 path. One whose absolute form is too long for the
// classic limit comes back absolute with the \\?\ prefix (\\?\UNC\ for a
// \\server\share path); any other is only converted, so that device names (NUL,
// CON) and relative names keep their usual meaning.
std::wstring widePath(const std::string& path);

// path made absolute against the current folder by the system's rules (GetFullPathNameW:
// slashes turned round, "." and ".." resolved), of any length; empty on failure.
std::wstring absoluteWidePath(const std::wstring& path);
