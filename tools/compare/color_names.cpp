// Colour names of the report.
#include "tools/compare/color_names.hpp"

#include <cstdio>

#include "tools/compare/diff_image.hpp"

namespace {

constexpr const char* standard_names[16] = {
    "black",    "blue",       "green",       "cyan",       "red",       "magenta",       "brown",  "light grey",
    "dark grey", "light blue", "light green", "light cyan", "light red", "light magenta", "yellow", "white"};

std::string hex_color(RgbColor color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red, color.green, color.blue);
    return text;
}

}  // namespace

std::string color_text(RgbColor color, int own_index)
{
    int index = -1;
    if (own_index >= 0 && own_index < 256 && same_color(palette()[own_index], color)) index = own_index;
    for (int i = 0; i < 256 && index < 0; ++i)
        if (same_color(palette()[i], color)) index = i;
    if (index < 0) return hex_color(color);
    return std::to_string(index) + " (" + (index < 16 ? standard_names[index] : hex_color(color)) + ")";
}
