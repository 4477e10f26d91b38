// The words the player is shown when a file could not be written: which file, and
// why, as the host reported it for the operation that just failed.
#pragma once

#include <string>

// "Could not write <file>: <reason>. The file was left as it was." Call it right after
// the failed operation, before any other file operation can replace the host's reason.
std::string writeFailureMessage(const std::string& file);
