// Start-up and shutdown of the program, and the entry point's sequence.
#pragma once

// Reads the settings, creates the window, takes the display, sets up input and
// allocates the machine and the renderer's layers. A failure shows its "ERROR: ..."
// message and returns false.
bool startUp();
// Saves battery RAM (a save that cannot be written is reported, naming the file and
// the reason) and releases everything start-up made; skips what was never
// made, so it is safe after a failed start-up and when repeated.
void shutDown();
// startUp, the emulation loop when start-up succeeded, then shutDown. Returns the
// exit code: 0, or 1 when start-up failed. romPath, when given, names a cartridge to
// load and run at once.
int runProgram(const char* romPath = nullptr);
