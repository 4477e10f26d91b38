// The display on DirectDraw 7: the screen taken exclusively at a 32-bit mode, a
// primary surface with one attached back buffer, off-screen surfaces for the
// layers the renderer writes row by row, colour fills, stretching and keyed copies
// done by Blt, text through GDI on the back buffer, and present as one Blt of the
// back buffer onto the primary (the flipping chain is never flipped).
//
// Every surface has the primary's pixel format, which must be 32-bit with red,
// green and blue in bits 16-23, 8-15 and 0-7: the layout of the program's own pixels,
// so that rows are copied as they are.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/presenter_source.h"
#include "platform/win32/win32_platform.h"
#include "video/display.h"
#include "video/palette.h"

// A DirectDraw surface and what the display needs to remember about it.
//
// Off-screen surfaces keep their pixels in a plain copy in memory as well. The
// renderer writes its layers one row at a time, hundreds of rows a frame; each row
// lock of a DirectDraw surface is a round trip through the driver (close to a
// millisecond under Wine), so row locks of an off-screen surface hand out rows of
// the copy, and the rows written since the last copy go to the DirectDraw surface
// in one lock right before the surface is copied from. The copy also brings the
// pixels across a re-initialisation of the display.
class Surface {
public:
    IDirectDrawSurface7* surface = nullptr;
    int width = 0;
    int height = 0;
    Pixel key = 0;
    bool locked = false;
    RECT lockedRect = {};
    std::vector<Pixel> pixels;  // off-screen surfaces only: the copy in memory
    int dirtyTop = 0;             // rows [dirtyTop, dirtyBottom) not yet sent
    int dirtyBottom = 0;

    bool offscreen() const { return !pixels.empty(); }
    void markDirty(int top, int bottom) {
        if (dirtyTop >= dirtyBottom) {
            dirtyTop = top;
            dirtyBottom = bottom;
            return;
        }
        dirtyTop = std::min(dirtyTop, top);
        dirtyBottom = std::max(dirtyBottom, bottom);
    }

    bool holds(const Rect& r) const {
        return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
               r.right <= width && r.bottom <= height;
    }
};

struct Display::Impl {
    IDirectDraw7* directDraw = nullptr;
    IDirectDrawSurface7* primary = nullptr;
    Surface back;  // its surface is null while the display is not initialised
    HWND window = nullptr;
    bool windowed = false;  // on the desktop in a window, not full screen
    // Every off-screen surface handed out and not yet released: they outlive a
    // re-initialisation, so each is made again on the new DirectDraw object.
    std::vector<Surface*> offscreen;
    HFONT font = nullptr;  // the text's, made at the first text drawn

    ~Impl() {
        if (font != nullptr) DeleteObject(font);
    }
};

Display display;

namespace {

RECT toRect(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

// A surface whose memory was taken by a mode switch is given its memory back; its
// contents are redrawn by the callers (every layer row is rewritten per frame).
void restoreIfLost(IDirectDrawSurface7* surface, HRESULT result) {
    if (result == DDERR_SURFACELOST) surface->Restore();
}

// Where the back buffer goes in a window, in screen coordinates: as large as the
// client area allows with its shape kept, by whole multiples when it fits at least
// once, centred. False when the window shows nothing (minimised).
bool pictureArea(HWND window, int width, int height, RECT& area) {
    RECT client;
    if (width <= 0 || height <= 0 || !GetClientRect(window, &client)) return false;
    const int clientW = client.right - client.left;
    const int clientH = client.bottom - client.top;
    if (clientW <= 0 || clientH <= 0) return false;
    int shownW = clientW;
    int shownH = static_cast<int>(static_cast<long long>(height) * clientW / width);
    if (shownH > clientH) {
        shownH = clientH;
        shownW = static_cast<int>(static_cast<long long>(width) * clientH / height);
    }
    const int whole = std::min(clientW / width, clientH / height);
    if (whole >= 1) {
        shownW = whole * width;
        shownH = whole * height;
    }
    POINT origin{(clientW - shownW) / 2, (clientH - shownH) / 2};
    ClientToScreen(window, &origin);
    area = RECT{origin.x, origin.y, origin.x + shownW, origin.y + shownH};
    return true;
}

void colourFill(IDirectDrawSurface7* target, RECT* rect, uint8_t index) {
    DDBLTFX effects;
    std::memset(&effects, 0, sizeof(effects));
    effects.dwSize = sizeof(effects);
    effects.dwFillColor = indexPixel(index);
    target->PageLock(0);
    HRESULT result = target->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &effects);
    if (result == DDERR_SURFACELOST) {
        target->Restore();
        target->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &effects);
    }
    target->PageUnlock(0);
}

bool makeSurface(IDirectDraw7* directDraw, Surface& surface) {
    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof(description));
    description.dwSize = sizeof(description);
    description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_CKSRCBLT;
    description.dwWidth = static_cast<DWORD>(surface.width);
    description.dwHeight = static_cast<DWORD>(surface.height);
    description.ddckCKSrcBlt.dwColorSpaceLowValue = surface.key;
    description.ddckCKSrcBlt.dwColorSpaceHighValue = surface.key;
    // In system memory. Copies out of video memory are free to filter when they
    // stretch, which mixes neighbouring pixels into colours that were never drawn
    // (Wine's do); from system memory every stretched pixel is a source pixel. Video
    // memory only when system memory runs out.
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    surface.surface = nullptr;
    if (FAILED(directDraw->CreateSurface(&description, &surface.surface, nullptr))) {
        description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
        if (FAILED(directDraw->CreateSurface(&description, &surface.surface, nullptr))) {
            surface.surface = nullptr;
            return false;
        }
    }
    DDCOLORKEY key = {surface.key, surface.key};
    surface.surface->SetColorKey(DDCKEY_SRCBLT, &key);
    // A new DirectDraw surface holds whatever its memory held: all of it is sent
    // from the copy before its first use.
    surface.markDirty(0, surface.height);
    return true;
}

// Sends the rows written since the last time from the copy to the DirectDraw
// surface. False when the surface cannot be locked; the rows stay marked.
bool sendDirtyRows(Surface& surface) {
    if (surface.dirtyTop >= surface.dirtyBottom) return true;
    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof(description));
    description.dwSize = sizeof(description);
    RECT rows = {0, surface.dirtyTop, surface.width, surface.dirtyBottom};
    const DWORD flags = DDLOCK_WAIT | DDLOCK_WRITEONLY;
    HRESULT result = surface.surface->Lock(&rows, &description, flags, nullptr);
    if (result == DDERR_SURFACELOST) {
        surface.surface->Restore();
        result = surface.surface->Lock(&rows, &description, flags, nullptr);
    }
    if (FAILED(result)) return false;
    auto* out = static_cast<uint8_t*>(description.lpSurface);
    const size_t width = static_cast<size_t>(surface.width);
    for (int y = surface.dirtyTop; y < surface.dirtyBottom; ++y, out += description.lPitch) {
        std::memcpy(out, surface.pixels.data() + static_cast<size_t>(y) * width,
                    width * sizeof(Pixel));
    }
    surface.surface->Unlock(&rows);
    surface.dirtyTop = surface.dirtyBottom = 0;
    return true;
}

void releaseInterface(auto*& object) {
    if (object == nullptr) return;
    object->Release();
    object = nullptr;
}

struct ModeListing {
    DisplayModeCallback callback;
    void* context;
};

HRESULT WINAPI modeFound(DDSURFACEDESC2* mode, void* context) {
    auto* listing = static_cast<ModeListing*>(context);
    const DisplayModeDescription description{static_cast<int>(mode->dwWidth),
                                             static_cast<int>(mode->dwHeight),
                                             static_cast<int>(mode->ddpfPixelFormat.dwRGBBitCount)};
    return listing->callback(description, listing->context) ? DDENUMRET_OK : DDENUMRET_CANCEL;
}

// A lone primary surface and a separate back buffer in system memory: what a window
// on the desktop uses, and the last resort of full screen.
bool createWindowedSurfaces(IDirectDraw7* directDraw, IDirectDrawSurface7*& primary,
                            IDirectDrawSurface7*& back, int width, int height) {
    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof(description));
    description.dwSize = sizeof(description);
    description.dwFlags = DDSD_CAPS;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(directDraw->CreateSurface(&description, &primary, nullptr))) {
        primary = nullptr;
        return false;
    }
    std::memset(&description, 0, sizeof(description));
    description.dwSize = sizeof(description);
    description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    description.dwWidth = static_cast<DWORD>(width);
    description.dwHeight = static_cast<DWORD>(height);
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    if (SUCCEEDED(directDraw->CreateSurface(&description, &back, nullptr))) return true;
    back = nullptr;
    releaseInterface(primary);
    return false;
}


// The primary surface and the back buffer the picture is built in. Video memory is
// asked for first; a driver without it (Wine's GDI renderer, a machine without 3D
// support) gets the same chain in system memory, and failing that a lone primary
// with a separate back buffer in system memory: present() copies the back buffer
// over either way.
bool createSurfaces(IDirectDraw7* directDraw, IDirectDrawSurface7*& primary,
                    IDirectDrawSurface7*& back, int width, int height) {
    const DWORD chain = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    const DWORD chainCaps[] = {chain | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY,
                               chain | DDSCAPS_VIDEOMEMORY, chain | DDSCAPS_SYSTEMMEMORY, chain};
    for (const DWORD caps : chainCaps) {
        DDSURFACEDESC2 description;
        std::memset(&description, 0, sizeof(description));
        description.dwSize = sizeof(description);
        description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        description.dwBackBufferCount = 1;
        description.ddsCaps.dwCaps = caps;
        if (FAILED(directDraw->CreateSurface(&description, &primary, nullptr))) {
            primary = nullptr;
            continue;
        }
        DDSCAPS2 backCaps;
        std::memset(&backCaps, 0, sizeof(backCaps));
        backCaps.dwCaps = DDSCAPS_BACKBUFFER;
        if (SUCCEEDED(primary->GetAttachedSurface(&backCaps, &back))) return true;
        back = nullptr;
        releaseInterface(primary);
    }

    return createWindowedSurfaces(directDraw, primary, back, width, height);
}

}  // namespace

Display::~Display() {
    releaseDisplay();
    if (impl_ == nullptr) return;
    for (Surface* surface : impl_->offscreen) delete surface;
    delete impl_;
    impl_ = nullptr;
}

bool Display::initDisplay(PlatformWindow* window, int width, int height, int bitsPerPixel) {
    releaseDisplay();
    if (bitsPerPixel != kDisplayBitsPerPixel) return false;
    if (impl_ == nullptr) impl_ = new Impl;
    Impl& d = *impl_;
    window_ = window;
    d.window = win32::windowHandle(window);

    if (FAILED(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&d.directDraw),
                                  IID_IDirectDraw7, nullptr))) {
        d.directDraw = nullptr;
        return false;
    }
    d.windowed = win32::windowedMode();
    if (d.windowed) {
        // On the desktop, in its mode: the back buffer is copied into the window.
        if (FAILED(d.directDraw->SetCooperativeLevel(d.window, DDSCL_NORMAL))) return false;
        if (!createWindowedSurfaces(d.directDraw, d.primary, d.back.surface, width, height))
            return false;
    } else {
        if (FAILED(d.directDraw->SetCooperativeLevel(
                d.window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_NOWINDOWCHANGES |
                              DDSCL_EXCLUSIVE))) {
            return false;
        }
        if (FAILED(d.directDraw->SetDisplayMode(width, height, bitsPerPixel, 0, 0))) return false;
        if (!createSurfaces(d.directDraw, d.primary, d.back.surface, width, height)) return false;
    }
    d.back.width = width;
    d.back.height = height;

    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(d.directDraw->CreateClipper(0, &clipper, nullptr))) return false;
    if (FAILED(clipper->SetHWnd(0, d.window))) {
        clipper->Release();
        return false;
    }
    const HRESULT clipped = d.primary->SetClipper(clipper);
    clipper->Release();  // the primary holds its own reference
    if (FAILED(clipped)) return false;

    DDPIXELFORMAT format;
    std::memset(&format, 0, sizeof(format));
    format.dwSize = sizeof(format);
    if (FAILED(d.primary->GetPixelFormat(&format)) || !(format.dwFlags & DDPF_RGB) ||
        format.dwRGBBitCount != 32 || format.dwRBitMask != 0xFF0000 ||
        format.dwGBitMask != 0x00FF00 || format.dwBBitMask != 0x0000FF) {
        return false;
    }

    width_ = width;
    height_ = height;
    for (Surface* surface : d.offscreen) {
        releaseInterface(surface->surface);
        surface->locked = false;
        makeSurface(d.directDraw, *surface);
    }
    return true;
}

void Display::releaseDisplay() {
    if (impl_ == nullptr || impl_->directDraw == nullptr) return;
    Impl& d = *impl_;
    d.directDraw->SetCooperativeLevel(d.window, DDSCL_NORMAL);
    d.directDraw->RestoreDisplayMode();
    // Off-screen surfaces belong to this DirectDraw object; the next initDisplay
    // makes them again on its own.
    for (Surface* surface : d.offscreen) {
        releaseInterface(surface->surface);
        surface->locked = false;
    }
    releaseInterface(d.back.surface);
    d.back.locked = false;
    releaseInterface(d.primary);
    releaseInterface(d.directDraw);
    window_ = nullptr;
    width_ = 0;
    height_ = 0;
}

bool Display::isInitialised() const {
    return impl_ != nullptr && impl_->back.surface != nullptr;
}

Surface* Display::createOffscreen(int width, int height, uint8_t sourceKey) {
    if (impl_ == nullptr || impl_->directDraw == nullptr || width <= 0 || height <= 0) {
        return nullptr;
    }
    // The same bound as the display hardware's: keeps the copy's size sane.
    constexpr int kMaxSide = 16384;
    if (width > kMaxSide || height > kMaxSide) return nullptr;
    auto* surface = new Surface;
    surface->width = width;
    surface->height = height;
    surface->key = indexPixel(sourceKey);
    surface->pixels.assign(static_cast<size_t>(width) * height, 0);
    if (!makeSurface(impl_->directDraw, *surface)) {
        delete surface;
        return nullptr;
    }
    impl_->offscreen.push_back(surface);
    impl_->directDraw->Compact();
    return surface;
}

void Display::releaseSurface(Surface*& surface) {
    if (surface == nullptr) return;
    if (impl_ != nullptr) {
        auto& list = impl_->offscreen;
        list.erase(std::remove(list.begin(), list.end(), surface), list.end());
    }
    releaseInterface(surface->surface);
    delete surface;
    surface = nullptr;
}

bool Display::clearBack(uint8_t index) {
    if (!isInitialised()) return false;
    colourFill(impl_->back.surface, nullptr, index);
    return true;
}

bool Display::fillRect(Surface* target, uint8_t index, int left, int top, int width, int height) {
    if (target == nullptr) {
        if (!isInitialised()) return false;
        target = &impl_->back;
    }
    if (target->surface == nullptr) return false;
    const int64_t right = static_cast<int64_t>(left) + width;
    const int64_t bottom = static_cast<int64_t>(top) + height;
    if (right < 0 || right > target->width || bottom < 0 || bottom > target->height) return true;
    const Rect r{left, top, static_cast<int>(right), static_cast<int>(bottom)};
    if (!target->holds(r)) return true;
    if (target->offscreen()) {
        const Pixel colour = indexPixel(index);
        for (int y = r.top; y < r.bottom; ++y) {
            Pixel* row = target->pixels.data() + static_cast<size_t>(y) * target->width;
            std::fill(row + r.left, row + r.right, colour);
        }
        target->markDirty(r.top, r.bottom);
        return true;
    }
    RECT rect = toRect(r);
    colourFill(target->surface, &rect, index);
    return true;
}

bool Display::blitToBack(const Rect& destination, Surface* source, const Rect& sourceRect,
                         bool keyed) {
    if (!isInitialised() || source == nullptr || source->surface == nullptr) return false;
    IDirectDrawSurface7* back = impl_->back.surface;
    if (!impl_->back.holds(destination) || !source->holds(sourceRect)) return false;
    if (source->offscreen() && !sendDirtyRows(*source)) return false;
    RECT to = toRect(destination);
    RECT from = toRect(sourceRect);
    const DWORD flags = (keyed ? DDBLT_KEYSRC : 0) | DDBLT_WAIT;
    back->PageLock(0);
    HRESULT result = back->Blt(&to, source->surface, &from, flags, nullptr);
    if (result == DDERR_SURFACELOST) {
        back->Restore();
        source->surface->Restore();
        result = back->Blt(&to, source->surface, &from, flags, nullptr);
    }
    back->PageUnlock(0);
    return SUCCEEDED(result);
}

bool Display::drawText(const char* text, uint16_t x, uint16_t y) {
    if (!isInitialised() || text == nullptr) return false;
    IDirectDrawSurface7* back = impl_->back.surface;
    back->PageLock(0);
    HDC dc = nullptr;
    if (FAILED(back->GetDC(&dc))) {
        back->PageUnlock(0);
        return false;
    }
    SetBkMode(dc, TRANSPARENT);
    // Without smoothing: on a 32-bit surface GDI would blend the letters' edges into
    // greys, which the picture's text never had.
    if (impl_->font == nullptr) {
        impl_->font = CreateFontA(0, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    }
    HGDIOBJ previousFont = impl_->font != nullptr ? SelectObject(dc, impl_->font) : nullptr;
    const bool coloured = SetTextColor(dc, RGB(255, 255, 255)) != CLR_INVALID;
    if (coloured) TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
    if (previousFont != nullptr) SelectObject(dc, previousFont);
    back->ReleaseDC(dc);
    back->PageUnlock(0);
    return coloured;
}

void Display::listDisplayModes(DisplayModeCallback callback, void* context) {
    if (callback == nullptr || impl_ == nullptr || impl_->directDraw == nullptr) return;
    ModeListing listing{callback, context};
    impl_->directDraw->EnumDisplayModes(0, nullptr, &listing, modeFound);
}

void Display::present() {
    if (!isInitialised()) return;
    IDirectDrawSurface7* primary = impl_->primary;
    primary->PageLock(0);
    RECT target;
    RECT* where = nullptr;
    if (impl_->windowed) {
        if (!pictureArea(impl_->window, width_, height_, target)) {
            primary->PageUnlock(0);
            return;
        }
        where = &target;
    }
    const HRESULT result = primary->Blt(where, impl_->back.surface, nullptr, DDBLT_WAIT, nullptr);
    restoreIfLost(primary, result);
    primary->PageUnlock(0);
}

Pixel* Display::lock(Surface* surface, const Rect& rect, int* pitch) {
    if (surface == nullptr || surface->surface == nullptr || surface->locked ||
        !surface->holds(rect)) {
        return nullptr;
    }
    if (surface->offscreen()) {
        surface->locked = true;
        surface->markDirty(rect.top, rect.bottom);
        if (pitch != nullptr) *pitch = surface->width;
        return surface->pixels.data() + static_cast<size_t>(rect.top) * surface->width + rect.left;
    }
    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof(description));
    description.dwSize = sizeof(description);
    RECT area = toRect(rect);
    const DWORD flags = DDLOCK_WAIT | DDLOCK_WRITEONLY;
    HRESULT result = surface->surface->Lock(&area, &description, flags, nullptr);
    if (result == DDERR_SURFACELOST) {
        surface->surface->Restore();
        result = surface->surface->Lock(&area, &description, flags, nullptr);
    }
    if (FAILED(result)) return nullptr;
    surface->locked = true;
    surface->lockedRect = area;
    if (pitch != nullptr) *pitch = static_cast<int>(description.lPitch) / static_cast<int>(sizeof(Pixel));
    return static_cast<Pixel*>(description.lpSurface);
}

void Display::unlock(Surface* surface) {
    if (surface == nullptr || !surface->locked) return;
    if (!surface->offscreen() && surface->surface != nullptr) {
        surface->surface->Unlock(&surface->lockedRect);
    }
    surface->locked = false;
}

Pixel* Display::lockBack(const Rect& rect, int* pitch) {
    if (!isInitialised()) return nullptr;
    return lock(&impl_->back, rect, pitch);
}

void Display::unlockBack() {
    if (impl_ != nullptr) unlock(&impl_->back);
}

// The display draws on DirectDraw itself: there is no presenter to install.
Presenter* platformPresenter() {
    return nullptr;
}
