// Graphics mode, the viewport and the drawing settings.
#include "gfx/graph.hpp"

#include <algorithm>

#include "gfx/drawing_state.hpp"
#include "gfx/platform.hpp"
#include "gfx/progress.hpp"
#include "runtime/checks.hpp"

namespace drawing_service_private {
DrawingState state;
}

namespace {

DrawingState& state = drawing_state();

constexpr SMALLINT driver_vga256 = 9;
constexpr SMALLINT mode_largest = 0;

void close_on_the_way_out()
{
    CloseGraph();
    active_platform().restore_terminal();
}

// Follows the viewport, the clip flag and whether graphics mode is open.
void update_drawable()
{
    if (!state.graphics_open)
        state.drawable = no_pixels;
    else if (!state.clip)
        state.drawable = {0, 0, state.width - 1, state.height - 1};
    else
        state.drawable = {state.view_left, state.view_top, state.view_right, state.view_bottom};
}

}  // namespace

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
    state.changed = {0, 0, width - 1, height - 1};
    update_drawable();
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
    state.changed = no_pixels;
    update_drawable();
}

void RestoreCrtMode()
{
    // The console is never left for graphics mode (the window opens beside
    // it), so there is no text mode to go back to: CloseGraph did it all.
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
    update_drawable();
}

void ClearViewPort()
{
    const DrawingOperation operation;
    if (!state.graphics_open) return;
    const PixelRange view{state.view_left, state.view_top, state.view_right, state.view_bottom};
    fill_solid(view, static_cast<std::uint8_t>(state.background));
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

#ifdef SURF_COUNT_DRAWING_CALLS
DrawingCallCounts drawing_call_counts() { return state.calls; }
#endif

PictureView current_picture()
{
    if (!state.graphics_open) return {nullptr, 0, 0};
    return {state.pixels.data(), state.width, state.height};
}

PixelRange take_changed_range()
{
    const PixelRange changed = state.changed;
    state.changed = no_pixels;
    return changed;
}
