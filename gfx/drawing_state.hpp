// The drawing service's one state, private to the service's own source
// files (gfx/): nothing else includes this header, and the rest of the
// program reads the picture through gfx/picture.hpp.  The small helpers
// are inline: every figure goes through them, many times a picture.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/call_counts.hpp"
#include "gfx/picture.hpp"

struct DrawingState {
    std::vector<std::uint8_t> pixels;  // width * height colour indices, row by row
    int width = 0, height = 0;         // drawing area in pixels; 0 before InitGraph
    bool graphics_open = false;        // between InitGraph and CloseGraph
    int view_left = 0, view_top = 0;   // viewport corners, window pixels, both included
    int view_right = -1, view_bottom = -1;
    bool clip = true;                  // clip figures to the viewport
    PixelRange drawable = no_pixels;   // what a figure may light; follows the viewport and clip flag
    int color = 15;                    // drawing colour (lines, outlines, text)
    int background = 0;                // ClearViewPort and fill pattern 0
    int fill_pattern = 1;              // 0..12
    int fill_color = 255;              // 0..255
    int justify_horizontal = 0;        // 0 left, 1 centre, 2 right
    int justify_vertical = 2;          // 0 bottom, 1 centre, 2 top
    PixelRange changed = no_pixels;    // changed since the picture was last shown
#ifdef SURF_COUNT_DRAWING_CALLS
    DrawingCallCounts calls;           // operations called since InitGraph (tests' build only)
#endif

    std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
};

namespace drawing_service_private {
extern DrawingState state;  // defined in gfx/graph.cpp; reach it through drawing_state()
}

// The one accessor of the service's state.
inline DrawingState& drawing_state() { return drawing_service_private::state; }

// Counts a drawing call in the tests' build of the service; nothing in the programs.
inline void count_call([[maybe_unused]] long DrawingCallCounts::*counter)
{
#ifdef SURF_COUNT_DRAWING_CALLS
    ++(drawing_state().calls.*counter);
#endif
}

// The window pixels a figure may light: the viewport with clipping on, the
// whole window otherwise; empty when nothing can be drawn.
inline const PixelRange& drawable_range() { return drawing_state().drawable; }

// `range` (window pixels) cut to what a figure may light.
inline PixelRange clipped(PixelRange range)
{
    const PixelRange& limit = drawing_state().drawable;
    return {std::max(range.x0, limit.x0), std::max(range.y0, limit.y0), std::min(range.x1, limit.x1),
            std::min(range.y1, limit.y1)};
}

// Widens `into` to cover the non-empty `range`.  Each side is stored only
// when it moves, one by one: stored as one vector, the record would stall
// the next call's loads of its single sides.
inline void grow(PixelRange& into, const PixelRange& range)
{
    if (range.x0 < into.x0) into.x0 = range.x0;
    if (range.y0 < into.y0) into.y0 = range.y0;
    if (range.x1 > into.x1) into.x1 = range.x1;
    if (range.y1 > into.y1) into.y1 = range.y1;
}

// Records that the pixels of `range` (already clipped) changed.
inline void mark_changed(const PixelRange& range)
{
    if (!range.empty()) grow(drawing_state().changed, range);
}

// The first and the last `Size` pixels of a run of n (Size <= n <= 2 Size),
// stored from a register in pieces of up to eight.
template <std::size_t Size>
void store_ends(std::uint8_t* run, std::size_t n, std::uint8_t color)
{
    const std::uint64_t colors = 0x0101010101010101ULL * color;
    constexpr std::size_t piece = Size < sizeof colors ? Size : sizeof colors;
    for (std::size_t k = 0; k < Size; k += piece) {
        std::memcpy(run + k, &colors, piece);
        std::memcpy(run + n - Size + k, &colors, piece);
    }
}

// Sets n >= 1 pixels from `run` on to `color`.  Short runs, the common case
// in the pictures, take two overlapping stores instead of a call.
inline void fill_run(std::uint8_t* run, std::size_t n, std::uint8_t color)
{
    if (n > 64) std::memset(run, color, n);
    else if (n >= 32) store_ends<32>(run, n, color);
    else if (n >= 16) store_ends<16>(run, n, color);
    else if (n >= 8) store_ends<8>(run, n, color);
    else if (n >= 4) store_ends<4>(run, n, color);
    else if (n >= 2) store_ends<2>(run, n, color);
    else *run = color;
}

// Fills the clipped rectangle x0..x1, y0..y1 (window pixels, empty when
// reversed) with the fill style, and records the change.  The sides go
// one by one: a range built as one vector and handed over in registers
// would wait for the vector's store to be read back.
void fill_rectangle(int x0, int y0, int x1, int y1);
inline void fill_range(PixelRange range) { fill_rectangle(range.x0, range.y0, range.x1, range.y1); }
// Sets every pixel of the clipped rectangle to one colour.
void fill_solid_rectangle(int x0, int y0, int x1, int y1, std::uint8_t color);
inline void fill_solid(PixelRange range, std::uint8_t color)
{
    fill_solid_rectangle(range.x0, range.y0, range.x1, range.y1, color);
}
