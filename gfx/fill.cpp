// Fill styles: pattern 0 paints the background colour, pattern 1 the fill
// colour, patterns 2..12 an 8 x 8 hatch whose set bits take the fill colour
// and whose clear bits the background, aligned to the window.
#include <cstdint>

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

}  // namespace

void fill_range(const PixelRange& range)
{
    if (range.empty()) return;
    const DrawingState& state = drawing_state();
    const auto fill = static_cast<std::uint8_t>(state.fill_color);
    const auto background = static_cast<std::uint8_t>(state.background);
    if (state.fill_pattern <= 1) {
        const std::uint8_t color = state.fill_pattern == 1 ? fill : background;
        for (int y = range.y0; y <= range.y1; ++y) fill_span(y, range.x0, range.x1, color);
    } else {
        const std::uint8_t* pattern = hatch_patterns[state.fill_pattern];
        for (int y = range.y0; y <= range.y1; ++y)
            for (int x = range.x0; x <= range.x1; ++x) {
                const bool set = (pattern[y & 7] >> (7 - (x & 7))) & 1;
                fill_span(y, x, x, set ? fill : background);
            }
    }
    mark_changed(range);
}
