// Graphics mode, the viewport and the drawing settings.
#include "gfx/graph.hpp"

#include <algorithm>

#include "gfx/drawing_state.hpp"
#include "gfx/platform.hpp"
#include "model/checks.hpp"

namespace {

DrawingState state;

constexpr SMALLINT driver_vga256 = 9;
constexpr SMALLINT mode_largest = 0;

void close_on_the_way_out()
{
    CloseGraph();
    active_platform().restore_terminal();
}

}  // namespace

DrawingState& drawing_state() { return state; }

void DetectGraph(SMALLINT& driver, SMALLINT& mode)
{
    // The platform offers one 256-colour size, the largest: the maximised
    // window (or the display's usable area where nothing maximises it).
    driver = driver_vga256;
    mode = mode_largest;
}

void InitGraph(SMALLINT&, SMALLINT&, std::string_view)
{
    if (state.graphics_open) CloseGraph();
    int width = 640, height = 480;
    {
        LibraryCallScope library;
        active_platform().open_window(width, height);
    }
    state = DrawingState{};
    state.width = width;
    state.height = height;
    state.pixels.assign(static_cast<std::size_t>(width) * height, 0);
    state.graphics_open = true;
    state.view_left = state.view_top = 0;
    state.view_right = width - 1;
    state.view_bottom = height - 1;
    state.dirty = {0, 0, width, height};
    set_closing_work(close_on_the_way_out);
}

SMALLINT GetMaxX() { return static_cast<SMALLINT>(state.width - 1); }
SMALLINT GetMaxY() { return static_cast<SMALLINT>(state.height - 1); }

void SetBkColor(int color)
{
    if (color >= 0 && color <= 255) state.background = color;
}

void CloseGraph()
{
    if (!state.graphics_open) return;
    {
        LibraryCallScope library;
        active_platform().close_window();
    }
    state.graphics_open = false;
    state.pixels.clear();
    state.pixels.shrink_to_fit();
    state.dirty = {};
}

void RestoreCrtMode()
{
    // The console was never left: nothing to give back beyond the window.
}

void SetViewPort(int x1, int y1, int x2, int y2, bool clip)
{
    if (x1 < 0 || x1 > x2 || x2 > state.width - 1) return;
    if (y1 < 0 || y1 > y2 || y2 > state.height - 1) return;
    state.view_left = x1;
    state.view_top = y1;
    state.view_right = x2;
    state.view_bottom = y2;
    state.clip = clip;
}

void ClearViewPort()
{
    if (!state.graphics_open) return;
    const PixelRange view{state.view_left, state.view_top, state.view_right, state.view_bottom};
    for (int y = view.y0; y <= view.y1; ++y)
        fill_span(y, view.x0, view.x1, static_cast<std::uint8_t>(state.background));
    mark_changed(view);
}

void SetColor(int color)
{
    if (color >= 0 && color <= 255) state.color = color;
}

void SetFillStyle(int pattern, int color)
{
    if (pattern < 0 || pattern > 12 || color < 0 || color > 255) return;
    state.fill_pattern = pattern;
    state.fill_color = color;
}

void SetTextJustify(int horizontal, int vertical)
{
    if (horizontal < 0 || horizontal > 2 || vertical < 0 || vertical > 2) return;
    state.justify_horizontal = horizontal;
    state.justify_vertical = vertical;
}

PictureView current_picture()
{
    if (!state.graphics_open) return {nullptr, 0, 0};
    return {state.pixels.data(), state.width, state.height};
}

PixelRange drawable_range()
{
    if (!state.graphics_open) return {0, 0, -1, -1};
    if (!state.clip) return {0, 0, state.width - 1, state.height - 1};
    return {state.view_left, state.view_top, state.view_right, state.view_bottom};
}

PixelRange clipped(PixelRange range)
{
    const PixelRange limit = drawable_range();
    return {std::max(range.x0, limit.x0), std::max(range.y0, limit.y0), std::min(range.x1, limit.x1),
            std::min(range.y1, limit.y1)};
}

void mark_changed(const PixelRange& range)
{
    if (range.empty()) return;
    DirtyRect& dirty = state.dirty;
    if (dirty.empty()) {
        dirty = {range.x0, range.y0, range.x1 - range.x0 + 1, range.y1 - range.y0 + 1};
        return;
    }
    const int x0 = std::min(dirty.x, range.x0), y0 = std::min(dirty.y, range.y0);
    const int x1 = std::max(dirty.x + dirty.width - 1, range.x1);
    const int y1 = std::max(dirty.y + dirty.height - 1, range.y1);
    dirty = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

void fill_span(int y, int x0, int x1, std::uint8_t color)
{
    std::uint8_t* row = state.pixels.data() + static_cast<std::size_t>(y) * state.width;
    std::fill(row + x0, row + x1 + 1, color);
}

DirtyRect take_changed_rect()
{
    DirtyRect changed = state.dirty;
    state.dirty = {};
    return changed;
}
