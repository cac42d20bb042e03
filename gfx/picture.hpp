// Read access to the drawn picture, for the platform, the export and tests.
#pragma once

#include <array>
#include <climits>
#include <cstdint>

struct RgbColor {
    std::uint8_t red, green, blue;
};
using Palette = std::array<RgbColor, 256>;

// The whole drawing area, row by row, one palette index per pixel.
struct PictureView {
    const std::uint8_t* pixels;
    int width;
    int height;
    std::uint8_t at(int x, int y) const { return pixels[static_cast<long>(y) * width + x]; }
};

// A rectangle of window pixels, both ends included; empty when x0 > x1 or y0 > y1.
struct PixelRange {
    int x0, y0, x1, y1;
    bool empty() const { return x0 > x1 || y0 > y1; }
};

// Nothing at all; also the start of a union of ranges.
constexpr PixelRange no_pixels{INT_MAX, INT_MAX, INT_MIN, INT_MIN};

// The picture as it stands; no pixels (nullptr, 0 x 0) outside graphics mode.
PictureView current_picture();

// The 256-entry palette: the 16 standard colours, then the VGA default set.
const Palette& palette();

// The window pixels changed since the last call, which the platform then
// shows; the record starts empty again.
PixelRange take_changed_range();
