// State shared by the SDL2 + Dear ImGui implementation of the platform services:
// the one window with its renderer, the texture holding the last presented frame,
// messages put aside while a modal loop ran, and the ImGui frame that draws the
// picture, the menu bar and whatever a modal loop adds.
#pragma once

#include <SDL.h>

#include <deque>
#include <functional>

#include "platform/lit_area.h"
#include "platform/window.h"

struct MenuResource;

struct PlatformWindow {
    SDL_Window* sdlWindow = nullptr;
    SDL_Renderer* renderer = nullptr;
    int width = 0;  // the size the program asked for: that of its back buffer
    int height = 0;
    const MenuResource* menu = nullptr;
};

namespace sdl {

// Starts SDL's video part once; false when there is no display to use.
bool startVideo();

PlatformWindow* currentWindow();

// The last frame the display presented, as a texture of the renderer.
// Only its lit parts (everything else is black) are kept up to date in the texture
// and drawn: the window is cleared to black anyway, and on a software renderer
// every drawn pixel costs.
struct Picture {
    SDL_Texture* texture = nullptr;
    int width = 0;
    int height = 0;
    SDL_Rect lit[kMaxLitAreas] = {};
    int litCount = 0;
};
Picture& picture();

// Where the picture stands in the window: scaled to fit with its aspect kept and
// centred. Picture coordinates times scale plus offset give window coordinates.
struct PictureTransform {
    float scale = 1.0f;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
};
PictureTransform pictureTransform();

// Messages met by a modal loop that belong to the main window; the main pump hands
// them out first.
std::deque<WindowMessage>& setAside();

// Turns an SDL event into a message for the main window, if it is one.
bool translateEvent(const SDL_Event& event, WindowMessage& message);

// One wait of a modal loop (a dialog or the file chooser): up to 50 ms for an event,
// which ImGui sees first. True with the key's code when it was a key press; other
// messages for the main window (closing, the session ending) are set aside until
// the modal loop is done. Either way the frame should be drawn again afterwards.
bool waitForModalKey(uint32_t& key);

// A message box drawn over the window with an OK button, run until OK, Enter, Esc or
// a close request.
void runMessageBox(const char* text);

// Draws one whole frame: the picture, the menu bar when one is attached (inert when
// menuEnabled is false), then extra. Returns the command ID of a menu item chosen
// in this frame, or 0.
uint16_t renderFrame(const std::function<void()>& extra = {}, bool menuEnabled = true);

// Shows only the picture, without an ImGui frame (the run state's present).
void renderPictureOnly();

// The last frame needs drawing again before the next wait.
void requestRedraw();
bool redrawRequested();

}  // namespace sdl
