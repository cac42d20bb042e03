// PNG files read and the diff picture written with zlib alone, for the
// Windows build, which has no libpng.  The reader takes non-interlaced
// pictures of every colour type, one row at a time: palette pictures keep
// their indices, all others become 8-bit RGB (alpha dropped, 16-bit samples
// cut to their high byte).  Every chunk's CRC is checked.
#include "tools/lib/atomic_file.hpp"
#include "tools/lib/diff_image.hpp"
#include "tools/lib/png_import.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <zlib.h>

#include "runtime/checks.hpp"

namespace {

// Larger than any export; a damaged header cannot ask for more memory.
constexpr std::uint32_t max_side = 16384;
constexpr std::uint32_t max_chunk = 1u << 30;
constexpr unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t big_endian(const unsigned char* at)
{
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 | at[3];
}

void put_big_endian(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

struct ReadFailure {
    std::string reason;
};

int paeth(int left, int up, int up_left)
{
    const int estimate = left + up - up_left;
    const int to_left = std::abs(estimate - left), to_up = std::abs(estimate - up),
              to_up_left = std::abs(estimate - up_left);
    if (to_left <= to_up && to_left <= to_up_left) return left;
    return to_up <= to_up_left ? up : up_left;
}

class Reader {
public:
    Reader(std::FILE* file, PngPicture& picture) : file_(file), picture_(picture) {}
    ~Reader()
    {
        if (inflating_) inflateEnd(&stream_);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Empty when the picture was read; else why not.
    std::string read()
    {
        unsigned char head[8];
        if (!read_bytes(head, 8)) return failure_;
        if (std::memcmp(head, signature, 8) != 0) return "no PNG signature";
        std::vector<unsigned char> data;
        char type[5] = {};
        bool header_seen = false, data_done = false;
        while (next_chunk(type, data)) {
            const std::string name = type;
            if (!header_seen && name != "IHDR") return "the first chunk is not IHDR";
            if (name == "IHDR") {
                if (header_seen) return "two IHDR chunks";
                header_seen = true;
                if (!take_header(data)) return failure_;
            } else if (name == "PLTE") {
                if (!take_palette(data)) return failure_;
            } else if (name == "IDAT") {
                if (data_done) return "IDAT chunks are not consecutive";
                if (!take_data(data)) return failure_;
                seen_data_ = true;
            } else if (name == "IEND") {
                if (rows_done_ < picture_.height) return "the picture data ends too early";
                return "";
            } else if (!(type[0] & 0x20)) {
                return "unknown critical chunk " + name;
            }
            if (seen_data_ && name != "IDAT") data_done = true;
        }
        return failure_.empty() ? "the file ends too early" : failure_;
    }

private:
    bool fail(const std::string& reason)
    {
        if (failure_.empty()) failure_ = reason;
        return false;
    }

    bool read_bytes(unsigned char* into, std::size_t size)
    {
        if (std::fread(into, 1, size, file_) == size) return true;
        return fail(std::ferror(file_) ? std::string(std::strerror(errno)) : "the file ends too early");
    }

    bool next_chunk(char* type, std::vector<unsigned char>& data)
    {
        unsigned char head[8];
        if (!read_bytes(head, 8)) return false;
        const std::uint32_t size = big_endian(head);
        if (size > max_chunk) return fail("a chunk is too long");
        std::memcpy(type, head + 4, 4);
        data.resize(size);
        unsigned char crc_bytes[4];
        if ((size > 0 && !read_bytes(data.data(), size)) || !read_bytes(crc_bytes, 4)) return false;
        uLong crc = crc32(0L, head + 4, 4);
        if (size > 0) crc = crc32(crc, data.data(), static_cast<uInt>(size));
        if (crc != big_endian(crc_bytes)) return fail(std::string("CRC error in chunk ") + type);
        return true;
    }

    bool take_header(const std::vector<unsigned char>& data)
    {
        if (data.size() != 13) return fail("bad IHDR chunk");
        const std::uint32_t width = big_endian(&data[0]), height = big_endian(&data[4]);
        if (width == 0 || height == 0 || width > max_side || height > max_side)
            return fail("picture size out of range");
        depth_ = data[8];
        color_type_ = data[9];
        static const std::array<int, 7> channels_of_type = {1, 0, 3, 1, 2, 0, 4};
        channels_ = color_type_ < 7 ? channels_of_type[color_type_] : 0;
        const bool depth_ok = depth_ == 8 || depth_ == 16 ||
                              ((color_type_ == 0 || color_type_ == 3) && (depth_ == 1 || depth_ == 2 || depth_ == 4));
        if (channels_ == 0 || !depth_ok || (color_type_ == 3 && depth_ == 16) || data[10] != 0 || data[11] != 0)
            return fail("unexpected pixel format");
        if (data[12] != 0) return fail("interlaced pictures are not supported");
        picture_.width = static_cast<int>(width);
        picture_.height = static_cast<int>(height);
        bits_per_pixel_ = depth_ * channels_;
        row_bytes_ = (static_cast<std::size_t>(width) * bits_per_pixel_ + 7) / 8;
        row_.assign(row_bytes_ + 1, 0);
        previous_.assign(row_bytes_, 0);
        const std::size_t out_channels = color_type_ == 3 ? 1 : 3;
        picture_.pixels.assign(out_channels * width * height, 0);
        if (inflateInit(&stream_) != Z_OK) return fail("out of memory");
        inflating_ = true;
        return true;
    }

    bool take_palette(const std::vector<unsigned char>& data)
    {
        if (data.empty() || data.size() % 3 != 0 || data.size() > 3 * 256) return fail("bad PLTE chunk");
        if (color_type_ != 3) return true;  // only a suggestion for other pictures
        picture_.palette.clear();
        for (std::size_t i = 0; i < data.size(); i += 3) picture_.palette.push_back({data[i], data[i + 1], data[i + 2]});
        return true;
    }

    bool take_data(std::vector<unsigned char>& data)
    {
        if (color_type_ == 3 && picture_.palette.empty()) return fail("palette picture without a palette");
        stream_.next_in = data.data();
        stream_.avail_in = static_cast<uInt>(data.size());
        while (stream_.avail_in > 0 && !stream_ended_) {
            if (rows_done_ >= picture_.height) return fail("more picture data than rows");
            stream_.next_out = row_.data() + row_filled_;
            stream_.avail_out = static_cast<uInt>(row_.size() - row_filled_);
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
                return fail("damaged picture data");
            row_filled_ = row_.size() - stream_.avail_out;
            if (row_filled_ == row_.size() && !finish_row()) return false;
            if (result == Z_STREAM_END) stream_ended_ = true;
        }
        return true;
    }

    bool finish_row()
    {
        row_filled_ = 0;
        unsigned char* bytes = row_.data() + 1;
        const std::size_t left_distance = std::max<std::size_t>(1, bits_per_pixel_ / 8);
        for (std::size_t i = 0; i < row_bytes_; ++i) {
            const int left = i >= left_distance ? bytes[i - left_distance] : 0;
            const int up = previous_[i];
            const int up_left = i >= left_distance ? previous_[i - left_distance] : 0;
            int add = 0;
            switch (row_[0]) {
            case 0: break;
            case 1: add = left; break;
            case 2: add = up; break;
            case 3: add = (left + up) / 2; break;
            case 4: add = paeth(left, up, up_left); break;
            default: return fail("unknown row filter");
            }
            bytes[i] = static_cast<unsigned char>(bytes[i] + add);
        }
        std::memcpy(previous_.data(), bytes, row_bytes_);
        ++rows_done_;
        return store_row(bytes);
    }

    int sample(const unsigned char* bytes, int x, int channel) const
    {
        if (depth_ >= 8) return bytes[(static_cast<std::size_t>(x) * channels_ + channel) * (depth_ / 8)];
        const std::size_t bit = static_cast<std::size_t>(x) * depth_;
        const int value = (bytes[bit / 8] >> (8 - depth_ - bit % 8)) & ((1 << depth_) - 1);
        // Gray below 8 bits is scaled to the full range.
        return color_type_ == 0 ? value * 255 / ((1 << depth_) - 1) : value;
    }

    bool store_row(const unsigned char* bytes)
    {
        const std::size_t width = static_cast<std::size_t>(picture_.width);
        if (color_type_ == 3) {
            std::uint8_t* out = &picture_.pixels[static_cast<std::size_t>(rows_done_ - 1) * width];
            for (int x = 0; x < picture_.width; ++x) {
                out[x] = static_cast<std::uint8_t>(sample(bytes, x, 0));
                if (out[x] >= picture_.palette.size()) return fail("pixel colour beyond the palette");
            }
            return true;
        }
        std::uint8_t* out = &picture_.pixels[static_cast<std::size_t>(rows_done_ - 1) * width * 3];
        const bool gray = color_type_ == 0 || color_type_ == 4;
        for (int x = 0; x < picture_.width; ++x)
            for (int c = 0; c < 3; ++c) out[3 * x + c] = static_cast<std::uint8_t>(sample(bytes, x, gray ? 0 : c));
        return true;
    }

    std::FILE* file_;
    PngPicture& picture_;
    std::string failure_;
    int depth_ = 0, color_type_ = 0, channels_ = 0, bits_per_pixel_ = 0;
    std::size_t row_bytes_ = 0;
    std::vector<unsigned char> row_;       // filter byte, then the row being inflated
    std::vector<unsigned char> previous_;  // the row above, unfiltered
    std::size_t row_filled_ = 0;
    int rows_done_ = 0;                          // rows finished
    z_stream stream_{};
    bool inflating_ = false, stream_ended_ = false, seen_data_ = false;
};

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

// The diff picture is at most the size of an export: it is deflated whole.
bool encode_rgb(std::FILE* file, const RgbImage& image)
{
    if (image.width <= 0 || image.height <= 0) return false;
    unsigned char header[13] = {};
    put_big_endian(header, static_cast<std::uint32_t>(image.width));
    put_big_endian(header + 4, static_cast<std::uint32_t>(image.height));
    header[8] = 8;  // bits per sample
    header[9] = 2;  // red, green, blue
    const std::size_t row_bytes = static_cast<std::size_t>(image.width) * 3;
    std::vector<unsigned char> rows;
    rows.reserve((row_bytes + 1) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows.push_back(0);  // no filter
        const auto* row = image.rgb.data() + static_cast<std::size_t>(y) * row_bytes;
        rows.insert(rows.end(), row, row + row_bytes);
    }
    uLongf packed_size = compressBound(static_cast<uLong>(rows.size()));
    std::vector<unsigned char> packed(packed_size);
    if (compress2(packed.data(), &packed_size, rows.data(), static_cast<uLong>(rows.size()), 6) != Z_OK) return false;
    return std::fwrite(signature, 1, 8, file) == 8 && write_chunk(file, "IHDR", header, sizeof header) &&
           write_chunk(file, "IDAT", packed.data(), packed_size) && write_chunk(file, "IEND", nullptr, 0);
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
    picture = PngPicture{};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string reason;
    {
        Reader reader(file, picture);
        reason = reader.read();
    }
    std::fclose(file);
    if (reason.empty()) return true;
    picture = PngPicture{};
    error = "cannot read " + path + ": not a sound PNG picture (" + reason + ")";
    return false;
}

bool write_rgb_png(const RgbImage& image, const std::string& path, std::string& error)
{
    return write_file_atomically(path, [&](std::FILE* file) { return encode_rgb(file, image); }, error);
}
