// Whole pictures read through PngReader, for tests and small tools.
#include <cstring>

#include "tools/lib/png_import.hpp"

RgbColor PngPicture::color(int x, int y) const
{
    if (indexed()) return palette[index(x, y)];
    const std::uint8_t* rgb = &pixels[offset(x, y) * 3];
    return {rgb[0], rgb[1], rgb[2]};
}

bool read_png(const std::string& path, PngPicture& picture, std::string& error)
{
    picture = PngPicture{};
    PngReader reader;
    if (!reader.open(path, error)) return false;
    PngPicture read;
    read.width = reader.width();
    read.height = reader.height();
    read.palette = reader.palette();
    const std::size_t row_bytes = static_cast<std::size_t>(read.width) * (read.indexed() ? 1 : 3);
    // Grown a row at a time: a damaged header that claims a large picture
    // costs only the rows that are really there.
    for (int y = 0; y < read.height; ++y) {
        read.pixels.resize(row_bytes * static_cast<std::size_t>(y + 1));
        if (!reader.read_row(&read.pixels[y * row_bytes], error)) return false;
    }
    picture = std::move(read);
    return true;
}
