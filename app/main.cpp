// The desktop program: everything happens in runProgram on this one thread.
// "korvi game.gb" loads and runs the cartridge at once.
#include <string>
#include <vector>

#include "app/startup.h"
#include "cartridge/program_arguments.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = programArguments(argc, argv);
    return runProgram(arguments.empty() ? nullptr : arguments.front().c_str());
}
