// Adam7 rows from one decoder per pass.
#include "tools/png/png_adam7.hpp"

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

Adam7Rows::Adam7Rows(int width, int height, int bytes_per_pixel, PassOpener open_pass)
    : width_(width), height_(height), bytes_(bytes_per_pixel), open_pass_(std::move(open_pass)),
      pass_row_(static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes_per_pixel))
{
}

// The decoder of `pass`, opened at its first row; without a pass opener the
// rows of every earlier pass are read and dropped.
bool Adam7Rows::decoder_of(int pass, std::string& error)
{
    if (decoders_[pass]) return true;
    if (open_pass_) {
        decoders_[pass] = open_pass_(pass, error);
        return decoders_[pass] != nullptr;
    }
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

namespace {

template <std::size_t Bytes>
void scatter_pixels(const std::uint8_t* in, int count, std::uint8_t* out, int step)
{
    const std::size_t stride = static_cast<std::size_t>(step) * Bytes;
    for (int i = 0; i < count; ++i, in += Bytes, out += stride) std::memcpy(out, in, Bytes);
}

}  // namespace

// A pass's pixels into their places in the picture row, `step` apart.
void Adam7Rows::scatter(const std::uint8_t* in, int count, std::uint8_t* out, int step) const
{
    if (step == 1) {  // the last pass: whole odd rows
        std::memcpy(out, in, static_cast<std::size_t>(count) * static_cast<std::size_t>(bytes_));
        return;
    }
    if (bytes_ == 1) return scatter_pixels<1>(in, count, out, step);
    if (bytes_ == 3) return scatter_pixels<3>(in, count, out, step);
    const std::size_t stride = static_cast<std::size_t>(step) * static_cast<std::size_t>(bytes_);
    for (int i = 0; i < count; ++i, in += bytes_, out += stride) std::memcpy(out, in, static_cast<std::size_t>(bytes_));
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
        scatter(pass_row_.data(), columns, row + static_cast<std::size_t>(p.x0) * bytes_, p.dx);
    }
    if (y + 1 < height_) return true;
    const bool ok = last_pass < 0 || (decoder_of(last_pass, error) && decoders_[last_pass]->finish(error));
    for (auto& decoder : decoders_) decoder.reset();
    return ok;
}
