// Reading a PNG picture back: palette pictures keep their indices, all
// others become 8-bit RGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/picture.hpp"

struct PngPicture {
    int width = 0;
    int height = 0;
    // The picture's palette; empty for a picture without one.
    std::vector<RgbColor> palette;
    // Row by row: one palette index per pixel, or red, green, blue bytes.
    std::vector<std::uint8_t> pixels;

    bool indexed() const { return !palette.empty(); }
    std::size_t offset(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
    // Only for an indexed picture.
    std::uint8_t index(int x, int y) const { return pixels[offset(x, y)]; }
    RgbColor color(int x, int y) const;
};

// Reads the whole file, up to and including its end chunk; a missing,
// truncated or damaged file gives false with a one-line reason in `error`.
bool read_png(const std::string& path, PngPicture& picture, std::string& error);
