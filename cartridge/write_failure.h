// The words the player is shown when a file could not be written: which file, and why.
#pragma once

#include <string>

// "Could not write <file>: <reason>. The file was left as it was."
std::string writeFailureMessage(const std::string& file, const std::string& reason);
