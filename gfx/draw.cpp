// The drawing operations: lines, rectangles, pixels, bars, polygons, text.
// Coordinates arrive relative to the viewport and are turned into window
// pixels in 64-bit arithmetic, so that no 16-bit extreme can overflow.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gfx/drawing_state.hpp"
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

void set_pixel(long long x, long long y, std::uint8_t color)
{
    DrawingState& state = drawing_state();
    state.pixels[static_cast<std::size_t>(y) * state.width + static_cast<std::size_t>(x)] = color;
}

// Clamps a window coordinate range to int without changing what it covers
// inside any window.
int clamp_to_int(long long v) { return static_cast<int>(std::clamp(v, -(1LL << 20), 1LL << 20)); }

// The first step k >= 0 at which start + direction * k enters [low, high],
// and the last step <= major at which it is still inside; false if never.
bool steps_inside(long long start, int direction, long long major, long long low, long long high,
                  long long& first, long long& last)
{
    long long k_low, k_high;
    if (direction > 0) {
        k_low = low - start;
        k_high = high - start;
    } else {
        k_low = start - high;
        k_high = start - low;
    }
    first = std::max(0LL, k_low);
    last = std::min(major, k_high);
    return first <= last;
}

// The Bresenham line between two window points, lighting only the pixels
// inside `range`.  The steps before the line enters the range along its
// longer axis are skipped arithmetically: after k steps the shorter axis has
// moved floor((2 minor k + major) / (2 major)) times.
void bresenham(WindowPoint from, WindowPoint to, const PixelRange& range, std::uint8_t color)
{
    const long long dx = std::llabs(to.x - from.x), dy = std::llabs(to.y - from.y);
    const int sx = to.x >= from.x ? 1 : -1, sy = to.y >= from.y ? 1 : -1;
    const bool x_major = dx >= dy;
    const long long major = x_major ? dx : dy, minor = x_major ? dy : dx;
    long long first, last;
    const bool on_range = x_major ? steps_inside(from.x, sx, major, range.x0, range.x1, first, last)
                                  : steps_inside(from.y, sy, major, range.y0, range.y1, first, last);
    if (!on_range) return;
    long long moved = major == 0 ? 0 : (2 * minor * first + major) / (2 * major);
    long long decision = 2 * minor - major + 2 * minor * first - 2 * major * moved;
    long long x = from.x + sx * (x_major ? first : moved);
    long long y = from.y + sy * (x_major ? moved : first);
    for (long long k = first; k <= last; ++k) {
        if (inside(range, x, y)) set_pixel(x, y, color);
        if (decision >= 0) {
            if (x_major) y += sy; else x += sx;
            decision += 2 * (minor - major);
        } else {
            decision += 2 * minor;
        }
        if (x_major) x += sx; else y += sy;
    }
    mark_changed(clipped({clamp_to_int(std::min(from.x, to.x)), clamp_to_int(std::min(from.y, to.y)),
                          clamp_to_int(std::max(from.x, to.x)), clamp_to_int(std::max(from.y, to.y))}));
}

// A crossing of a polygon edge with a pixel row, as the exact fraction
// numerator / denominator with a positive denominator.
struct Crossing {
    long long numerator, denominator;
};

bool before(const Crossing& a, const Crossing& b)
{
    return a.numerator * b.denominator < b.numerator * a.denominator;
}

long long floor_div(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
long long ceil_div(long long a, long long b) { return -floor_div(-a, b); }

void collect_crossings(const std::vector<WindowPoint>& points, long long y, std::vector<Crossing>& out)
{
    out.clear();
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        WindowPoint a = points[i], b = points[(i + 1) % n];
        if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) continue;
        if (a.y > b.y) std::swap(a, b);
        const long long denominator = b.y - a.y;
        out.push_back({a.x * denominator + (y - a.y) * (b.x - a.x), denominator});
    }
    std::sort(out.begin(), out.end(), before);
}

void fill_polygon_interior(const std::vector<WindowPoint>& points)
{
    const PixelRange limit = drawable_range();
    long long top = points[0].y, bottom = points[0].y;
    for (const WindowPoint& p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    std::vector<Crossing> crossings;
    for (long long y = std::max<long long>(top, limit.y0); y <= std::min<long long>(bottom, limit.y1); ++y) {
        collect_crossings(points, y, crossings);
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const long long x0 = ceil_div(crossings[i].numerator, crossings[i].denominator);
            const long long x1 = floor_div(crossings[i + 1].numerator, crossings[i + 1].denominator);
            fill_range(clipped({clamp_to_int(x0), static_cast<int>(y), clamp_to_int(x1), static_cast<int>(y)}));
        }
    }
}

}  // namespace

void Line(int x1, int y1, int x2, int y2)
{
    const PixelRange range = drawable_range();
    if (range.empty()) return;
    bresenham(to_window(x1, y1), to_window(x2, y2), range,
              static_cast<std::uint8_t>(drawing_state().color));
}

void Rectangle(int x1, int y1, int x2, int y2)
{
    Line(x1, y1, x2, y1);
    Line(x2, y1, x2, y2);
    Line(x2, y2, x1, y2);
    Line(x1, y2, x1, y1);
}

void PutPixel(int x, int y, int color)
{
    const PixelRange range = drawable_range();
    const WindowPoint p = to_window(x, y);
    if (!inside(range, p.x, p.y)) return;
    set_pixel(p.x, p.y, static_cast<std::uint8_t>(color));
    mark_changed({static_cast<int>(p.x), static_cast<int>(p.y), static_cast<int>(p.x), static_cast<int>(p.y)});
}

int GetPixel(int x, int y)
{
    const DrawingState& state = drawing_state();
    const WindowPoint p = to_window(x, y);
    if (!state.graphics_open || p.x < 0 || p.y < 0 || p.x >= state.width || p.y >= state.height) return 0;
    return state.pixels[static_cast<std::size_t>(p.y) * state.width + static_cast<std::size_t>(p.x)];
}

void Bar(int x1, int y1, int x2, int y2)
{
    const WindowPoint a = to_window(std::min(x1, x2), std::min(y1, y2));
    const WindowPoint b = to_window(std::max(x1, x2), std::max(y1, y2));
    fill_range(clipped({clamp_to_int(a.x), clamp_to_int(a.y), clamp_to_int(b.x), clamp_to_int(b.y)}));
}

void FillPoly(int count, const SMALLINT* points)
{
    if (count < 1 || points == nullptr || drawable_range().empty()) return;
    std::vector<WindowPoint> corners;
    corners.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) corners.push_back(to_window(points[2 * i], points[2 * i + 1]));
    fill_polygon_interior(corners);
    for (int i = 0; i < count; ++i) {
        const int next = (i + 1) % count;
        Line(points[2 * i], points[2 * i + 1], points[2 * next], points[2 * next + 1]);
    }
}

void OutTextXY(int x, int y, std::string_view text)
{
    const DrawingState& state = drawing_state();
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
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::uint8_t* glyph = font8x8[static_cast<unsigned char>(text[i])];
        const long long glyph_left = origin.x + 8LL * static_cast<long long>(i);
        if (glyph_left > range.x1) break;
        for (int row = 0; row < 8; ++row)
            for (int column = 0; column < 8; ++column)
                if ((glyph[row] >> (7 - column)) & 1 && inside(range, glyph_left + column, origin.y + row))
                    set_pixel(glyph_left + column, origin.y + row, color);
    }
    mark_changed(clipped({clamp_to_int(origin.x), clamp_to_int(origin.y), clamp_to_int(origin.x + width - 1),
                          clamp_to_int(origin.y + 7)}));
}
