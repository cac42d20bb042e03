// Adam7 rows from one decoder per pass.
#include "tools/lib/png_adam7.hpp"

#include <cstring>

int adam7_columns(int pass, int width)
{
    const Adam7Pass& p = adam7_passes[pass];
    return width > p.x0 ? (width - p.x0 + p.dx - 1) / p.dx : 0;
}

int adam7_rows(int pass, int height)
{
    const Adam7Pass& p = adam7_passes[pass];
    return height > p.y0 ? (height - p.y0 + p.dy - 1) / p.dy : 0;
}

Adam7Rows::Adam7Rows(int width, int height, int bytes_per_pixel, std::unique_ptr<StoredRows> first, Opener open)
    : width_(width), height_(height), bytes_(bytes_per_pixel), open_(std::move(open)), spare_(std::move(first)),
      pass_row_(static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes_per_pixel))
{
}

// The decoder of `pass`, opened at its first row: the rows of every
// earlier pass are read and dropped.
bool Adam7Rows::decoder_of(int pass, std::string& error)
{
    if (decoders_[pass]) return true;
    std::unique_ptr<StoredRows> decoder = spare_ ? std::move(spare_) : open_(error);
    if (!decoder) return false;
    for (int earlier = 0; earlier < pass; ++earlier) {
        const int columns = adam7_columns(earlier, width_), rows = adam7_rows(earlier, height_);
        for (int row = 0; columns > 0 && row < rows; ++row)
            if (!decoder->next(pass_row_.data(), columns, error)) return false;
    }
    decoders_[pass] = std::move(decoder);
    return true;
}

bool Adam7Rows::read_row(std::uint8_t* row, std::string& error)
{
    const int y = y_++;
    int last_pass = -1;  // the last one with pixels: its decoder reads to the end
    for (int pass = 0; pass < 7; ++pass) {
        const Adam7Pass& p = adam7_passes[pass];
        const int columns = adam7_columns(pass, width_);
        if (columns == 0 || adam7_rows(pass, height_) == 0) continue;
        last_pass = pass;
        if (y < p.y0 || (y - p.y0) % p.dy != 0) continue;
        if (!decoder_of(pass, error) || !decoders_[pass]->next(pass_row_.data(), columns, error)) return false;
        const std::uint8_t* in = pass_row_.data();
        for (int column = 0; column < columns; ++column, in += bytes_)
            std::memcpy(row + static_cast<std::size_t>(p.x0 + column * p.dx) * bytes_, in, bytes_);
    }
    if (y + 1 < height_) return true;
    const bool ok = last_pass < 0 || (decoder_of(last_pass, error) && decoders_[last_pass]->finish(error));
    for (auto& decoder : decoders_) decoder.reset();
    return ok;
}
