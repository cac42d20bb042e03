// RGB and interlaced RGB PNG files, written plainly with zlib.
#include "tests/support/png_kinds.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <zlib.h>

#include "tools/output/atomic_file.hpp"
#include "tools/png/png_adam7.hpp"
#include "tools/png/png_export.hpp"

namespace {

void put_u32(std::vector<unsigned char>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

bool chunk(std::FILE* file, const char* type, const std::vector<unsigned char>& data)
{
    std::vector<unsigned char> out;
    put_u32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_u32(out, static_cast<std::uint32_t>(crc32(0, out.data() + 4, static_cast<uInt>(data.size() + 4))));
    return std::fwrite(out.data(), 1, out.size(), file) == out.size();
}

int paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Rows deflated into IDAT chunks as they come.
class Deflater {
public:
    explicit Deflater(std::FILE* file) : file_(file), out_(1 << 18) { deflateInit(&stream_, 6); }
    ~Deflater() { deflateEnd(&stream_); }
    bool add(const unsigned char* bytes, std::size_t size, int flush = Z_NO_FLUSH)
    {
        stream_.next_in = const_cast<unsigned char*>(bytes);
        stream_.avail_in = static_cast<uInt>(size);
        int result = Z_OK;
        do {
            stream_.next_out = out_.data();
            stream_.avail_out = static_cast<uInt>(out_.size());
            result = deflate(&stream_, flush);
            const std::size_t made = out_.size() - stream_.avail_out;
            if (made > 0 && !chunk(file_, "IDAT", std::vector<unsigned char>(out_.begin(), out_.begin() + made)))
                return false;
        } while (stream_.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
        return true;
    }

private:
    std::FILE* file_;
    std::vector<unsigned char> out_;
    z_stream stream_{};
};

// One row of `count` pixels of the picture from (x0, y) every dx: filter
// byte 4 and the Paeth-filtered bytes (indices, or red, green, blue).
void filtered_row(const PngPicture& picture, bool indexed, int y, int x0, int dx, int count,
                  std::vector<unsigned char>& above, std::vector<unsigned char>& out)
{
    const std::size_t bytes = indexed ? 1 : 3;
    std::vector<unsigned char> raw(static_cast<std::size_t>(count) * bytes);
    for (int i = 0; i < count; ++i) {
        if (indexed) {
            raw[i] = picture.index(x0 + i * dx, y);
            continue;
        }
        const RgbColor color = picture.color(x0 + i * dx, y);
        raw[3 * i] = color.red;
        raw[3 * i + 1] = color.green;
        raw[3 * i + 2] = color.blue;
    }
    out.assign(1, 4);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const int a = i >= bytes ? raw[i - bytes] : 0, b = above[i], c = i >= bytes ? above[i - bytes] : 0;
        out.push_back(static_cast<unsigned char>(raw[i] - paeth(a, b, c)));
    }
    std::copy(raw.begin(), raw.end(), above.begin());
}

bool write_kind(std::FILE* file, const PngPicture& picture, bool indexed, bool interlaced)
{
    std::vector<unsigned char> header;
    put_u32(header, static_cast<std::uint32_t>(picture.width));
    put_u32(header, static_cast<std::uint32_t>(picture.height));
    header.insert(header.end(), {8, static_cast<unsigned char>(indexed ? 3 : 2), 0, 0,
                                 static_cast<unsigned char>(interlaced ? 1 : 0)});
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::fwrite(signature, 1, 8, file) != 8 || !chunk(file, "IHDR", header)) return false;
    if (indexed) {
        std::vector<unsigned char> colors;
        for (const RgbColor& color : picture.palette) colors.insert(colors.end(), {color.red, color.green, color.blue});
        if (!chunk(file, "PLTE", colors)) return false;
    }
    const std::size_t bytes = indexed ? 1 : 3;
    Deflater data(file);
    std::vector<unsigned char> above, row;
    if (!interlaced) {
        above.assign(static_cast<std::size_t>(picture.width) * bytes, 0);
        for (int y = 0; y < picture.height; ++y) {
            filtered_row(picture, indexed, y, 0, 1, picture.width, above, row);
            if (!data.add(row.data(), row.size())) return false;
        }
    }
    for (int pass = 0; interlaced && pass < 7; ++pass) {
        const int columns = adam7_columns(pass, picture.width), rows = adam7_rows(pass, picture.height);
        if (columns == 0) continue;
        above.assign(static_cast<std::size_t>(columns) * bytes, 0);
        for (int r = 0; r < rows; ++r) {
            const Adam7Pass& p = adam7_passes[pass];
            filtered_row(picture, indexed, p.y0 + r * p.dy, p.x0, p.dx, columns, above, row);
            if (!data.add(row.data(), row.size())) return false;
        }
    }
    return data.add(nullptr, 0, Z_FINISH) && chunk(file, "IEND", {});
}

}  // namespace

bool write_png_kind(const std::string& path, const PngPicture& picture, PngKind kind, std::string& error)
{
    if (kind == PngKind::palette && picture.indexed()) {
        PngRows rows;
        rows.width = picture.width;
        rows.height = picture.height;
        rows.palette = picture.palette.data();
        rows.palette_size = static_cast<int>(picture.palette.size());
        rows.row = [&](int y) { return &picture.pixels[picture.offset(0, y)]; };
        return write_file_atomically(path, [&](std::FILE* file) { return encode_png(file, rows); }, error);
    }
    const bool indexed = kind == PngKind::interlaced_palette && picture.indexed();
    const bool interlaced = kind == PngKind::interlaced_palette || kind == PngKind::interlaced_rgb;
    return write_file_atomically(
        path, [&](std::FILE* file) { return write_kind(file, picture, indexed, interlaced); }, error);
}
