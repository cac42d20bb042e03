// The drawing operations: lines, rectangles, pixels, bars, polygons, text.
// Coordinates arrive relative to the viewport and are turned into window
// pixels in 64-bit arithmetic, so that no 16-bit extreme can overflow.
// Each figure works out once which of its pixels fall inside what it may
// light, so that its cost follows the pixels it touches.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx/drawing_state.hpp"
#include "gfx/progress.hpp"
#include "gfx/font8x8.hpp"
#include "gfx/graph.hpp"

namespace {

struct WindowPoint {
    long long x, y;
};

WindowPoint to_window(long long x, long long y)
{
    const DrawingState& state = drawing_state();
    return {x + state.view_left, y + state.view_top};
}

bool inside(const PixelRange& range, long long x, long long y)
{
    return x >= range.x0 && x <= range.x1 && y >= range.y0 && y <= range.y1;
}

// Clamps a window coordinate range to int without changing what it covers
// inside any window.
int clamp_to_int(long long v) { return static_cast<int>(std::clamp(v, -(1LL << 20), 1LL << 20)); }

long long floor_div(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
long long ceil_div(long long a, long long b) { return -floor_div(-a, b); }

// The steps k in [first, last] at which start + direction * k lies in
// [low, high]; false if none.
bool steps_inside(long long start, int direction, long long low, long long high, long long& first,
                  long long& last)
{
    const long long k_low = direction > 0 ? low - start : start - high;
    const long long k_high = direction > 0 ? high - start : start - low;
    first = std::max(first, k_low);
    last = std::min(last, k_high);
    return first <= last;
}

// A Bresenham line takes one step along its longer axis (major) per pixel;
// after k steps the shorter axis has moved floor((2 minor k + major) /
// (2 major)) times.  Cuts [first, last] to the steps whose moves number
// between low_moves and high_moves.
bool steps_with_moves(long long major, long long minor, long long low_moves, long long high_moves,
                      long long& first, long long& last)
{
    if (high_moves < 0) return false;
    if (minor == 0) return low_moves <= 0 && first <= last;
    // moved(k) >= m exactly when 2 minor k >= (2m - 1) major.
    if (low_moves > 0) first = std::max(first, ceil_div((2 * low_moves - 1) * major, 2 * minor));
    // moved(k) <= m exactly when 2 minor k < (2m + 1) major.
    last = std::min(last, ceil_div((2 * high_moves + 1) * major, 2 * minor) - 1);
    return first <= last;
}

// Lights pixels first..last of the line from `from` (window pixels), every
// one of them inside the window.
void walk_line(WindowPoint from, long long dx, long long dy, int sx, int sy, long long first, long long last,
               std::uint8_t color)
{
    DrawingState& state = drawing_state();
    const bool x_major = dx >= dy;
    const long long major = x_major ? dx : dy, minor = x_major ? dy : dx;
    const long long moved = first == 0 ? 0 : (2 * minor * first + major) / (2 * major);
    long long decision = 2 * minor - major + 2 * minor * first - 2 * major * moved;
    const long long x = from.x + sx * (x_major ? first : moved);
    const long long y = from.y + sy * (x_major ? moved : first);
    std::uint8_t* pixels = state.pixels.data();
    const long long row_step = sy * static_cast<long long>(state.width);
    const long long major_step = x_major ? sx : row_step, minor_step = x_major ? row_step : sx;
    long long at = y * state.width + x;
    const long long count = last - first + 1;
    if (minor == 0) {
        if (x_major) {
            fill_run(pixels + (sx > 0 ? at : at - count + 1), static_cast<std::size_t>(count), color);
        } else {
            for (long long k = 0; k < count; ++k, at += major_step) pixels[at] = color;
        }
        return;
    }
    const long long gain_move = 2 * (minor - major), gain_stay = 2 * minor;
    for (long long k = 0; k < count; ++k) {
        pixels[at] = color;
        if (decision >= 0) {
            at += minor_step;
            decision += gain_move;
        } else {
            decision += gain_stay;
        }
        at += major_step;
    }
}

// The Bresenham line between two window points, lighting only the pixels
// inside `range`: the steps outside it along either axis are cut off first.
void bresenham(WindowPoint from, WindowPoint to, PixelRange range, std::uint8_t color)
{
    const long long dx = std::llabs(to.x - from.x), dy = std::llabs(to.y - from.y);
    const int sx = to.x >= from.x ? 1 : -1, sy = to.y >= from.y ? 1 : -1;
    const bool x_major = dx >= dy;
    const long long major = x_major ? dx : dy, minor = x_major ? dy : dx;
    long long first = 0, last = major;
    const bool on_range = x_major ? steps_inside(from.x, sx, range.x0, range.x1, first, last)
                                  : steps_inside(from.y, sy, range.y0, range.y1, first, last);
    if (!on_range) return;
    const bool ends_inside = inside(range, from.x, from.y) && inside(range, to.x, to.y);
    bool any = true;
    if (!ends_inside) {
        // The shorter axis must stay in range too: bound its number of moves.
        const long long start = x_major ? from.y : from.x;
        const int direction = x_major ? sy : sx;
        const long long low = x_major ? range.y0 : range.x0, high = x_major ? range.y1 : range.x1;
        const long long low_moves = direction > 0 ? low - start : start - high;
        const long long high_moves = direction > 0 ? high - start : start - low;
        any = steps_with_moves(major, minor, low_moves, high_moves, first, last);
    }
    if (any) walk_line(from, dx, dy, sx, sy, first, last, color);
    mark_changed(clipped({clamp_to_int(std::min(from.x, to.x)), clamp_to_int(std::min(from.y, to.y)),
                          clamp_to_int(std::max(from.x, to.x)), clamp_to_int(std::max(from.y, to.y))}));
}

// A polygon edge that crosses pixel rows top..bottom - 1, its crossing with
// the current row kept as the exact fraction whole + rest / denominator
// (0 <= rest < denominator), advanced row by row without dividing.
struct Edge {
    long long top, bottom;
    long long whole, rest, denominator;
    long long whole_step, rest_step;  // the crossing's move per row, the same way

    // Without a branch: whether the rest carries follows the slope, which
    // a branch predictor cannot guess.
    void advance()
    {
        rest += rest_step;
        const long long carry = rest >= denominator;
        whole += whole_step + carry;
        rest -= denominator & -carry;
    }
};

bool before(const Edge& a, const Edge& b)
{
    return a.whole < b.whole || (a.whole == b.whole && a.rest * b.denominator < b.rest * a.denominator);
}

// The edge from a to b with its crossing set at row `first_row` (or at its
// top row, when that is lower down).
Edge make_edge(WindowPoint a, WindowPoint b, long long first_row)
{
    if (a.y > b.y) std::swap(a, b);
    Edge edge{};
    edge.top = std::max(a.y, first_row);
    edge.bottom = b.y;
    edge.denominator = b.y - a.y;
    const long long numerator = a.x * edge.denominator + (edge.top - a.y) * (b.x - a.x);
    edge.whole = floor_div(numerator, edge.denominator);
    edge.rest = numerator - edge.whole * edge.denominator;
    edge.whole_step = floor_div(b.x - a.x, edge.denominator);
    edge.rest_step = (b.x - a.x) - edge.whole_step * edge.denominator;
    return edge;
}

// Room for the working arrays of a polygon: on the stack for the few
// corners the pictures use, on the heap beyond that.
template <typename T>
class Scratch {
public:
    explicit Scratch(std::size_t n)
    {
        if (n > local_.size()) heap_.resize(n);
        data_ = n > local_.size() ? heap_.data() : local_.data();
    }
    T* data() { return data_; }

private:
    std::array<T, 16> local_;  // filled by the caller before use
    std::vector<T> heap_;
    T* data_;
};

// One row's span of the interior, window pixels, in the fill style.
void fill_interior_span(long long y, long long x0, long long x1, PixelRange& changed)
{
    const PixelRange span = clipped({clamp_to_int(x0), static_cast<int>(y), clamp_to_int(x1), static_cast<int>(y)});
    if (span.empty()) return;
    DrawingState& state = drawing_state();
    if (state.fill_pattern <= 1) {
        const int color = state.fill_pattern == 1 ? state.fill_color : state.background;
        fill_run(state.row(span.y0) + span.x0, static_cast<std::size_t>(span.x1 - span.x0) + 1,
                 static_cast<std::uint8_t>(color));
    } else {
        fill_range(span);
    }
    grow(changed, span);
}

// The even-odd interior: on each row the spans from the first crossing to
// the second, the third to the fourth, and so on, each from the first pixel
// at or right of its left crossing to the last at or left of its right one.
void fill_polygon_interior(const WindowPoint* points, std::size_t n)
{
    const PixelRange limit = drawable_range();
    long long top = points[0].y, bottom = points[0].y, left = points[0].x, right = points[0].x;
    for (std::size_t i = 0; i < n; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
        left = std::min(left, points[i].x);
        right = std::max(right, points[i].x);
    }
    // A polygon beside the range has no row to look at either.
    if (right < limit.x0 || left > limit.x1) return;
    const long long first_row = std::max<long long>(top, limit.y0);
    const long long last_row = std::min<long long>(bottom, limit.y1);
    if (first_row > last_row) return;
    Scratch<Edge> edge_room(n);
    Scratch<Edge*> crossing_room(n);
    Edge* edges = edge_room.data();
    Edge** crossing = crossing_room.data();
    std::size_t edge_count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const WindowPoint a = points[i], b = points[(i + 1) % n];
        if (a.y != b.y && std::max(a.y, b.y) > first_row) edges[edge_count++] = make_edge(a, b, first_row);
    }
    PixelRange changed = no_pixels;
    for (long long y = first_row; y <= last_row; ++y) {
        std::size_t crossings = 0;
        for (std::size_t e = 0; e < edge_count; ++e) {
            Edge& edge = edges[e];
            if (y < edge.top || y >= edge.bottom) continue;
            // Insertion keeps the row's crossings sorted; a polygon has few.
            std::size_t at = crossings++;
            for (; at > 0 && before(edge, *crossing[at - 1]); --at) crossing[at] = crossing[at - 1];
            crossing[at] = &edge;
        }
        for (std::size_t i = 0; i + 1 < crossings; i += 2)
            fill_interior_span(y, crossing[i]->whole + (crossing[i]->rest != 0), crossing[i + 1]->whole, changed);
        for (std::size_t i = 0; i < crossings; ++i) crossing[i]->advance();
    }
    mark_changed(changed);
}

}  // namespace

void Line(int x1, int y1, int x2, int y2)
{
    const DrawingOperation operation;
    count_call(&DrawingCallCounts::lines);
    const PixelRange range = drawable_range();
    if (range.empty()) return;
    bresenham(to_window(x1, y1), to_window(x2, y2), range,
              static_cast<std::uint8_t>(drawing_state().color));
}

void Rectangle(int x1, int y1, int x2, int y2)
{
    const DrawingOperation operation;
    Line(x1, y1, x2, y1);
    Line(x2, y1, x2, y2);
    Line(x2, y2, x1, y2);
    Line(x1, y2, x1, y1);
}

void PutPixel(int x, int y, int color)
{
    const DrawingOperation operation;
    DrawingState& state = drawing_state();
    count_call(&DrawingCallCounts::put_pixels);
    const WindowPoint p = to_window(x, y);
    if (!inside(state.drawable, p.x, p.y)) return;
    const int wx = static_cast<int>(p.x), wy = static_cast<int>(p.y);
    state.row(wy)[wx] = static_cast<std::uint8_t>(color);
    mark_changed({wx, wy, wx, wy});
}

int GetPixel(int x, int y)
{
    DrawingState& state = drawing_state();
    const WindowPoint p = to_window(x, y);
    if (!state.graphics_open || p.x < 0 || p.y < 0 || p.x >= state.width || p.y >= state.height) return 0;
    return state.row(static_cast<int>(p.y))[p.x];
}

void Bar(int x1, int y1, int x2, int y2)
{
    const DrawingOperation operation;
    count_call(&DrawingCallCounts::bars);
    const WindowPoint a = to_window(std::min(x1, x2), std::min(y1, y2));
    const WindowPoint b = to_window(std::max(x1, x2), std::max(y1, y2));
    const PixelRange& limit = drawable_range();
    fill_rectangle(std::max(clamp_to_int(a.x), limit.x0), std::max(clamp_to_int(a.y), limit.y0),
                   std::min(clamp_to_int(b.x), limit.x1), std::min(clamp_to_int(b.y), limit.y1));
}

void FillPoly(int count, const SMALLINT* points)
{
    const DrawingOperation operation;
    count_call(&DrawingCallCounts::fill_polys);
    if (count < 1 || points == nullptr || drawable_range().empty()) return;
    const auto n = static_cast<std::size_t>(count);
    Scratch<WindowPoint> corner_room(n);
    WindowPoint* corners = corner_room.data();
    for (std::size_t i = 0; i < n; ++i) corners[i] = to_window(points[2 * i], points[2 * i + 1]);
    fill_polygon_interior(corners, n);
    for (int i = 0; i < count; ++i) {
        const int next = (i + 1) % count;
        Line(points[2 * i], points[2 * i + 1], points[2 * next], points[2 * next + 1]);
    }
}

void OutTextXY(int x, int y, std::string_view text)
{
    const DrawingOperation operation;
    DrawingState& state = drawing_state();
    const PixelRange range = drawable_range();
    if (range.empty() || text.empty()) return;
    const long long width = 8LL * static_cast<long long>(text.size());
    long long left = x;
    if (state.justify_horizontal == 1) left -= width / 2;
    if (state.justify_horizontal == 2) left -= width;
    long long top = y;
    if (state.justify_vertical == 1) top -= 4;
    if (state.justify_vertical == 0) top -= 7;
    const WindowPoint origin = to_window(left, top);
    const auto color = static_cast<std::uint8_t>(state.color);
    // Only the glyphs and glyph rows that reach into the range are looked at.
    const long long first_glyph = std::max(0LL, floor_div(range.x0 - origin.x, 8));
    const int first_row = static_cast<int>(std::clamp<long long>(range.y0 - origin.y, 0, 8));
    const int end_row = static_cast<int>(std::clamp<long long>(range.y1 - origin.y + 1, 0, 8));
    for (std::size_t i = static_cast<std::size_t>(std::min<long long>(first_glyph, width / 8)); i < text.size(); ++i) {
        const std::uint8_t* glyph = font8x8[static_cast<unsigned char>(text[i])];
        const long long glyph_left = origin.x + 8LL * static_cast<long long>(i);
        if (glyph_left > range.x1) break;
        for (int row = first_row; row < end_row; ++row) {
            std::uint8_t* pixels = state.row(static_cast<int>(origin.y + row));
            for (int column = 0; column < 8; ++column) {
                const long long px = glyph_left + column;
                if ((glyph[row] >> (7 - column)) & 1 && px >= range.x0 && px <= range.x1) pixels[px] = color;
            }
        }
    }
    mark_changed(clipped({clamp_to_int(origin.x), clamp_to_int(origin.y), clamp_to_int(origin.x + width - 1),
                          clamp_to_int(origin.y + 7)}));
}
