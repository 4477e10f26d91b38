#include "video/display.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "video/font.h"
#include "video/palette.h"
#include "video/presenter.h"

// A surface in main memory. Rows are packed (pitch = width).
class Surface {
public:
    int width = 0;
    int height = 0;
    int pitch = 0;
    Pixel key = 0;
    bool locked = false;
    Pixel* pixels = nullptr;

    ~Surface() { delete[] pixels; }

    Pixel* row(int y) { return pixels + static_cast<size_t>(y) * pitch; }

    // The display refuses any rectangle that is empty or sticks out of its surface.
    bool holds(const Rect& r) const {
        return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
               r.right <= width && r.bottom <= height;
    }
};

namespace {

Surface* newSurface(int width, int height, Pixel key) {
    // Limits keep width * height well inside int and the allocation sane.
    constexpr int kMaxSide = 16384;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    auto* surface = new (std::nothrow) Surface;
    if (surface == nullptr) return nullptr;
    surface->pixels = new (std::nothrow) Pixel[static_cast<size_t>(width) * height]();
    if (surface->pixels == nullptr) {
        delete surface;
        return nullptr;
    }
    surface->width = width;
    surface->height = height;
    surface->pitch = width;
    surface->key = key;
    return surface;
}

void fill(Surface& target, const Rect& r, Pixel colour) {
    for (int y = r.top; y < r.bottom; ++y) {
        std::fill(target.row(y) + r.left, target.row(y) + r.right, colour);
    }
}

// Copies count pixels of a row, leaving out those equal to key. Layers are mostly
// key or mostly picture, so four pixels of key are passed over with one test.
void copyKeyedRow(Pixel* out, const Pixel* in, int count, Pixel key) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i keys = _mm_set1_epi32(static_cast<int>(key));
    for (; i + 4 <= count; i += 4) {
        __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i isKey = _mm_cmpeq_epi32(pixels, keys);
        const int keyMask = _mm_movemask_epi8(isKey);
        if (keyMask == 0xFFFF) continue;
        auto* target = reinterpret_cast<__m128i*>(out + i);
        if (keyMask != 0) {
            const __m128i beneath = _mm_loadu_si128(target);
            pixels = _mm_or_si128(_mm_and_si128(isKey, beneath), _mm_andnot_si128(isKey, pixels));
        }
        _mm_storeu_si128(target, pixels);
    }
#endif
    for (; i < count; ++i) {
        if (in[i] != key) out[i] = in[i];
    }
}

// A source row widened by a whole factor: each pixel becomes zoom pixels in a row.
template <int Zoom>
void widenRowBy(Pixel* out, const Pixel* in, int count) {
    for (int i = 0; i < count; ++i, out += Zoom) {
        for (int k = 0; k < Zoom; ++k) out[k] = in[i];
    }
}

void widenRow(Pixel* out, const Pixel* in, int count, int zoom) {
    switch (zoom) {
        case 1: std::memcpy(out, in, static_cast<size_t>(count) * sizeof(Pixel)); break;
        case 2: widenRowBy<2>(out, in, count); break;
        case 3: widenRowBy<3>(out, in, count); break;
        case 4: widenRowBy<4>(out, in, count); break;
        default:
            for (int i = 0; i < count; ++i, out += zoom) std::fill(out, out + zoom, in[i]);
            break;
    }
}

// Each source pixel becomes a zoomX x zoomY block: the common case of the game screen
// at zoom 1 to 4. A source row is widened once and then laid down zoomY times; for a
// keyed copy it is widened into the scratch row (as wide as the back buffer), since
// what shows through depends on each destination row.
void copyWholeZoom(Surface& back, const Rect& d, Surface& source, const Rect& s, int zoomX,
                   int zoomY, bool keyed, Pixel* scratch) {
    const int sourceWidth = s.right - s.left;
    const int destinationWidth = d.right - d.left;
    const size_t rowBytes = static_cast<size_t>(destinationWidth) * sizeof(Pixel);
    int y = d.top;
    for (int sy = s.top; sy < s.bottom; ++sy) {
        const Pixel* in = source.row(sy) + s.left;
        if (keyed) {
            const Pixel* wide = in;
            if (zoomX > 1) {
                widenRow(scratch, in, sourceWidth, zoomX);
                wide = scratch;
            }
            for (int repeat = 0; repeat < zoomY; ++repeat, ++y) {
                copyKeyedRow(back.row(y) + d.left, wide, destinationWidth, source.key);
            }
        } else {
            Pixel* first = back.row(y) + d.left;
            widenRow(first, in, sourceWidth, zoomX);
            ++y;
            for (int repeat = 1; repeat < zoomY; ++repeat, ++y) {
                std::memcpy(back.row(y) + d.left, first, rowBytes);
            }
        }
    }
}

// Any other ratio, shrinking included: each destination pixel takes the source
// pixel under its top-left corner.
void copyNearest(Surface& back, const Rect& d, Surface& source, const Rect& s, bool keyed) {
    const int64_t destinationWidth = d.right - d.left;
    const int64_t destinationHeight = d.bottom - d.top;
    const int64_t sourceWidth = s.right - s.left;
    const int64_t sourceHeight = s.bottom - s.top;
    for (int64_t y = 0; y < destinationHeight; ++y) {
        const int sy = s.top + static_cast<int>(y * sourceHeight / destinationHeight);
        const Pixel* in = source.row(sy) + s.left;
        Pixel* out = back.row(d.top + static_cast<int>(y)) + d.left;
        for (int64_t x = 0; x < destinationWidth; ++x) {
            const Pixel value = in[x * sourceWidth / destinationWidth];
            if (!keyed || value != source.key) out[x] = value;
        }
    }
}

}  // namespace

struct Display::Impl {
    Surface* back = nullptr;
    Pixel* scratchRow = nullptr;   // one back-buffer row, for widening keyed copies
    Presenter* presenter = nullptr;  // opened, to be closed on release

    ~Impl() {
        delete back;
        delete[] scratchRow;
    }
};

Display display;

// At exit the presenter may already be gone (a function-local static dies before
// this global object), so the destructor only frees what the display owns and
// leaves the presenter to clean up after itself. Shutdown releases explicitly.
Display::~Display() {
    if (impl_ == nullptr) return;
    delete impl_;
    impl_ = nullptr;
}

bool Display::initDisplay(PlatformWindow* window, int width, int height, int bitsPerPixel) {
    releaseDisplay();
    impl_ = new (std::nothrow) Impl;
    if (impl_ == nullptr) return false;
    window_ = window;
    if (bitsPerPixel != kDisplayBitsPerPixel) return false;
    Presenter* presenter = installedPresenter();
    if (presenter == nullptr) return false;
    impl_->back = newSurface(width, height, 0);
    if (impl_->back == nullptr) return false;
    impl_->scratchRow = new (std::nothrow) Pixel[static_cast<size_t>(width)];
    if (impl_->scratchRow == nullptr) return false;
    impl_->presenter = presenter;
    if (!presenter->open(window, width, height)) return false;
    width_ = width;
    height_ = height;
    return true;
}

void Display::releaseDisplay() {
    if (impl_ == nullptr) return;
    if (impl_->presenter != nullptr) impl_->presenter->close();
    delete impl_;
    impl_ = nullptr;
    window_ = nullptr;
    width_ = 0;
    height_ = 0;
}

bool Display::isInitialised() const {
    return impl_ != nullptr && width_ > 0;
}

Surface* Display::createOffscreen(int width, int height, uint8_t sourceKey) {
    return newSurface(width, height, indexPixel(sourceKey));
}

void Display::releaseSurface(Surface*& surface) {
    delete surface;
    surface = nullptr;
}

bool Display::clearBack(uint8_t index) {
    if (!isInitialised()) return false;
    Surface& back = *impl_->back;
    fill(back, {0, 0, back.width, back.height}, indexPixel(index));
    return true;
}

bool Display::fillRect(Surface* target, uint8_t index, int left, int top, int width, int height) {
    if (target == nullptr) {
        if (!isInitialised()) return false;
        target = impl_->back;
    }
    // Computed wide so that a huge width cannot wrap round into a valid rectangle.
    const int64_t right = static_cast<int64_t>(left) + width;
    const int64_t bottom = static_cast<int64_t>(top) + height;
    if (right < 0 || right > target->width || bottom < 0 || bottom > target->height) return true;
    const Rect r{left, top, static_cast<int>(right), static_cast<int>(bottom)};
    if (target->holds(r)) fill(*target, r, indexPixel(index));
    return true;
}

bool Display::blitToBack(const Rect& destination, Surface* source, const Rect& sourceRect,
                         bool keyed) {
    if (!isInitialised() || source == nullptr) return false;
    Surface& back = *impl_->back;
    if (!back.holds(destination) || !source->holds(sourceRect)) return false;
    const int destinationWidth = destination.right - destination.left;
    const int destinationHeight = destination.bottom - destination.top;
    const int sourceWidth = sourceRect.right - sourceRect.left;
    const int sourceHeight = sourceRect.bottom - sourceRect.top;
    if (destinationWidth % sourceWidth == 0 && destinationHeight % sourceHeight == 0) {
        const int zoomX = destinationWidth / sourceWidth;
        const int zoomY = destinationHeight / sourceHeight;
        copyWholeZoom(back, destination, *source, sourceRect, zoomX, zoomY, keyed,
                      impl_->scratchRow);
    } else {
        copyNearest(back, destination, *source, sourceRect, keyed);
    }
    return true;
}

bool Display::drawText(const char* text, uint16_t x, uint16_t y) {
    if (!isInitialised() || text == nullptr) return false;
    Surface& back = *impl_->back;
    const Pixel white = indexPixel(kTextIndex);
    int left = x;
    for (const char* c = text; *c != '\0' && left < back.width; ++c, left += kGlyphAdvance) {
        const uint8_t* rows = glyphRows(*c);
        for (int r = 0; r < kGlyphHeight && y + r < back.height; ++r) {
            Pixel* out = back.row(y + r);
            for (int k = 0; k < kGlyphWidth && left + k < back.width; ++k) {
                if (rows[r] & (0x10 >> k)) out[left + k] = white;
            }
        }
    }
    return true;
}

void Display::listDisplayModes(DisplayModeCallback callback, void* context) {
    Presenter* presenter = installedPresenter();
    if (callback != nullptr && presenter != nullptr) presenter->listModes(callback, context);
}

void Display::present() {
    if (!isInitialised()) return;
    const Surface& back = *impl_->back;
    impl_->presenter->present(back.pixels, back.width, back.height, back.pitch);
}

Pixel* Display::lock(Surface* surface, const Rect& rect, int* pitch) {
    if (surface == nullptr || surface->locked || !surface->holds(rect)) return nullptr;
    surface->locked = true;
    if (pitch != nullptr) *pitch = surface->pitch;
    return surface->row(rect.top) + rect.left;
}

void Display::unlock(Surface* surface) {
    if (surface != nullptr) surface->locked = false;
}

Pixel* Display::lockBack(const Rect& rect, int* pitch) {
    if (!isInitialised()) return nullptr;
    return lock(impl_->back, rect, pitch);
}

void Display::unlockBack() {
    if (impl_ != nullptr) unlock(impl_->back);
}
