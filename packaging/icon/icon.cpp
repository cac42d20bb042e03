// Cutting a picture of the show down to a menu icon.
#include "packaging/icon/icon.hpp"

#include <algorithm>
#include <png.h>

#include "tools/output/atomic_file.hpp"

namespace {

// The frame around every picture: a one-pixel border, a blank pixel, and the
// title's eight rows at the top; what is drawn lies inside.
constexpr int frame_margin = 2;
constexpr int title_rows = 12;

struct Box {
    int left, top, right, bottom;  // both ends included
};

// Drawn: a pixel of the plot window that is not black.
bool drawn(const PngPicture& picture, int x, int y)
{
    if (x < frame_margin || y < title_rows || x >= picture.width - frame_margin || y >= picture.height - frame_margin)
        return false;
    const RgbColor color = picture.color(x, y);
    return color.red != 0 || color.green != 0 || color.blue != 0;
}

bool find_drawn_box(const PngPicture& picture, Box& box)
{
    box = {picture.width, picture.height, -1, -1};
    for (int y = title_rows; y < picture.height - frame_margin; ++y) {
        for (int x = frame_margin; x < picture.width - frame_margin; ++x) {
            if (!drawn(picture, x, y)) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
        }
    }
    return box.right >= 0;
}

}  // namespace

bool make_icon(const PngPicture& picture, int size, IconImage& icon, std::string& error)
{
    Box box{};
    if (size <= 0 || !find_drawn_box(picture, box)) {
        error = "the picture has nothing drawn in its plot window";
        return false;
    }
    const int side = std::max(box.right - box.left, box.bottom - box.top) + 1;
    if (side < size) {
        error = "what is drawn (" + std::to_string(side) + " pixels) is smaller than the icon";
        return false;
    }
    // The square may reach past the plot window; pixels out there are blank.
    const int left = box.left - (side - (box.right - box.left + 1)) / 2;
    const int top = box.top - (side - (box.bottom - box.top + 1)) / 2;

    // Every pixel of the square falls into exactly one icon pixel.
    struct Sum {
        long red = 0, green = 0, blue = 0, drawn = 0, all = 0;
    };
    std::vector<Sum> sums(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (int dy = 0; dy < side; ++dy) {
        for (int dx = 0; dx < side; ++dx) {
            Sum& sum = sums[static_cast<std::size_t>(dy * size / side * size + dx * size / side)];
            ++sum.all;
            const int x = left + dx, y = top + dy;
            if (!drawn(picture, x, y)) continue;
            const RgbColor color = picture.color(x, y);
            sum.red += color.red;
            sum.green += color.green;
            sum.blue += color.blue;
            ++sum.drawn;
        }
    }
    icon.size = size;
    icon.rgba.clear();
    for (const Sum& sum : sums) {
        // The colour of the drawn pixels alone: black must not darken it,
        // since black is what becomes transparent.
        const long drawn_count = std::max(sum.drawn, 1L);
        icon.rgba.push_back(static_cast<std::uint8_t>(sum.red / drawn_count));
        icon.rgba.push_back(static_cast<std::uint8_t>(sum.green / drawn_count));
        icon.rgba.push_back(static_cast<std::uint8_t>(sum.blue / drawn_count));
        icon.rgba.push_back(static_cast<std::uint8_t>(sum.drawn * 255 / sum.all));
    }
    return true;
}

bool write_icon(const IconImage& icon, const std::string& path, std::string& error)
{
    return write_file_atomically(
        path,
        [&icon](std::FILE* file) {
            png_image image{};
            image.version = PNG_IMAGE_VERSION;
            image.width = static_cast<png_uint_32>(icon.size);
            image.height = static_cast<png_uint_32>(icon.size);
            image.format = PNG_FORMAT_RGBA;
            const bool written = png_image_write_to_stdio(&image, file, 0, icon.rgba.data(), 0, nullptr) != 0;
            png_image_free(&image);
            return written;
        },
        error);
}
