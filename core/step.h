// One emulation step: an instruction, an LCD update, at most one interrupt.
#pragma once

// Returns false when no cartridge is loaded or the CPU is stopped.
bool stepMachine();
