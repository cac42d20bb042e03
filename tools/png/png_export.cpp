// 8-bit palette PNG files of the drawn picture.  The few chunks are written
// here and the picture data goes through zlib directly, so that its
// compression can be tuned for these pictures: mostly background with thin
// lines, where zlib's levels are either slow (a long hash chain over every
// run of background) or loose.
#include "tools/output/atomic_file.hpp"
#include "tools/png/png_export.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>
#include <zlib.h>

#include "runtime/checks.hpp"

namespace {

// Measured on the show's twelve pictures at 1920 x 1080: level 6 with its
// hash chain cut from 128 to 24 links and any match of the longest length
// taken at once writes them in about 2/3 of level 6's time, into files at
// most 1.12 times level 6's size (at most 1.28 times at the other sizes
// tried, 102 x 150 to 5000 x 300).  Level 5 is no faster and up to 1.51
// times the size; levels 1 to 3 are twice as fast and up to 2.4 times the
// size, whatever the filter.
constexpr int compression_level = 6;
constexpr int good_length = 8, max_lazy = 16, nice_length = 258, max_chain = 24;

// IDAT chunks of at most this many compressed bytes.
constexpr std::size_t chunk_bytes = 1 << 18;

constexpr unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void put_big_endian(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value >> 24);
    at[1] = static_cast<unsigned char>(value >> 16);
    at[2] = static_cast<unsigned char>(value >> 8);
    at[3] = static_cast<unsigned char>(value);
}

// Length, type, data and the CRC of type and data.
bool write_chunk(std::FILE* file, const char* type, const unsigned char* data, std::size_t size)
{
    unsigned char head[8];
    put_big_endian(head, static_cast<std::uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0L, head + 4, 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    unsigned char tail[4];
    put_big_endian(tail, static_cast<std::uint32_t>(crc));
    return std::fwrite(head, 1, 8, file) == 8 && (size == 0 || std::fwrite(data, 1, size, file) == size) &&
           std::fwrite(tail, 1, 4, file) == 4;
}

// A palette of a few colours takes fewer bits an index: fewer bytes to
// compress (a diff picture has a handful of colours).
int bits_per_index(const PngRows& picture)
{
    if (!picture.palette || picture.palette_size > 16) return 8;
    return picture.palette_size <= 2 ? 1 : picture.palette_size <= 4 ? 2 : 4;
}

bool write_header(std::FILE* file, const PngRows& picture)
{
    unsigned char header[13] = {};
    put_big_endian(header, static_cast<std::uint32_t>(picture.width));
    put_big_endian(header + 4, static_cast<std::uint32_t>(picture.height));
    header[8] = static_cast<unsigned char>(bits_per_index(picture));  // bits per index or channel
    header[9] = picture.palette ? 3 : 2;  // palette or RGB; compression, filter and interlace methods stay 0
    if (std::fwrite(signature, 1, sizeof signature, file) != sizeof signature ||
        !write_chunk(file, "IHDR", header, sizeof header))
        return false;
    if (picture.palette) {
        std::vector<unsigned char> colors;
        for (int i = 0; i < picture.palette_size; ++i)
            colors.insert(colors.end(), {picture.palette[i].red, picture.palette[i].green, picture.palette[i].blue});
        if (!write_chunk(file, "PLTE", colors.data(), colors.size())) return false;
    }
    if (picture.software.empty()) return true;
    const std::string text = std::string("Software") + '\0' + picture.software;
    return write_chunk(file, "tEXt", reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

// The rows, each after its filter byte 0 (no filter), deflated into IDAT chunks.
class PictureData {
public:
    explicit PictureData(std::FILE* file) : file_(file), out_(chunk_bytes) {}
    ~PictureData()
    {
        if (started_) deflateEnd(&stream_);
    }
    PictureData(const PictureData&) = delete;
    PictureData& operator=(const PictureData&) = delete;

    bool write(const PngRows& picture)
    {
        const int strategy = picture.runs_only ? Z_RLE : Z_DEFAULT_STRATEGY;
        if (deflateInit2(&stream_, compression_level, Z_DEFLATED, 15, 8, strategy) != Z_OK) return false;
        started_ = true;
        if (!picture.runs_only) deflateTune(&stream_, good_length, max_lazy, nice_length, max_chain);
        stream_.next_out = out_.data();
        stream_.avail_out = static_cast<uInt>(out_.size());
        unsigned char no_filter = 0;
        const int bits = bits_per_index(picture);
        const std::size_t width = static_cast<std::size_t>(picture.width);
        const std::size_t row_bytes = bits < 8 ? (width * bits + 7) / 8 : width * (picture.palette ? 1 : 3);
        std::vector<unsigned char> packed(bits < 8 ? row_bytes : 0);  // (every byte written for each row)
        for (int y = 0; y < picture.height; ++y) {
            const unsigned char* row = picture.row(y);
            if (row && bits < 8) row = pack(row, width, bits, packed);
            if (!row || !deflate_bytes(&no_filter, 1, Z_NO_FLUSH) || !deflate_bytes(row, row_bytes, Z_NO_FLUSH))
                return false;
        }
        return deflate_bytes(nullptr, 0, Z_FINISH) && flush_chunk();
    }

private:
    // Indices of `bits` bits packed into bytes, the leftmost pixel in the
    // highest bits.
    static const unsigned char* pack(const unsigned char* row, std::size_t width, int bits,
                                     std::vector<unsigned char>& packed)
    {
        if (bits == 1) pack_bits<1>(row, width, packed.data());
        else if (bits == 2) pack_bits<2>(row, width, packed.data());
        else pack_bits<4>(row, width, packed.data());
        return packed.data();
    }
    template <int Bits>
    static void pack_bits(const unsigned char* row, std::size_t width, unsigned char* out)
    {
        constexpr std::size_t per_byte = 8 / Bits, run = 16;
        std::size_t x = 0;
        while (x + per_byte <= width) {
            // Sixteen equal indices: their bytes at once (background is most of a row).
            if (x + run <= width && std::memcmp(row + x, row + x + 1, run - 1) == 0) {
                unsigned byte = 0;
                for (std::size_t i = 0; i < per_byte; ++i) byte = byte << Bits | row[x];
                std::memset(out, static_cast<int>(byte), run / per_byte);
                out += run / per_byte;
                x += run;
                continue;
            }
            for (const std::size_t end = std::min(x + run, width - width % per_byte); x < end; x += per_byte, ++out) {
                unsigned byte = 0;
                for (std::size_t i = 0; i < per_byte; ++i) byte = byte << Bits | row[x + i];
                *out = static_cast<unsigned char>(byte);
            }
        }
        if (x == width) return;
        unsigned byte = 0;
        std::size_t taken = 0;
        for (; x < width; ++x, ++taken) byte = byte << Bits | row[x];
        *out = static_cast<unsigned char>(byte << (Bits * (per_byte - taken)));
    }

    bool deflate_bytes(const unsigned char* bytes, std::size_t size, int flush)
    {
        stream_.next_in = const_cast<unsigned char*>(bytes);
        stream_.avail_in = static_cast<uInt>(size);
        for (;;) {
            const int result = deflate(&stream_, flush);
            if (result == Z_STREAM_ERROR || (result == Z_BUF_ERROR && stream_.avail_out != 0)) return false;
            if (flush == Z_FINISH && result == Z_STREAM_END) return true;
            if (stream_.avail_out == 0) {
                if (!flush_chunk()) return false;
            } else if (stream_.avail_in == 0 && flush != Z_FINISH) {
                return true;
            }
        }
    }

    bool flush_chunk()
    {
        const std::size_t size = out_.size() - stream_.avail_out;
        if (size > 0 && !write_chunk(file_, "IDAT", out_.data(), size)) return false;
        stream_.next_out = out_.data();
        stream_.avail_out = static_cast<uInt>(out_.size());
        return true;
    }

    std::FILE* file_;
    std::vector<unsigned char> out_;
    z_stream stream_{};
    bool started_ = false;
};

}  // namespace

bool encode_png(std::FILE* file, const PngRows& picture)
{
    if (!picture.row || picture.width <= 0 || picture.height <= 0) return false;
    if (picture.palette && (picture.palette_size <= 0 || picture.palette_size > 256)) return false;
    if (!write_header(file, picture)) return false;
    PictureData data(file);
    return data.write(picture) && write_chunk(file, "IEND", nullptr, 0);
}

PngRows palette_rows(const PictureView& picture)
{
    PngRows rows;
    rows.width = picture.width;
    rows.height = picture.height;
    rows.palette = palette().data();
    rows.palette_size = static_cast<int>(palette().size());
    rows.row = [picture](int y) { return picture.pixels + static_cast<std::size_t>(y) * picture.width; };
    return rows;
}

bool write_palette_png(const PictureView& picture, const std::string& path, std::string& error)
{
    if (!picture.pixels) return false;
    const PngRows rows = palette_rows(picture);
    return write_file_atomically(path, [&](std::FILE* file) { return encode_png(file, rows); }, error);
}
