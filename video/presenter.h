// The presenter is the platform's end of the display: it takes the screen, lists
// the modes it can show and puts finished back buffers (pixels 0x00RRGGBB, see
// palette.h) on it. The platform layer implements it; the headless presenter keeps
// frames in memory for tests and tools.
#pragma once

#include <cstdint>

#include "video/display.h"

class Presenter {
public:
    virtual ~Presenter() = default;

    // Prepares a screen of width x height for the given window. False on failure.
    virtual bool open(PlatformWindow* window, int width, int height) = 0;
    // Gives the screen back; called once per successful or failed open.
    virtual void close() = 0;
    // Shows width x height pixels whose rows are pitch pixels apart. False when the
    // frame could not be shown; the screen then keeps the previous frame.
    virtual bool present(const Pixel* pixels, int width, int height, int pitch) = 0;
    // Calls back once per mode; stops when the callback returns false.
    virtual void listModes(DisplayModeCallback callback, void* context) = 0;
};

// Installs the presenter used by the next initDisplay (null removes it). The
// presenter must outlive the display that uses it.
void setPresenter(Presenter* presenter);
Presenter* installedPresenter();
