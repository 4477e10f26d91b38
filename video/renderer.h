// The scan-line renderer: draws one screen line of the handheld's picture per call,
// with the registers as they stand at that moment, into the screen layer; once the
// last line is drawn it puts the layer onto the display's back buffer, scaled by
// zoom and centred, and presents the frame.
//
// A monochrome cartridge is drawn in four shades: LCDC, SCY, SCX, LY, BGP, OBP0, OBP1,
// WY, WX, OAM, video RAM bank 0 and the window's line count are all it reads. A
// colour cartridge (the machine's colour model) is drawn in colour: the palettes come
// from palette memory through the colour curve, and video RAM bank 1 holds each map
// tile's attributes and further tiles.
#pragma once

#include <cstdint>

class Surface;

// The tile (0-383 of a bank) that a map entry's number stands for: numbers 0-127 use
// the upper block (0x9000) unless LCDC bit 4 selects unsigned numbering from 0x8000.
inline int mapTileIndex(uint8_t number, uint8_t lcdc) {
    return (number >= 128 || (lcdc & 0x10)) ? number : 256 + number;
}

// The handheld's screen in pixels.
inline constexpr int kScreenWidth = 160;
inline constexpr int kScreenHeight = 144;

// 160 x 144, row y screen line y as last drawn; white until a line is drawn.
extern Surface* ScreenLayer;

// Creates the screen layer on the global display. It lives until releaseScreenLayer
// and survives display re-initialisation. False (with none kept) when it cannot be
// created.
bool createScreenLayer();
// Releases the layer; harmless when repeated.
void releaseScreenLayer();

// Draws line LY. Called when the line's transfer ends, so that the registers the
// program set for the line (in its LY=LYC handler, say) are those drawn with. False
// when LY >= 144 or the LCD is off (nothing drawn or counted), or when the layer row
// could not be opened. True when the line was drawn; after the last line, 143, the
// frame has then been composed and presented and counted in framesThisSecond.
bool renderLine();

// Puts the screen layer onto the back buffer as zoom and the screen centre stand
// now, draws fpsShown in the top-left corner (unless the player hid it) and the
// on-screen message below it, and presents.
void composeFrame();
// The paused game under the menu: the last frame where composeFrame puts it, at half
// brightness, without the frame rate or messages. Not presented.
void drawPausedFrame();
