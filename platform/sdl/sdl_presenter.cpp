// Shows the display's back buffer in the window: its lit part goes into a texture,
// which is scaled to fit the window.
#include <vector>

#include "platform/display_modes.h"
#include "platform/lit_area.h"
#include "platform/presenter_source.h"
#include "platform/sdl/sdl_platform.h"
#include "video/palette.h"
#include "video/presenter.h"

namespace {

class SdlPresenter : public Presenter {
public:
    bool open(PlatformWindow* window, int width, int height) override {
        close();
        if (window == nullptr || width <= 0 || height <= 0) return false;
        SDL_Texture* texture = SDL_CreateTexture(window->renderer, SDL_PIXELFORMAT_ARGB8888,
                                                 SDL_TEXTUREACCESS_STREAMING, width, height);
        if (texture == nullptr) return false;
        // Nothing is lit (all black) until the first frame.
        sdl::picture() = {texture, width, height, {}, 0};
        sdl::requestRedraw();
        return true;
    }

    void close() override {
        sdl::Picture& picture = sdl::picture();
        if (picture.texture != nullptr) SDL_DestroyTexture(picture.texture);
        picture = {};
    }

    bool present(const Pixel* source, int width, int height, int sourcePitch) override {
        sdl::Picture& picture = sdl::picture();
        PlatformWindow* window = sdl::currentWindow();
        if (picture.texture == nullptr || window == nullptr || width != picture.width ||
            height != picture.height)
            return false;
        LitArea areas[kMaxLitAreas];
        picture.litCount = findLitAreas(source, width, height, sourcePitch, areas);
        for (int i = 0; i < picture.litCount; ++i) {
            const SDL_Rect lit = {areas[i].x, areas[i].y, areas[i].width, areas[i].height};
            picture.lit[i] = lit;
            void* pixels = nullptr;
            int pitch = 0;
            if (SDL_LockTexture(picture.texture, &lit, &pixels, &pitch) != 0) {
                picture.litCount = 0;
                return false;
            }
            for (int y = 0; y < lit.h; ++y) {
                const Pixel* in = source + static_cast<ptrdiff_t>(lit.y + y) * sourcePitch + lit.x;
                uint32_t* out =
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + y * pitch);
                for (int x = 0; x < lit.w; ++x) out[x] = 0xFF000000u | in[x];
            }
            SDL_UnlockTexture(picture.texture);
        }
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
};

}  // namespace

Presenter* platformPresenter() {
    static SdlPresenter presenter;
    return &presenter;
}
