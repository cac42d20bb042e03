// Read access to the drawn picture, for the window, the export and tests.
#pragma once

#include <array>
#include <cstdint>

struct RgbColor {
    std::uint8_t red, green, blue;
};

// The whole drawing area, row by row, one palette index per pixel.
struct PictureView {
    const std::uint8_t* pixels;
    int width;
    int height;
    std::uint8_t at(int x, int y) const { return pixels[static_cast<long>(y) * width + x]; }
};

// Window pixels changed since the platform last showed the picture; empty
// when width or height is 0.
struct DirtyRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

PictureView current_picture();

// How often the drawing operations were called since InitGraph (Line counts
// the sides that Rectangle and FillPoly draw too); for tests and benchmarks.
struct DrawingCallCounts {
    long lines = 0, put_pixels = 0, bars = 0, fill_polys = 0;
};
DrawingCallCounts drawing_call_counts();
// The 256-entry palette: the 16 standard colours, then the VGA default set.
const std::array<RgbColor, 256>& palette();

// The changed part since the last call, which the platform then shows; the
// record starts empty again.
DirtyRect take_changed_rect();
