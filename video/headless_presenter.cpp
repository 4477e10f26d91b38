#include "video/headless_presenter.h"

#include <cstring>

HeadlessPresenter::HeadlessPresenter()
    : modes_{{320, 240, 32}, {640, 480, 32}, {640, 480, 8}, {800, 600, 32}, {1024, 768, 32}} {}

bool HeadlessPresenter::open(PlatformWindow*, int width, int height) {
    if (openFails_ || width <= 0 || height <= 0) return false;
    open_ = true;
    ++openCount_;
    return true;
}

void HeadlessPresenter::close() {
    open_ = false;
}

bool HeadlessPresenter::present(const Pixel* pixels, int width, int height, int pitch) {
    if (!open_ || pixels == nullptr || width <= 0 || height <= 0 || pitch < width) return false;
    // Same-sized frames reuse the buffer, so presenting allocates nothing.
    frame_.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        std::memcpy(frame_.data() + static_cast<size_t>(y) * width,
                    pixels + static_cast<size_t>(y) * pitch, static_cast<size_t>(width) * sizeof(Pixel));
    }
    frameWidth_ = width;
    frameHeight_ = height;
    ++presentCount_;
    return true;
}

void HeadlessPresenter::listModes(DisplayModeCallback callback, void* context) {
    for (const DisplayModeDescription& mode : modes_) {
        if (!callback(mode, context)) return;
    }
}
