#include "video/display.h"

#include <cstring>
#include <new>

#include "video/font.h"
#include "video/palette.h"
#include "video/presenter.h"

// An 8-bit surface in main memory. Rows are packed (pitch = width).
class Surface {
public:
    int width = 0;
    int height = 0;
    int pitch = 0;
    uint8_t key = 0;
    bool locked = false;
    uint8_t* pixels = nullptr;

    ~Surface() { delete[] pixels; }

    uint8_t* row(int y) { return pixels + static_cast<size_t>(y) * pitch; }

    // The display refuses any rectangle that is empty or sticks out of its surface.
    bool holds(const Rect& r) const {
        return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
               r.right <= width && r.bottom <= height;
    }
};

namespace {

Surface* newSurface(int width, int height, uint8_t key) {
    // Limits keep width * height well inside int and the allocation sane.
    constexpr int kMaxSide = 16384;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    auto* surface = new (std::nothrow) Surface;
    if (surface == nullptr) return nullptr;
    surface->pixels = new (std::nothrow) uint8_t[static_cast<size_t>(width) * height]();
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

void fill(Surface& target, const Rect& r, uint8_t index) {
    const size_t length = static_cast<size_t>(r.right - r.left);
    for (int y = r.top; y < r.bottom; ++y) std::memset(target.row(y) + r.left, index, length);
}

// One destination row from one source row when each source pixel becomes exactly
// `zoom` destination pixels: the common case of the game screen at zoom 1 to 4.
template <bool Keyed>
void expandRow(uint8_t* out, const uint8_t* in, int count, int zoom, uint8_t key) {
    if (!Keyed && zoom == 1) {
        std::memcpy(out, in, static_cast<size_t>(count));
        return;
    }
    for (int i = 0; i < count; ++i, out += zoom) {
        const uint8_t value = in[i];
        if (Keyed && value == key) continue;
        switch (zoom) {
            case 1: out[0] = value; break;
            case 2: out[0] = out[1] = value; break;
            case 3: out[0] = out[1] = out[2] = value; break;
            case 4: out[0] = out[1] = out[2] = out[3] = value; break;
            default: std::memset(out, value, static_cast<size_t>(zoom)); break;
        }
    }
}

template <bool Keyed>
void copyWholeZoom(Surface& back, const Rect& d, Surface& source, const Rect& s, int zoomX,
                   int zoomY) {
    const int sourceWidth = s.right - s.left;
    const size_t destinationWidth = static_cast<size_t>(d.right - d.left);
    int y = d.top;
    for (int sy = s.top; sy < s.bottom; ++sy) {
        const uint8_t* in = source.row(sy) + s.left;
        uint8_t* first = back.row(y) + d.left;
        expandRow<Keyed>(first, in, sourceWidth, zoomX, source.key);
        ++y;
        for (int repeat = 1; repeat < zoomY; ++repeat, ++y) {
            // An unkeyed row is the same all the way down; a keyed one depends on
            // what is underneath, so it is laid down again.
            if (Keyed) {
                expandRow<Keyed>(back.row(y) + d.left, in, sourceWidth, zoomX, source.key);
            } else {
                std::memcpy(back.row(y) + d.left, first, destinationWidth);
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
        const uint8_t* in = source.row(sy) + s.left;
        uint8_t* out = back.row(d.top + static_cast<int>(y)) + d.left;
        for (int64_t x = 0; x < destinationWidth; ++x) {
            const uint8_t value = in[x * sourceWidth / destinationWidth];
            if (!keyed || value != source.key) out[x] = value;
        }
    }
}

}  // namespace

struct Display::Impl {
    Surface* back = nullptr;
    Presenter* presenter = nullptr;  // opened, to be closed on release
};

Display display;

// At exit the presenter may already be gone (a function-local static dies before
// this global object), so the destructor only frees what the display owns and
// leaves the presenter to clean up after itself. Shutdown releases explicitly.
Display::~Display() {
    if (impl_ == nullptr) return;
    delete impl_->back;
    delete impl_;
    impl_ = nullptr;
}

bool Display::initDisplay(PlatformWindow* window, int width, int height, int bitsPerPixel) {
    releaseDisplay();
    impl_ = new (std::nothrow) Impl;
    if (impl_ == nullptr) return false;
    window_ = window;
    if (bitsPerPixel != 8) return false;
    Presenter* presenter = installedPresenter();
    if (presenter == nullptr) return false;
    impl_->back = newSurface(width, height, 0);
    if (impl_->back == nullptr) return false;
    impl_->presenter = presenter;
    if (!presenter->open(window, width, height)) return false;
    width_ = width;
    height_ = height;
    return true;
}

void Display::releaseDisplay() {
    if (impl_ == nullptr) return;
    if (impl_->presenter != nullptr) impl_->presenter->close();
    delete impl_->back;
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
    return newSurface(width, height, sourceKey);
}

void Display::releaseSurface(Surface*& surface) {
    delete surface;
    surface = nullptr;
}

void Display::setSourceKey(Surface* surface, uint8_t keyIndex) {
    if (surface != nullptr) surface->key = keyIndex;
}

bool Display::clearBack(uint8_t index) {
    if (!isInitialised()) return false;
    Surface& back = *impl_->back;
    fill(back, {0, 0, back.width, back.height}, index);
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
    if (target->holds(r)) fill(*target, r, index);
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
        if (keyed) {
            copyWholeZoom<true>(back, destination, *source, sourceRect, zoomX, zoomY);
        } else {
            copyWholeZoom<false>(back, destination, *source, sourceRect, zoomX, zoomY);
        }
    } else {
        copyNearest(back, destination, *source, sourceRect, keyed);
    }
    return true;
}

bool Display::drawText(const char* text, uint16_t x, uint16_t y) {
    if (!isInitialised() || text == nullptr) return false;
    Surface& back = *impl_->back;
    int left = x;
    for (const char* c = text; *c != '\0' && left < back.width; ++c, left += kGlyphAdvance) {
        const uint8_t* rows = glyphRows(*c);
        for (int r = 0; r < kGlyphHeight && y + r < back.height; ++r) {
            uint8_t* out = back.row(y + r);
            for (int k = 0; k < kGlyphWidth && left + k < back.width; ++k) {
                if (rows[r] & (0x10 >> k)) out[left + k] = kTextIndex;
            }
        }
    }
    return true;
}

bool Display::drawNumber(uint32_t value, uint16_t x, uint16_t y) {
    char text[11];
    int length = 0;
    for (uint32_t power = 1000000000; power > 0; power /= 10) {
        const uint32_t digit = value / power;
        if (length > 0 || digit != 0 || power == 1) text[length++] = static_cast<char>('0' + digit);
        value %= power;
    }
    text[length] = '\0';
    return drawText(text, x, y);
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

uint8_t* Display::lock(Surface* surface, const Rect& rect, int* pitch) {
    if (surface == nullptr || surface->locked || !surface->holds(rect)) return nullptr;
    surface->locked = true;
    if (pitch != nullptr) *pitch = surface->pitch;
    return surface->row(rect.top) + rect.left;
}

void Display::unlock(Surface* surface) {
    if (surface != nullptr) surface->locked = false;
}

uint8_t* Display::lockBack(const Rect& rect, int* pitch) {
    if (!isInitialised()) return nullptr;
    return lock(impl_->back, rect, pitch);
}

void Display::unlockBack() {
    if (impl_ != nullptr) unlock(impl_->back);
}
