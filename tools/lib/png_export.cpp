// 8-bit palette PNG files of the drawn picture, through libpng.
#include "tools/lib/png_export.hpp"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <unistd.h>

#include "model/checks.hpp"

namespace {

// zlib level for the picture data.
constexpr int compression_level = 6;

bool encode(std::FILE* file, const PictureView& picture)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, compression_level);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = {palette()[i].red, palette()[i].green, palette()[i].blue};
    png_set_PLTE(png, info, colors, 256);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, picture.pixels + static_cast<std::size_t>(y) * picture.width);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool write_palette_png(const PictureView& picture, const std::string& path, std::string& error)
{
    LibraryCallScope library;
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool ok = encode(file, picture);
    ok = (std::fflush(file) == 0) && ok;
    const int saved_errno = errno;
    ok = (std::fclose(file) == 0) && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = "cannot write " + path + ": " + std::strerror(saved_errno ? saved_errno : errno);
    std::remove(temporary.c_str());
    return false;
}
