// Fill styles: pattern 0 paints the background colour, pattern 1 the fill
// colour, patterns 2..12 an 8 x 8 hatch whose set bits take the fill colour
// and whose clear bits the background, aligned to the window.
#include <cstdint>
#include <cstring>

#include "gfx/drawing_state.hpp"

namespace {

constexpr std::uint8_t hatch_patterns[13][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},                          // 0 empty: background
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // 1 solid
    {0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00},  // 2 lines
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // 3 light slashes
    {0xE0, 0xC1, 0x83, 0x07, 0x0E, 0x1C, 0x38, 0x70},  // 4 slashes
    {0xF0, 0x78, 0x3C, 0x1E, 0x0F, 0x87, 0xC3, 0xE1},  // 5 backslashes
    {0xA5, 0xD2, 0x69, 0xB4, 0x5A, 0x2D, 0x96, 0x4B},  // 6 light backslashes
    {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88},  // 7 hatch
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // 8 cross hatch
    {0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33},  // 9 interleave
    {0x80, 0x00, 0x08, 0x00, 0x80, 0x00, 0x08, 0x00},  // 10 wide dots
    {0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00},  // 11 close dots
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // 12 user pattern: solid until set
};

// Runs of n pixels in `color` on `rows` rows, `stride` apart.  The width
// picks the stores once for all the rows (a brick is narrow and tall).
template <std::size_t Size>
void store_rows(std::uint8_t* first, std::size_t stride, std::size_t n, int rows, std::uint8_t color)
{
    for (int k = 0; k < rows; ++k, first += stride) store_ends<Size>(first, n, color);
}

void fill_rows(std::uint8_t* first, std::size_t stride, std::size_t n, int rows, std::uint8_t color)
{
    if (n > 64) {
        for (int k = 0; k < rows; ++k, first += stride) std::memset(first, color, n);
    } else if (n >= 32) {
        store_rows<32>(first, stride, n, rows, color);
    } else if (n >= 16) {
        store_rows<16>(first, stride, n, rows, color);
    } else if (n >= 8) {
        store_rows<8>(first, stride, n, rows, color);
    } else if (n >= 4) {
        store_rows<4>(first, stride, n, rows, color);
    } else if (n >= 2) {
        store_rows<2>(first, stride, n, rows, color);
    } else {
        for (int k = 0; k < rows; ++k, first += stride) *first = color;
    }
}

}  // namespace

void fill_solid_rectangle(int x0, int y0, int x1, int y1, std::uint8_t color)
{
    if (x0 > x1 || y0 > y1) return;
    DrawingState& state = drawing_state();
    const std::size_t n = static_cast<std::size_t>(x1 - x0) + 1;
    const int rows = y1 - y0 + 1;
    std::uint8_t* first = state.row(y0) + x0;
    if (n == static_cast<std::size_t>(state.width))
        std::memset(first, color, n * static_cast<std::size_t>(rows));  // whole rows are one run
    else
        fill_rows(first, static_cast<std::size_t>(state.width), n, rows, color);
}

void fill_rectangle(int x0, int y0, int x1, int y1)
{
    if (x0 > x1 || y0 > y1) return;
    DrawingState& state = drawing_state();
    const auto fill = static_cast<std::uint8_t>(state.fill_color);
    const auto background = static_cast<std::uint8_t>(state.background);
    if (state.fill_pattern <= 1) {
        fill_solid_rectangle(x0, y0, x1, y1, state.fill_pattern == 1 ? fill : background);
    } else {
        const std::uint8_t* pattern = hatch_patterns[state.fill_pattern];
        for (int y = y0; y <= y1; ++y) {
            // The eight colours of this row's pattern, by column mod 8.
            std::uint8_t colors[8];
            for (int bit = 0; bit < 8; ++bit) colors[bit] = (pattern[y & 7] >> (7 - bit)) & 1 ? fill : background;
            std::uint8_t* row = state.row(y);
            for (int x = x0; x <= x1; ++x) row[x] = colors[x & 7];
        }
    }
    grow(state.changed, {x0, y0, x1, y1});
}
