// For the pacing benchmark: with KORVI_FRAME_LOG naming a file, the program notes the
// host's time (microseconds) of every frame of emulated time that ends, with the
// machine's step count then, and of every picture presented, and writes them there
// when it ends: one line each, "E <us> <steps>" or "P <us>". At most kFrameLogEntries
// are kept (about nine minutes' worth), in memory taken at start-up, so that noting
// costs nothing on the way.
#pragma once

#include <cstdint>

inline constexpr uint32_t kFrameLogEntries = 65536;

void startFrameLog();
void noteEmulatedFrame(uint64_t stepCount);
void notePresentedFrame();
// Writes the file, if one was asked for; a failure goes to stderr.
void finishFrameLog();
