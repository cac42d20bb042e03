// The menu icon: one of the show's own pictures, cut down to what is drawn
// on it and averaged down to an icon's size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/png/png_import.hpp"

struct IconImage {
    int size = 0;
    // Row by row: red, green, blue and alpha bytes.
    std::vector<std::uint8_t> rgba;
};

// The smallest square around the non-black pixels of the plot window (the
// picture without its border and title rows), centred on them, averaged
// down to `size` × `size` pixels.  Black becomes transparent, so a pixel's
// opacity is the share of drawn pixels it covers.  False with a one-line
// reason when the picture has nothing drawn or is smaller than the icon.
bool make_icon(const PngPicture& picture, int size, IconImage& icon, std::string& error);

// Writes the icon as an 8-bit RGBA PNG, with no partial file left behind.
bool write_icon(const IconImage& icon, const std::string& path, std::string& error);
