// The 256-entry palette: the 16 standard colours, a grey ramp, nine rings of
// 24 hues at three intensities and three saturations, and eight black
// entries, as a VGA card sets them at start.  Levels are 6-bit DAC values
// scaled by 4.
#include "gfx/picture.hpp"

namespace {

constexpr std::uint8_t standard16[16][3] = {
    {0, 0, 0},     {0, 0, 42},    {0, 42, 0},    {0, 42, 42},  {42, 0, 0},  {42, 0, 42},
    {42, 21, 0},   {42, 42, 42},  {21, 21, 21},  {21, 21, 63}, {21, 63, 21}, {21, 63, 63},
    {63, 21, 21},  {63, 21, 63},  {63, 63, 21},  {63, 63, 63}};

constexpr std::uint8_t grey_ramp[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};

// Five levels of each ring: high, medium and low intensity, each at full,
// medium and low saturation.
constexpr std::uint8_t ring_levels[9][5] = {
    {0, 16, 31, 47, 63},  {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
    {0, 7, 14, 21, 28},   {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
    {0, 4, 8, 12, 16},    {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16}};

// The hue walk blue, magenta, red, yellow, green, cyan, as level indices.
constexpr std::uint8_t hue_walk[24][3] = {
    {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1},
    {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0},
    {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}};

RgbColor from_dac(int red, int green, int blue)
{
    return {static_cast<std::uint8_t>(red * 4), static_cast<std::uint8_t>(green * 4),
            static_cast<std::uint8_t>(blue * 4)};
}

std::array<RgbColor, 256> build_palette()
{
    std::array<RgbColor, 256> colors{};
    for (int i = 0; i < 16; ++i)
        colors[i] = from_dac(standard16[i][0], standard16[i][1], standard16[i][2]);
    for (int i = 0; i < 16; ++i) colors[16 + i] = from_dac(grey_ramp[i], grey_ramp[i], grey_ramp[i]);
    for (int ring = 0; ring < 9; ++ring)
        for (int hue = 0; hue < 24; ++hue) {
            const std::uint8_t* levels = ring_levels[ring];
            colors[32 + ring * 24 + hue] = from_dac(levels[hue_walk[hue][0]], levels[hue_walk[hue][1]],
                                                    levels[hue_walk[hue][2]]);
        }
    return colors;  // 248..255 stay black
}

}  // namespace

const std::array<RgbColor, 256>& palette()
{
    static const std::array<RgbColor, 256> colors = build_palette();
    return colors;
}
