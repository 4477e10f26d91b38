// The SM83 CPU: one instruction per call, through the memory bus.
#pragma once

// Runs the instruction at PC. Called by stepMachine only while the CPU is neither
// halted nor stopped.
void executeInstruction();
// Runs the CB-prefixed instruction whose prefix is at PC.
void executeCbInstruction();
