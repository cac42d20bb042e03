// The chunks around the picture data: the header chunks before it, the
// IDAT chunks' heads and CRCs, and every chunk after it up to the end.
#include <cctype>

#include "tools/png/png_reader_state.hpp"

namespace {

// No chunk before the picture data needs a megabyte (as for libpng).
constexpr std::uint32_t max_ancillary_chunk = 1u << 20;

}  // namespace

bool PngReader::State::read_chunk_head(std::uint32_t& length, char (&type)[5])
{
    unsigned char head[8];
    if (!read_bytes(head, sizeof head)) return false;
    length = big_endian(head);
    std::memcpy(type, head + 4, 4);
    type[4] = '\0';
    if (length > 0x7fffffffu) return fail("a chunk is too long");
    for (int i = 0; i < 4; ++i)
        if (!std::isalpha(static_cast<unsigned char>(type[i]))) return fail("a damaged chunk name");
    return true;
}

bool PngReader::State::check_crc(uLong crc, const unsigned char* stored, const char* type)
{
    if (crc == big_endian(stored)) return true;
    return fail(std::string(type) + ": CRC error");
}

bool PngReader::State::read_whole_chunk(std::uint32_t length, const char* type, std::vector<unsigned char>& data)
{
    if (length > max_ancillary_chunk) return fail(std::string(type) + ": chunk data is too large");
    data.resize(length);
    unsigned char stored[4];
    if ((length > 0 && !read_bytes(data.data(), length)) || !read_bytes(stored, 4)) return false;
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    if (length > 0) crc = crc32(crc, data.data(), static_cast<uInt>(length));
    return check_crc(crc, stored, type);
}

bool PngReader::State::take_ihdr(const std::vector<unsigned char>& data)
{
    if (data.size() != 13) return fail("IHDR: invalid length");
    const std::uint32_t w = big_endian(&data[0]), h = big_endian(&data[4]);
    if (w == 0 || h == 0 || w > 0x7fffffffu || h > 0x7fffffffu) return fail("invalid image size");
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    depth = data[8];
    color_type = data[9];
    static constexpr int samples_of_type[7] = {1, 0, 3, 1, 2, 0, 4};
    samples = color_type < 7 ? samples_of_type[color_type] : 0;
    const bool low_depth = depth == 1 || depth == 2 || depth == 4;
    const bool depth_ok = (depth == 8 && samples > 0) || (depth == 16 && samples > 0 && color_type != 3) ||
                          (low_depth && (color_type == 0 || color_type == 3));
    if (!depth_ok) return fail("invalid bit depth or colour type");
    if (data[10] != 0 || data[11] != 0 || data[12] > 1) return fail("unknown compression, filter or interlace method");
    interlaced = data[12] == 1;
    return true;
}

bool PngReader::State::take_plte(const std::vector<unsigned char>& data)
{
    if (data.empty() || data.size() % 3 != 0 || data.size() > 3 * 256) return fail("PLTE: invalid");
    if (color_type != 3) return true;  // only a suggestion for other pictures
    palette.clear();
    for (std::size_t i = 0; i < data.size(); i += 3) palette.push_back({data[i], data[i + 1], data[i + 2]});
    return true;
}

void PngReader::State::take_trns(const std::vector<unsigned char>& data)
{
    if (color_type == 3) {
        for (std::size_t i = 0; i < data.size() && i < palette.size(); ++i)
            palette[i] = {blend(palette[i].red, data[i]), blend(palette[i].green, data[i]),
                          blend(palette[i].blue, data[i])};
    } else if (color_type == 0 && data.size() >= 2) {
        has_key = true;
        key[0] = static_cast<unsigned>(data[0] << 8 | data[1]);
    } else if (color_type == 2 && data.size() >= 6) {
        has_key = true;
        for (int i = 0; i < 3; ++i) key[i] = static_cast<unsigned>(data[2 * i] << 8 | data[2 * i + 1]);
    }
}

// Everything before the picture data; stops inside the first IDAT chunk.
bool PngReader::State::read_header()
{
    std::vector<unsigned char> data;
    bool header_seen = false;
    for (;;) {
        std::uint32_t length = 0;
        char type[5];
        if (!read_chunk_head(length, type)) return false;
        const std::string name = type;
        if (!header_seen && name != "IHDR") return fail("missing IHDR before " + name);
        if (name == "IDAT") {
            if (color_type == 3 && palette.empty()) return fail("a palette picture without a palette");
            data_left = length;
            data_crc = crc32(0L, reinterpret_cast<const Bytef*>("IDAT"), 4);
            return true;
        }
        if (!read_whole_chunk(length, type, data)) return false;
        if (name == "IHDR") {
            if (header_seen) return fail("IHDR: out of place");
            header_seen = true;
            if (!take_ihdr(data)) return false;
            if (width > max_picture_side || height > max_picture_side) return true;  // the caller refuses it
        } else if (name == "PLTE") {
            if (!take_plte(data)) return false;
        } else if (name == "tRNS") {
            take_trns(data);
        } else if (name == "tEXt") {
            const auto zero = std::find(data.begin(), data.end(), 0);
            if (zero != data.end()) texts.emplace_back(std::string(data.begin(), zero), std::string(zero + 1, data.end()));
        } else if (name == "IEND") {
            return fail("no picture data");
        } else if (!(type[0] & 0x20)) {
            return fail(name + ": unknown critical chunk");
        }
    }
}

// The CRC of the IDAT chunk just read, then the next chunk: more picture
// data, or the end of it.
bool PngReader::State::next_data_chunk()
{
    unsigned char stored[4];
    if (!read_bytes(stored, 4) || !check_crc(data_crc, stored, "IDAT")) return false;
    std::uint32_t length = 0;
    char type[5];
    if (!read_chunk_head(length, type)) return false;
    if (std::strcmp(type, "IDAT") != 0) {
        data_over = true;
        // Put the head back: read_to_end reads the chunks after the data.
        return std::fseek(file, -8, SEEK_CUR) == 0 || fail(std::strerror(errno));
    }
    data_left = length;
    data_crc = crc32(0L, reinterpret_cast<const Bytef*>("IDAT"), 4);
    return true;
}

// After the last row: the rest of the picture data, then every chunk up to
// the end chunk, each with its CRC.
bool PngReader::State::read_to_end()
{
    while (!data_over) {
        if (data_left > 0) {
            const std::size_t take = std::min<std::size_t>(data_left, sizeof input);
            if (!read_bytes(input, take)) return false;
            data_crc = crc32(data_crc, input, static_cast<uInt>(take));
            data_left -= static_cast<std::uint32_t>(take);
        } else if (!next_data_chunk()) {
            return false;
        }
    }
    std::vector<unsigned char> data;
    for (;;) {
        std::uint32_t length = 0;
        char type[5];
        if (!read_chunk_head(length, type)) return false;
        if (std::strcmp(type, "IDAT") == 0) return fail("IDAT: out of place");
        if (!read_whole_chunk(length, type, data)) return false;
        if (std::strcmp(type, "IEND") == 0) return true;
        if (!(type[0] & 0x20)) return fail(std::string(type) + ": unknown critical chunk");
    }
}
