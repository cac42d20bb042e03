// The diff picture of two pictures of one size: what matches is dimmed,
// what differs is marked in one of three bright colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/picture.hpp"
#include "tools/lib/png_import.hpp"

// How one pixel of the actual picture stands to the expected one.
enum class PixelMatch { same, missing, extra, changed };

// Marks: missing is drawn in the expected picture but background (colour 0,
// black) in the actual one; extra is the other way round; changed is drawn
// in both, in different colours.
namespace diff_colors {
constexpr RgbColor missing{255, 0, 255};  // magenta
constexpr RgbColor extra{0, 255, 255};    // cyan
constexpr RgbColor changed{255, 255, 0};  // yellow
// A single wrong pixel is easy to miss: when a picture has only a few, each
// gets a square ring around it, drawn over matching pixels only.
constexpr RgbColor ring{255, 255, 255};   // white
}  // namespace diff_colors

constexpr long max_ringed_pixels = 100;
constexpr int ring_distance = 5;  // pixels from the marked one to its ring

// A matching pixel keeps its colour at two fifths of the brightness, so
// that even white stays far darker than every mark.
RgbColor dimmed(RgbColor color);

// Palette indices are compared when both pictures have a palette, colours
// otherwise.  The pictures must have the same size.
class PixelComparer {
public:
    PixelComparer(const PngPicture& expected, const PngPicture& actual);
    bool by_index() const { return by_index_; }
    PixelMatch match(int x, int y) const;

private:
    bool drawn(const PngPicture& picture, int x, int y) const;

    const PngPicture& expected_;
    const PngPicture& actual_;
    bool by_index_;
};

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // row by row, red, green, blue
    RgbColor at(int x, int y) const;
    void set(int x, int y, RgbColor color);
};

RgbImage make_diff_image(const PngPicture& expected, const PngPicture& actual);

// Writes an 8-bit RGB PNG under a temporary name beside `path` and then
// renames it; false with a one-line `error` when it cannot.
bool write_rgb_png(const RgbImage& image, const std::string& path, std::string& error);
