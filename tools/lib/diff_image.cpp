// Diff pictures: the per-pixel comparison and the RGB PNG they are saved as.
#include "tools/lib/atomic_file.hpp"
#include "tools/lib/diff_image.hpp"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <utility>

#include "runtime/checks.hpp"

namespace {

constexpr int compression_level = 6;

bool same_color(RgbColor a, RgbColor b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

RgbColor mark(PixelMatch match)
{
    switch (match) {
    case PixelMatch::missing: return diff_colors::missing;
    case PixelMatch::extra: return diff_colors::extra;
    default: return diff_colors::changed;
    }
}

// Quiet: the caller reports the failure in its own one line.
[[noreturn]] void on_png_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_png_warning(png_structp, png_const_charp) {}

bool encode(std::FILE* file, const RgbImage& image)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, compression_level);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t row_bytes = static_cast<std::size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, image.rgb.data() + static_cast<std::size_t>(y) * row_bytes);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
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

bool write_rgb_png(const RgbImage& image, const std::string& path, std::string& error)
{
    return write_file_atomically(path, [&](std::FILE* file) { return encode(file, image); }, error);
}
