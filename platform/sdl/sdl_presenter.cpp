// Shows the display's 8-bit back buffer in the window: every index goes through the
// fixed palette into a texture, which is scaled to fit the window.
#include <vector>

#include "platform/display_modes.h"
#include "platform/presenter_source.h"
#include "platform/sdl/sdl_platform.h"
#include "video/palette.h"
#include "video/presenter.h"

namespace {

class SdlPresenter : public Presenter {
public:
    SdlPresenter() {
        for (int i = 0; i < 256; ++i) {
            const PaletteColour c = paletteColour(static_cast<uint8_t>(i));
            colours_[i] = 0xFF000000u | (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
        }
    }

    bool open(PlatformWindow* window, int width, int height) override {
        close();
        if (window == nullptr || width <= 0 || height <= 0) return false;
        SDL_Texture* texture = SDL_CreateTexture(window->renderer, SDL_PIXELFORMAT_ARGB8888,
                                                 SDL_TEXTUREACCESS_STREAMING, width, height);
        if (texture == nullptr) return false;
        sdl::Picture& picture = sdl::picture();
        picture = {texture, width, height};
        // Black until the first frame.
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture, nullptr, &pixels, &pitch) == 0) {
            for (int y = 0; y < height; ++y) {
                uint32_t* row =
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + y * pitch);
                for (int x = 0; x < width; ++x) row[x] = colours_[0];
            }
            SDL_UnlockTexture(texture);
        }
        sdl::requestRedraw();
        return true;
    }

    void close() override {
        sdl::Picture& picture = sdl::picture();
        if (picture.texture != nullptr) SDL_DestroyTexture(picture.texture);
        picture = {};
    }

    bool present(const uint8_t* source, int width, int height, int sourcePitch) override {
        sdl::Picture& picture = sdl::picture();
        PlatformWindow* window = sdl::currentWindow();
        if (picture.texture == nullptr || window == nullptr || width != picture.width ||
            height != picture.height)
            return false;
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(picture.texture, nullptr, &pixels, &pitch) != 0) return false;
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = source + static_cast<ptrdiff_t>(y) * sourcePitch;
            uint32_t* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + y * pitch);
            for (int x = 0; x < width; ++x) out[x] = colours_[in[x]];
        }
        SDL_UnlockTexture(picture.texture);
        // With the menu bar on, the next wait draws the picture under the menu;
        // in the run state the picture alone goes to the screen now.
        if (window->menu != nullptr) {
            sdl::requestRedraw();
        } else {
            sdl::renderPictureOnly();
        }
        return true;
    }

    void listModes(DisplayModeCallback callback, void* context) override {
        std::vector<ScreenSize> reported;
        if (sdl::startVideo()) {
            const int count = SDL_GetNumDisplayModes(0);
            for (int i = 0; i < count; ++i) {
                SDL_DisplayMode mode;
                if (SDL_GetDisplayMode(0, i, &mode) == 0) reported.push_back({mode.w, mode.h});
            }
        }
        for (const DisplayModeDescription& m : offeredDisplayModes(reported)) {
            if (!callback(m, context)) return;
        }
    }

private:
    uint32_t colours_[256];
};

}  // namespace

Presenter* platformPresenter() {
    static SdlPresenter presenter;
    return &presenter;
}
