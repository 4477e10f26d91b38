// The headless runner: the machine, the renderer and a display whose frames are
// kept in memory, driven a scan line at a time with scripted joypad input.
#pragma once

#include <cstdint>
#include <string>

#include "tools/korvi_run/run_options.h"

class HeadlessPresenter;
class WavWriter;

struct RunResult {
    uint32_t frames = 0;     // frames of emulated time, LCD on or off
    uint32_t presented = 0;  // pictures presented in them
    uint64_t steps = 0;
    double seconds = 0;
    uint32_t rumbleFrames = 0;  // presented frames during which the rumble motor ran
    bool rumbleOn = false;      // whether it ran during the last one
};

// Allocates the machine, takes a display of the options' size on the presenter and
// creates the renderer's layers. False with a message when something is missing.
bool openRunner(const RunOptions& options, HeadlessPresenter& presenter, std::string& error);

// Runs options.frames frames of emulated time (70,224 clock cycles each, the LCD on
// or off), ending as LY wraps round to 0; the presenter then holds the last picture
// presented, if any. Scripted presses count the same frames. With a WAV writer the
// audio unit listens and its samples go to the file after every line. With
// options.verbose each frame at which the rumble motor starts or stops is printed.
// A stop signal (see stop_signals.h) ends the run early, at the end of a frame.
// The unit goes on listening after the run, so that a state taken then keeps the
// sound still being made; closeRunner stops it.
RunResult runFrames(const RunOptions& options, WavWriter* wav = nullptr);

// Draws the chosen debug view over the last frame (nothing for the main view).
void drawView(RunView view);

// Writes the presenter's last frame as a PNG.
bool writeScreenshot(const std::string& path, const HeadlessPresenter& presenter,
                     std::string& error);

// Saves the battery RAM and releases everything openRunner made.
void closeRunner();
