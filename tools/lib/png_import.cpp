// PNG files read through libpng.  Errors come back from libpng by a jump to
// the set-up point, so the function that holds it keeps no object with a
// destructor of its own.
#include "tools/lib/png_import.hpp"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

#include "runtime/checks.hpp"

namespace {

// Larger than any export; a damaged header cannot ask for more memory.
constexpr png_uint_32 max_side = 16384;

struct ReadFailure {
    char message[200] = {};
};

[[noreturn]] void on_png_error(png_structp png, png_const_charp message)
{
    auto* failure = static_cast<ReadFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// One byte per pixel for palette pictures, three for every other kind.
int choose_format(png_structp png, png_infop info)
{
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_interlace_handling(png);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE) return 1;
    png_set_expand(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    return 3;
}

void take_palette(png_structp png, png_infop info, PngPicture& picture)
{
    png_colorp colors = nullptr;
    int count = 0;
    if (!png_get_PLTE(png, info, &colors, &count)) png_error(png, "palette picture without a palette");
    picture.palette.clear();
    for (int i = 0; i < count; ++i) picture.palette.push_back({colors[i].red, colors[i].green, colors[i].blue});
}

void check_indices(png_structp png, const PngPicture& picture)
{
    for (const std::uint8_t index : picture.pixels)
        if (index >= picture.palette.size()) png_error(png, "pixel colour beyond the palette");
}

bool decode(std::FILE* file, PngPicture& picture, std::vector<png_bytep>& rows, ReadFailure& failure)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &failure, on_png_error, on_png_warning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_user_limits(png, max_side, max_side);
    png_init_io(png, file);
    png_read_info(png, info);
    const int channels = choose_format(png, info);
    png_read_update_info(png, info);
    picture.width = static_cast<int>(png_get_image_width(png, info));
    picture.height = static_cast<int>(png_get_image_height(png, info));
    const std::size_t row_bytes = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(channels);
    if (png_get_rowbytes(png, info) != row_bytes) png_error(png, "unexpected pixel format");
    picture.palette.clear();
    if (channels == 1) take_palette(png, info, picture);
    picture.pixels.assign(row_bytes * static_cast<std::size_t>(picture.height), 0);
    rows.resize(static_cast<std::size_t>(picture.height));
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = picture.pixels.data() + y * row_bytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    if (channels == 1) check_indices(png, picture);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

RgbColor PngPicture::color(int x, int y) const
{
    if (indexed()) return palette[index(x, y)];
    const std::uint8_t* rgb = &pixels[offset(x, y) * 3];
    return {rgb[0], rgb[1], rgb[2]};
}

bool read_png(const std::string& path, PngPicture& picture, std::string& error)
{
    LibraryCallScope library;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    ReadFailure failure;
    std::vector<png_bytep> rows;
    picture = PngPicture{};
    const bool ok = decode(file, picture, rows, failure);
    const bool ended_early = std::feof(file) != 0;
    std::fclose(file);
    if (ok) return true;
    picture = PngPicture{};
    const std::string reason = ended_early         ? "the file ends too early"
                               : failure.message[0] ? failure.message
                                                    : "out of memory";
    error = "cannot read " + path + ": not a sound PNG picture (" + reason + ")";
    return false;
}
