// The desktop program: everything happens in runProgram on this one thread.
// "korvi game.gb" loads and runs the cartridge at once.
#include <cstdio>
#include <cstdlib>

#include "app/startup.h"

int main(int argc, char** argv) {
    const int code = runProgram(argc > 1 ? argv[1] : nullptr);
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
