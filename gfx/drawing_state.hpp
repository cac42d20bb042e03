// The drawing service's one state, shared by its source files only.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/picture.hpp"

// A rectangle of window pixels, both ends included; empty when x0 > x1 or y0 > y1.
struct PixelRange {
    int x0, y0, x1, y1;
    bool empty() const { return x0 > x1 || y0 > y1; }
};

struct DrawingState {
    std::vector<std::uint8_t> pixels;  // width * height colour indices, row by row
    int width = 0, height = 0;         // drawing area in pixels; 0 before InitGraph
    bool graphics_open = false;        // between InitGraph and CloseGraph
    int view_left = 0, view_top = 0;   // viewport corners, window pixels, both included
    int view_right = -1, view_bottom = -1;
    bool clip = true;                  // clip figures to the viewport
    int color = 15;                    // drawing colour (lines, outlines, text)
    int background = 0;                // ClearViewPort and fill pattern 0
    int fill_pattern = 1;              // 0..12
    int fill_color = 255;              // 0..255
    int justify_horizontal = 0;        // 0 left, 1 centre, 2 right
    int justify_vertical = 2;          // 0 bottom, 1 centre, 2 top
    DirtyRect dirty;                   // changed since the picture was last shown
};

DrawingState& drawing_state();

// The window pixels a figure may light: the viewport with clipping on, the
// whole window otherwise; empty when nothing can be drawn.
PixelRange drawable_range();
// `range` (window pixels) cut to what a figure may light.
PixelRange clipped(PixelRange range);
// Records that the pixels of `range` (already clipped) changed.
void mark_changed(const PixelRange& range);
// Fills a clipped range with the fill style (pattern and colour).
void fill_range(const PixelRange& range);
// Sets a span of one row (window pixels, clipped) to one colour.
void fill_span(int y, int x0, int x1, std::uint8_t color);
