// The command line's arguments, in UTF-8 on every host. On Windows main's argv is
// in the user's code page, where a name such as "Игры/テスト.gb" arrives as
// "????/???.gb"; the system's UTF-16 command line is split and converted instead.
#pragma once

#include <string>
#include <vector>

// The arguments after the program's name (argv[1] on), in order.
std::vector<std::string> programArguments(int argc, char** argv);
