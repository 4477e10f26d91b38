// A presenter without a screen: it keeps the last presented frame in memory, so
// that tests and command-line tools can look at what would have been shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "video/presenter.h"

class HeadlessPresenter : public Presenter {
public:
    HeadlessPresenter();

    bool open(PlatformWindow* window, int width, int height) override;
    void close() override;
    bool present(const Pixel* pixels, int width, int height, int pitch) override;
    void listModes(DisplayModeCallback callback, void* context) override;

    // The modes listModes offers (a few common sizes unless replaced).
    void setModes(std::vector<DisplayModeDescription> modes) { modes_ = std::move(modes); }
    // Makes the next opens fail, as a display that cannot take the screen would.
    void setOpenFails(bool fails) { openFails_ = fails; }

    bool isOpen() const { return open_; }
    int openCount() const { return openCount_; }
    int presentCount() const { return presentCount_; }
    // The last presented frame, packed rows; empty before the first present.
    const std::vector<Pixel>& frame() const { return frame_; }
    int frameWidth() const { return frameWidth_; }
    int frameHeight() const { return frameHeight_; }
    Pixel pixel(int x, int y) const { return frame_[static_cast<size_t>(y) * frameWidth_ + x]; }

private:
    std::vector<DisplayModeDescription> modes_;
    std::vector<Pixel> frame_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    int openCount_ = 0;
    int presentCount_ = 0;
    bool open_ = false;
    bool openFails_ = false;
};
