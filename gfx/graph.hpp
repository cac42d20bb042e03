// The drawing service: the classic PC drawing model over an off-screen picture of
// one colour index per pixel, shown in a window by the platform.
//
// Coordinates are pixels (16-bit values): x grows to the right, y downwards.
// Drawing operations take coordinates relative to the active viewport, both
// ends of every range included, and with clipping on light only the pixels
// of a figure that fall inside the viewport.
#pragma once

#include <string_view>

#include "runtime/types.hpp"

// --- Graphics mode and window ---------------------------------------------
// Picks the 256-colour mode of the largest drawing area the platform offers.
void DetectGraph(SMALLINT& driver, SMALLINT& mode);
// Opens the window, sets the palette and the defaults, clears to colour 0.
// The directory text is not used.
void InitGraph(SMALLINT& driver, SMALLINT& mode, std::string_view path);
// Last pixel column / row of the drawing area (width - 1, height - 1).
SMALLINT GetMaxX();
SMALLINT GetMaxY();
// The background colour, used by ClearViewPort and fill pattern 0.
void SetBkColor(int color);
// Closes the graphics window and frees the picture.
void CloseGraph();
// Does nothing: the console stays in text mode beside the window all along,
// so there is no graphics mode to leave once CloseGraph has closed the window.
void RestoreCrtMode();

// --- Viewport and settings -------------------------------------------------
// Window coordinates; a rectangle outside the window or with reversed
// corners changes nothing.
void SetViewPort(int x1, int y1, int x2, int y2, bool clip);
// Fills the whole viewport, edges included, with the background colour.
void ClearViewPort();
void SetColor(int color);
// Pattern 0..12, colour 0..255; anything else changes nothing.
void SetFillStyle(int pattern, int color);
// Horizontal 0 left, 1 centre, 2 right; vertical 0 bottom, 1 centre, 2 top.
void SetTextJustify(int horizontal, int vertical);

// --- Drawing -----------------------------------------------------------------
// The Bresenham line from (x1, y1) to (x2, y2), both ends lit.
void Line(int x1, int y1, int x2, int y2);
// The four sides, one pixel wide, corners included.
void Rectangle(int x1, int y1, int x2, int y2);
void PutPixel(int x, int y, int color);
// The colour index of a pixel; 0 outside the window, the window's pixel
// anywhere inside it, whatever the viewport.
int GetPixel(int x, int y);
// Fills rows y1..y2, columns x1..x2 (either order) with the fill style.
void Bar(int x1, int y1, int x2, int y2);
// Fills the polygon of `count` points (x, y pairs) by the even-odd rule with
// the fill style, then draws its closed outline in the drawing colour.
void FillPoly(int count, const SMALLINT* points);
// Draws the text's set glyph pixels in the 8 x 8 font, justified.
void OutTextXY(int x, int y, std::string_view text);
