// The process's environment, in UTF-8 on every host. On Windows getenv gives the
// user's code page, in which a folder such as %APPDATA% under a user name outside it
// cannot be spelled; the system's own UTF-16 environment is read instead.
#pragma once

#include <string>

// The value of the variable name; empty when it is not set.
std::string environmentVariable(const char* name);
