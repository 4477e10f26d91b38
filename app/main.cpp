// The desktop program: everything happens in runProgram on this one thread.
// "korvi game.gb" loads and runs the cartridge at once.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/startup.h"
#include "cartridge/program_arguments.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = programArguments(argc, argv);
    const int code = runProgram(arguments.empty() ? nullptr : arguments.front().c_str());
#ifdef _WIN32
    // Everything the program keeps is written by the time runProgram returns (the
    // battery save included). On Windows the process then ends at once, without the
    // static destructors: under Wine the heap is found damaged at that point after
    // some runs (the cause is not yet known), and freeing into it faulted, losing the
    // exit code and leaving the process hanging in the debugger.
    std::fflush(nullptr);
    std::_Exit(code);
#endif
    return code;
}
