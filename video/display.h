// The display: one back buffer, off-screen surfaces, fills, stretching and keyed
// copies, white text, and present. Every surface holds 32-bit pixels (0x00RRGGBB,
// see palette.h); fills, clears and copy keys are given as indexes of the fixed
// palette and drawn as their colours. The software implementation keeps the surfaces in memory
// and hands the finished back buffer to a Presenter (presenter.h); the Windows build
// implements the same operations on DirectDraw.
//
// Rectangles that do not lie wholly inside their surface are refused, as the
// display hardware refuses them: nothing is drawn, blitToBack and lock report
// failure, clearBack, fillRect and present return as if done. There is no clipping
// except for text, which is cut at the back buffer's edges.
#pragma once

#include <cstdint>

#include "video/palette.h"

// The depth of every display the program takes.
inline constexpr int kDisplayBitsPerPixel = 32;

struct Rect {
    int left, top, right, bottom;  // right and bottom exclusive
};

struct DisplayModeDescription {
    int width;
    int height;
    int bitsPerPixel;
};

// Returns true to go on with the enumeration.
using DisplayModeCallback = bool (*)(const DisplayModeDescription& mode, void* context);

class Surface;          // a surface owned by the display implementation
struct PlatformWindow;  // the main window, opaque outside platform/

class Display {
public:
    Display() = default;
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Takes the screen through the installed presenter (setPresenter) and builds a
    // back buffer of width x height. Only kDisplayBitsPerPixel is offered. A second call
    // releases the first display and starts again; off-screen surfaces stay valid.
    bool initDisplay(PlatformWindow* window, int width, int height, int bitsPerPixel);
    // Gives the screen back and drops the back buffer; harmless when repeated.
    void releaseDisplay();
    bool isInitialised() const;

    // A new off-screen surface, all black, whose keyed copies skip the colour of
    // index sourceKey.
    // Null when the size is not positive or memory ran out. Off-screen surfaces are
    // independent of initDisplay/releaseDisplay and belong to whoever created them.
    Surface* createOffscreen(int width, int height, uint8_t sourceKey = 0);
    void releaseSurface(Surface*& surface);

    // Fills the whole back buffer; false when there is no back buffer.
    bool clearBack(uint8_t index);
    // Fills (left, top, left + width, top + height) of target, or of the back buffer
    // when target is null. A rectangle outside the surface draws nothing and still
    // counts as done; false only when there is no surface to draw on at all.
    bool fillRect(Surface* target, uint8_t index, int left, int top, int width, int height);
    // Copies sourceRect of source into destination of the back buffer, stretching by
    // nearest neighbour when the sizes differ. A keyed copy skips source pixels equal
    // to the source's key. False when either rectangle is empty or outside its
    // surface, or when there is no back buffer.
    bool blitToBack(const Rect& destination, Surface* source, const Rect& sourceRect, bool keyed);
    // White text with a transparent background, top-left corner at (x, y).
    bool drawText(const char* text, uint16_t x, uint16_t y);
    // drawText of the value in decimal, without leading zeros.
    bool drawNumber(uint32_t value, uint16_t x, uint16_t y);
    // Calls back once per mode the installed presenter offers.
    void listDisplayModes(DisplayModeCallback callback, void* context);
    // Hands the whole back buffer to the presenter.
    void present();

    // Row access for writing: returns the address of the rectangle's first pixel and
    // its pitch in pixels, or null when the rectangle is empty or does not lie inside the
    // surface, the surface is null, or the surface is already locked. Every
    // successful lock is paired with an unlock.
    Pixel* lock(Surface* surface, const Rect& rect, int* pitch);
    void unlock(Surface* surface);
    Pixel* lockBack(const Rect& rect, int* pitch);
    void unlockBack();

    int width() const { return width_; }
    int height() const { return height_; }

private:
    PlatformWindow* window_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    struct Impl;
    Impl* impl_ = nullptr;
};

extern Display display;
