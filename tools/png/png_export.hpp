// Writing pictures as PNG files, palette or RGB, a row at a time: 8 bits a
// channel or index, fewer for a palette of at most 16 colours.
// The encoder needs only zlib.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "gfx/picture.hpp"

struct PngRows {
    int width = 0;
    int height = 0;
    const RgbColor* palette = nullptr;  // null: three bytes a pixel, red, green, blue
    int palette_size = 0;               // 1 to 256
    std::string software;               // a "Software" text chunk unless empty
    // Compress runs of one byte only: several times faster, for pictures
    // that are looked at once (diff pictures), at some cost in size.
    bool runs_only = false;
    // Row y (0 = top) as indices or red, green, blue bytes; called once per
    // row in order; null stops the encoding as a failure.
    std::function<const std::uint8_t*(int y)> row;
};

// Writes the whole PNG file to `file`; false when a write fails.
bool encode_png(std::FILE* file, const PngRows& picture);

// The drawn picture with the program's 256-colour palette.
PngRows palette_rows(const PictureView& picture);

// Writes `picture` with the 256-entry palette to `path`, first under a
// temporary name in the same folder and then renamed, so that no partial
// file is ever left.  On failure returns false and sets `error` to a
// one-line reason.
bool write_palette_png(const PictureView& picture, const std::string& path, std::string& error);
