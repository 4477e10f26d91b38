// The display: one 8-bit indexed back buffer, off-screen 8-bit surfaces, fills,
// stretching and keyed copies, white text, and present. Every pixel is a palette
// index (see palette.h). The software implementation keeps the surfaces in memory
// and hands the finished back buffer to a Presenter; the Windows build implements
// the same operations on DirectDraw.
#pragma once

#include <cstdint>

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

class Surface;         // an 8-bit surface owned by the display implementation
struct PlatformWindow;  // the main window, opaque outside platform/

class Display {
public:
    Display() = default;
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    bool initDisplay(PlatformWindow* window, int width, int height, int bitsPerPixel);
    void releaseDisplay();
    bool isInitialised() const;

    Surface* createOffscreen(int width, int height);
    void releaseSurface(Surface*& surface);
    void setSourceKey(Surface* surface, uint8_t keyIndex);

    bool clearBack(uint8_t index);
    // Fills (left, top, left + width, top + height) of target, or of the back buffer
    // when target is null. A rectangle outside the surface draws nothing.
    bool fillRect(Surface* target, uint8_t index, int left, int top, int width, int height);
    bool blitToBack(const Rect& destination, Surface* source, const Rect& sourceRect, bool keyed);
    bool drawText(const char* text, uint16_t x, uint16_t y);
    bool drawNumber(uint32_t value, uint16_t x, uint16_t y);
    void listDisplayModes(DisplayModeCallback callback, void* context);
    void present();

    // Row access for writing: returns the address of the rectangle's first pixel and
    // its pitch, or null when the rectangle does not lie inside the surface (or the
    // surface is null; a null surface in lockBack means the back buffer).
    uint8_t* lock(Surface* surface, const Rect& rect, int* pitch);
    void unlock(Surface* surface);
    uint8_t* lockBack(const Rect& rect, int* pitch);
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
