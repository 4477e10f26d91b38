// The desktop program: everything happens in runProgram on this one thread.
// "korvi game.gb" loads and runs the cartridge at once.
#include "app/startup.h"

int main(int argc, char** argv) {
    return runProgram(argc > 1 ? argv[1] : nullptr);
}
