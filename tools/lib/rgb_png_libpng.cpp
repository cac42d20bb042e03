// The diff picture written as an 8-bit RGB PNG through libpng.
#include "tools/lib/atomic_file.hpp"
#include "tools/lib/diff_image.hpp"

#include <csetjmp>
#include <cstdio>
#include <png.h>

namespace {

constexpr int compression_level = 6;

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

bool write_rgb_png(const RgbImage& image, const std::string& path, std::string& error)
{
    return write_file_atomically(path, [&](std::FILE* file) { return encode(file, image); }, error);
}
