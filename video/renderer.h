// The scan-line renderer: draws one screen line of the handheld's picture per call
// into three layer surfaces and, at line 0, composes them onto the display's back
// buffer, scaled by zoom and centred, and presents the frame.
//
// Every cartridge is drawn in the monochrome model: LCDC, SCY, SCX, LY, BGP, OBP0,
// OBP1, WY, WX, OAM and video RAM bank 0 are all it reads.
#pragma once

class Surface;

// The whole 256 x 256 background map image; row y holds background line y.
extern Surface* BackgroundLayer;
// 160 x 144, row y the sprites of screen line y; LAYER_KEY is transparent (sprite
// colour 0 and every row not drawn yet), a white sprite pixel is kShownWhite.
extern Surface* SpriteLayer;
// 160 x 144, row y window line y. Every window pixel is drawn, white as kShownWhite;
// only rows not drawn yet hold LAYER_KEY.
extern Surface* WindowLayer;

// Creates the three layers on the global display, keyed as above. They live until
// releaseLayers and survive display re-initialisation. False (with none kept) when
// one cannot be created.
bool createLayers();
// Releases the layers; harmless when repeated.
void releaseLayers();

// Draws line LY. False when LY >= 144 or the LCD is off (nothing drawn or counted),
// or when a layer row could not be opened (the line stops there, no frame). True
// when the line was drawn; at LY 0 the frame has then been composed and presented
// and counted in framesThisSecond.
bool renderLine();

// Puts the three layers onto the back buffer as SCX, SCY, WX, WY, LCDC, zoom and the
// screen centre stand now, draws fpsShown in the top-left corner and presents.
void composeFrame();
