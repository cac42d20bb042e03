// Diff pictures: the per-pixel comparison (the RGB PNG they are saved as is
// written in rgb_png_libpng.cpp, and on Windows in png_zlib.cpp).
#include "tools/lib/diff_image.hpp"

#include <utility>

namespace {

bool same_color(RgbColor a, RgbColor b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

RgbColor mark(PixelMatch match)
{
    switch (match) {
    case PixelMatch::missing: return diff_colors::missing;
    case PixelMatch::extra: return diff_colors::extra;
    default: return diff_colors::changed;
    }
}

}  // namespace

RgbColor dimmed(RgbColor color)
{
    const auto dim = [](std::uint8_t channel) { return static_cast<std::uint8_t>(channel * 2 / 5); };
    return {dim(color.red), dim(color.green), dim(color.blue)};
}

PixelComparer::PixelComparer(const PngPicture& expected, const PngPicture& actual)
    : expected_(expected), actual_(actual), by_index_(expected.indexed() && actual.indexed())
{
}

bool PixelComparer::drawn(const PngPicture& picture, int x, int y) const
{
    if (by_index_) return picture.index(x, y) != 0;
    return !same_color(picture.color(x, y), RgbColor{0, 0, 0});
}

PixelMatch PixelComparer::match(int x, int y) const
{
    const bool same = by_index_ ? expected_.index(x, y) == actual_.index(x, y)
                                : same_color(expected_.color(x, y), actual_.color(x, y));
    if (same) return PixelMatch::same;
    const bool in_expected = drawn(expected_, x, y);
    const bool in_actual = drawn(actual_, x, y);
    if (in_expected && !in_actual) return PixelMatch::missing;
    if (in_actual && !in_expected) return PixelMatch::extra;
    return PixelMatch::changed;
}

RgbColor RgbImage::at(int x, int y) const
{
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 3];
    return {p[0], p[1], p[2]};
}

void RgbImage::set(int x, int y, RgbColor color)
{
    std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 3];
    p[0] = color.red;
    p[1] = color.green;
    p[2] = color.blue;
}

namespace {

void draw_ring(RgbImage& image, const PixelComparer& comparer, int x, int y)
{
    const auto put = [&](int rx, int ry) {
        if (rx >= 0 && ry >= 0 && rx < image.width && ry < image.height &&
            comparer.match(rx, ry) == PixelMatch::same)
            image.set(rx, ry, diff_colors::ring);
    };
    for (int d = -ring_distance; d <= ring_distance; ++d) {
        put(x + d, y - ring_distance);
        put(x + d, y + ring_distance);
        put(x - ring_distance, y + d);
        put(x + ring_distance, y + d);
    }
}

}  // namespace

RgbImage make_diff_image(const PngPicture& expected, const PngPicture& actual)
{
    const PixelComparer comparer(expected, actual);
    RgbImage image;
    image.width = expected.width;
    image.height = expected.height;
    image.rgb.reserve(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    std::vector<std::pair<int, int>> differing;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const PixelMatch match = comparer.match(x, y);
            const RgbColor color = match == PixelMatch::same ? dimmed(expected.color(x, y)) : mark(match);
            image.rgb.insert(image.rgb.end(), {color.red, color.green, color.blue});
            if (match != PixelMatch::same && differing.size() <= static_cast<std::size_t>(max_ringed_pixels))
                differing.emplace_back(x, y);
        }
    }
    if (differing.size() <= static_cast<std::size_t>(max_ringed_pixels))
        for (const auto& [x, y] : differing) draw_ring(image, comparer, x, y);
    return image;
}
