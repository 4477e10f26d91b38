// The desktop program: everything happens in runProgram on this one thread.
#include "app/startup.h"

int main() {
    return runProgram();
}
