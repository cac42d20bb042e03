// PngReader of our own: the tools' reader everywhere.  It reads what the
// libpng reader (kept for the tests) reads and gives the same rows: every
// colour type and depth, transparency blended onto black, 16-bit channels
// rounded to 8 bits, interlaced pictures.  The picture data is inflated
// whole when it is small enough and libdeflate is there, else a piece at a
// time straight from the file, by ISA-L where it is there, else by zlib;
// every chunk's CRC is checked.
#include "tools/lib/png_import.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <zlib.h>
#ifdef SURF_LIBDEFLATE
#include <libdeflate.h>
#endif
#ifdef SURF_ISAL
#include <isa-l/igzip_lib.h>
#endif
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "runtime/checks.hpp"
#include "tools/lib/png_adam7.hpp"
#include "tools/lib/png_unfilter.hpp"

namespace {

// Inflated in pieces of this size at least: zlib copies the last 32 kB of
// every call's output into its window, a small cost against a large piece.
constexpr std::size_t inflate_piece = 1 << 18;

std::atomic<PngInflating> inflating_way{PngInflating::fastest};

#ifdef SURF_LIBDEFLATE
// Picture data up to this size is inflated whole, when it compresses at
// least four to one: two pictures read at once then hold at most 80 MB.
constexpr std::size_t whole_data_limit = 32u << 20;
#endif

// No chunk before the picture data needs a megabyte (as for libpng).
constexpr std::uint32_t max_ancillary_chunk = 1u << 20;

std::uint32_t big_endian(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | at[3];
}

std::uint8_t largest_byte(const unsigned char* bytes, std::size_t count)
{
    std::size_t i = 0;
    std::uint8_t largest = 0;
#ifdef __SSE2__
    __m128i wide = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16)
        wide = _mm_max_epu8(wide, _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)));
    alignas(16) std::uint8_t lanes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), wide);
    for (const std::uint8_t lane : lanes) largest = std::max(largest, lane);
#endif
    for (; i < count; ++i) largest = std::max(largest, bytes[i]);
    return largest;
}

// A colour as it shows over black.
std::uint8_t blend(int channel, int alpha) { return static_cast<std::uint8_t>((channel * alpha + 127) / 255); }

std::string size_refused(const std::string& path, unsigned long width, unsigned long height)
{
    return path + " is " + std::to_string(width) + "x" + std::to_string(height) +
           ", out of range: an export is at most " + std::to_string(max_picture_side) + "x" +
           std::to_string(max_picture_side);
}

}  // namespace

struct PngReader::State {
    std::string path;
    std::FILE* file = nullptr;
    std::string failure;  // why the file is not sound
    int width = 0, height = 0;
    int depth = 0, color_type = 0, samples = 0;  // samples per pixel in the file
    bool interlaced = false;
    std::vector<RgbColor> palette;
    std::vector<std::pair<std::string, std::string>> texts;
    bool has_key = false;               // tRNS of a grey or RGB picture: this colour is transparent
    std::array<unsigned, 3> key{};
    // The picture data: what is left of the current IDAT chunk, and zlib.
    std::uint32_t data_left = 0;
    uLong data_crc = 0;
    unsigned char chunk_crc[4] = {};
    bool data_over = false;  // no more IDAT chunks
    z_stream stream{};
    bool inflating = false;
#ifdef SURF_ISAL
    // ISA-L's inflater, several times faster than zlib's, where it is found;
    // `stream` then only keeps the input's place.
    std::unique_ptr<inflate_state> fast;
#endif
    bool stream_ended = false;
    unsigned char input[1 << 16];
    // Inflated ahead in large pieces (zlib's fast path needs room), taken
    // a row at a time: the bytes from `inflated_at` to `inflated_end` are
    // not taken yet.  Or the whole picture data at once, shared by the
    // decoders of an interlaced picture's passes.
    std::vector<unsigned char> inflated;
    std::shared_ptr<const std::vector<unsigned char>> whole;
    bool whole_tried = false;
    std::size_t inflated_at = 0, inflated_end = 0;
    std::vector<unsigned char> current, previous;  // the row being made; the row above it
    std::unique_ptr<Adam7Rows> passes;             // an interlaced picture's rows
    std::unique_ptr<State> scout;                  // finds where each pass starts
    int pass = 0, pass_row = 0;                    // the next stored row of an interlaced picture
    int next_row = 0;

    ~State()
    {
        if (inflating) inflateEnd(&stream);
        if (file) std::fclose(file);
    }
    int output_bytes() const { return palette.empty() ? 3 : 1; }
    int bits_per_pixel() const { return depth * samples; }
    std::size_t row_bytes(int pixels) const
    {
        return (static_cast<std::size_t>(pixels) * static_cast<std::size_t>(bits_per_pixel()) + 7) / 8;
    }

    bool fail(const std::string& reason)
    {
        if (failure.empty()) failure = reason;
        return false;
    }
    bool read_bytes(void* into, std::size_t size)
    {
        if (std::fread(into, 1, size, file) == size) return true;
        return fail(std::ferror(file) ? std::string(std::strerror(errno)) : "the file ends too early");
    }
    bool read_chunk_head(std::uint32_t& length, char (&type)[5]);
    bool read_whole_chunk(std::uint32_t length, const char* type, std::vector<unsigned char>& data);
    bool check_crc(uLong crc, const unsigned char* stored, const char* type);
    bool read_header();
    bool take_ihdr(const std::vector<unsigned char>& data);
    bool take_plte(const std::vector<unsigned char>& data);
    void take_trns(const std::vector<unsigned char>& data);
    bool next_data_chunk();
    bool inflate_more(std::size_t needed);
    bool inflate_whole();
    bool inflate_into(unsigned char* out, std::size_t room, std::size_t& made);
    // Once, before the first byte is inflated: inflate_whole() where it can;
    // false only when the file cannot be read.
    bool try_whole()
    {
        if (whole_tried) return true;
        whole_tried = true;
        return inflate_whole() || failure.empty();
    }
    std::size_t filtered_size() const;
    const unsigned char* pending() const { return (whole ? whole->data() : inflated.data()) + inflated_at; }
    bool decode_row(std::size_t bytes);
    bool skip_inflated(std::size_t bytes);
    bool skip_to_pass(int target);
    bool take_place_of(const State& other);
    bool convert(const unsigned char* in, int count, std::uint8_t* out) const;
    unsigned sample(const unsigned char* row, int x, int index) const;
    bool next_stored_row(std::uint8_t* out);
    bool read_to_end();
};

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

// At least `needed` bytes inflated and not taken yet, and as many more as
// fit: one inflate call over a large piece keeps zlib on its fast path.
bool PngReader::State::inflate_more(std::size_t needed)
{
    if (inflated_end - inflated_at >= needed) return true;
    if (whole) return fail("not enough image data");
    if (!whole_tried) {
        if (!try_whole()) return false;
        if (whole) return inflate_more(needed);
    }
    if (inflated.size() < 2 * needed) inflated.resize(std::max<std::size_t>(2 * needed, inflate_piece));
    std::memmove(inflated.data(), inflated.data() + inflated_at, inflated_end - inflated_at);
    inflated_end -= inflated_at;
    inflated_at = 0;
    while (inflated_end < needed) {
        if (stream_ended) return fail("not enough image data");
        if (stream.avail_in == 0) {
            while (data_left == 0 && !data_over)
                if (!next_data_chunk()) return false;
            if (!data_over) {
                const std::size_t take = std::min<std::size_t>(data_left, sizeof input);
                if (!read_bytes(input, take)) return false;
                data_crc = crc32(data_crc, input, static_cast<uInt>(take));
                data_left -= static_cast<std::uint32_t>(take);
                stream.next_in = input;
                stream.avail_in = static_cast<uInt>(take);
            }
        }
        // (without input too: an inflater may hold output it could not give yet)
        const uInt input_before = stream.avail_in;
        std::size_t made = 0;
        if (!inflate_into(inflated.data() + inflated_end, inflated.size() - inflated_end, made)) return false;
        inflated_end += made;
        if (made == 0 && !stream_ended && stream.avail_in == input_before)  // no way on
            return fail(input_before == 0 ? "not enough image data" : "damaged image data");
    }
    return true;
}

// The bytes of the picture data once inflated: every stored row with its
// filter type byte.
std::size_t PngReader::State::filtered_size() const
{
    if (!interlaced) return static_cast<std::size_t>(height) * (row_bytes(width) + 1);
    std::size_t size = 0;
    for (int p = 0; p < 7; ++p)
        if (adam7_columns(p, width) > 0) size += static_cast<std::size_t>(adam7_rows(p, height)) * (row_bytes(adam7_columns(p, width)) + 1);
    return size;
}

// Where libdeflate is there and the picture data is not too large: all of
// it read and inflated at once, many times faster than zlib on the long
// runs of exported pictures (zlib copies a run byte by byte).  False,
// with the file where it was, to go on with zlib: for larger pictures, data
// that compresses poorly, and data that libdeflate refuses (zlib then says
// what is wrong with it).  False with a failure when the file cannot be read.
bool PngReader::State::inflate_whole()
{
#ifdef SURF_LIBDEFLATE
    const std::size_t size = filtered_size();
    if (inflating_way != PngInflating::fastest || size > whole_data_limit || stream.next_in) return false;
    const long start = std::ftell(file);
    const std::uint32_t start_left = data_left;
    const uLong start_crc = data_crc;
    std::vector<unsigned char> compressed;
    const std::size_t most = size / 4 + (1 << 16);
    bool fits = start >= 0;
    while (fits && !data_over) {
        if (data_left == 0) {
            if (!next_data_chunk()) return false;
            continue;
        }
        const std::size_t at = compressed.size();
        fits = at + data_left <= most;
        if (!fits) break;
        compressed.resize(at + data_left);
        if (!read_bytes(&compressed[at], data_left)) return false;
        data_crc = crc32(data_crc, &compressed[at], static_cast<uInt>(data_left));
        data_left = 0;
    }
    if (fits) {
        auto out = std::make_shared<std::vector<unsigned char>>(size);
        libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
        std::size_t made = 0;
        const bool inflated_all = inflater &&
                                  libdeflate_zlib_decompress(inflater, compressed.data(), compressed.size(), out->data(),
                                                             size, &made) == LIBDEFLATE_SUCCESS &&
                                  made == size;
        if (inflater) libdeflate_free_decompressor(inflater);
        if (inflated_all) {
            whole = std::move(out);
            inflated_at = 0;
            inflated_end = size;
            stream_ended = true;
            return true;
        }
    }
    if (start < 0 || std::fseek(file, start, SEEK_SET) != 0) return fail(std::strerror(errno));
    data_left = start_left;
    data_crc = start_crc;
    data_over = false;
#endif
    return false;
}

// As much as fits into `room` bytes from the input at hand; `made` bytes.
bool PngReader::State::inflate_into(unsigned char* out, std::size_t room, std::size_t& made)
{
#ifdef SURF_ISAL
    if (fast) {
        fast->next_in = stream.next_in;
        fast->avail_in = stream.avail_in;
        fast->next_out = out;
        fast->avail_out = static_cast<std::uint32_t>(room);
        const int result = isal_inflate(fast.get());
        made = room - fast->avail_out;
        stream.next_in = fast->next_in;
        stream.avail_in = fast->avail_in;
        if (fast->block_state == ISAL_BLOCK_FINISH) stream_ended = true;
        else if (result < 0) return fail(result == ISAL_INCORRECT_CHECKSUM ? "incorrect data check" : "damaged image data");
        return true;
    }
#endif
    stream.next_out = out;
    stream.avail_out = static_cast<uInt>(room);
    const int result = inflate(&stream, Z_NO_FLUSH);
    made = room - stream.avail_out;
    if (result == Z_STREAM_END) stream_ended = true;
    else if (result != Z_OK && result != Z_BUF_ERROR) return fail(stream.msg ? stream.msg : "damaged image data");
    return true;
}

// One filtered row of `bytes` bytes into `previous`, unfiltered.
bool PngReader::State::decode_row(std::size_t bytes)
{
    if (!inflate_more(bytes + 1)) return false;
    current.resize(previous.size());
    const std::size_t distance = std::max(1, bits_per_pixel() / 8);
    if (!unfilter_row(pending(), previous.data(), current.data(), bytes, distance))
        return fail("bad adaptive filter value");
    inflated_at += bytes + 1;
    current.swap(previous);
    return true;
}

bool PngReader::State::skip_inflated(std::size_t bytes)
{
    while (bytes > 0) {
        const std::size_t chunk = std::min<std::size_t>(bytes, 1 << 16);
        if (!inflate_more(chunk)) return false;
        inflated_at += chunk;
        bytes -= chunk;
    }
    return true;
}

// Past the stored rows of every pass before `target`, without unfiltering
// them (their own decoders do that).
bool PngReader::State::skip_to_pass(int target)
{
    for (; pass < target; ++pass, pass_row = 0) {
        const int columns = adam7_columns(pass, width);
        if (columns == 0) continue;
        const std::size_t row = row_bytes(columns) + 1;
        for (; pass_row < adam7_rows(pass, height); ++pass_row)
            if (!skip_inflated(row)) return false;
    }
    return true;
}

// This decoder, opened on the same file, goes on from where `other` is:
// the same place in the file and in the compressed stream.
bool PngReader::State::take_place_of(const State& other)
{
    if (inflating) inflateEnd(&stream);
    inflating = false;
    if (inflateCopy(&stream, const_cast<z_stream*>(&other.stream)) != Z_OK) return fail("out of memory");
    inflating = true;
#ifdef SURF_ISAL
    if (other.fast) fast = std::make_unique<inflate_state>(*other.fast);  // (a plain structure)
#endif
    std::memcpy(input, other.input, sizeof input);
    if (other.stream.next_in) stream.next_in = input + (other.stream.next_in - other.input);
    const long at = std::ftell(other.file);
    if (at < 0 || std::fseek(file, at, SEEK_SET) != 0) return fail(std::strerror(errno));
    data_left = other.data_left;
    data_crc = other.data_crc;
    std::memcpy(chunk_crc, other.chunk_crc, sizeof chunk_crc);
    data_over = other.data_over;
    stream_ended = other.stream_ended;
    whole = other.whole;
    whole_tried = other.whole_tried;
    if (whole) {
        inflated_at = other.inflated_at;
        inflated_end = other.inflated_end;
    } else {
        inflated.assign(other.inflated.begin() + static_cast<std::ptrdiff_t>(other.inflated_at),
                        other.inflated.begin() + static_cast<std::ptrdiff_t>(other.inflated_end));
        inflated_at = 0;
        inflated_end = inflated.size();
    }
    pass = other.pass;
    pass_row = other.pass_row;
    return true;
}

// Sample `index` of pixel x as stored: 1 to 16 bits.
unsigned PngReader::State::sample(const unsigned char* row, int x, int index) const
{
    const std::size_t at = static_cast<std::size_t>(x) * static_cast<std::size_t>(samples) + static_cast<std::size_t>(index);
    if (depth == 8) return row[at];
    if (depth == 16) return static_cast<unsigned>(row[2 * at] << 8 | row[2 * at + 1]);
    const std::size_t bit = at * static_cast<std::size_t>(depth);
    return (row[bit / 8] >> (8 - depth - static_cast<int>(bit % 8))) & ((1u << depth) - 1);
}

// `count` pixels of an unfiltered row into indices or red, green, blue;
// false for an index beyond the palette.
bool PngReader::State::convert(const unsigned char* in, int count, std::uint8_t* out) const
{
    // To 8 bits: low depths by repeating their bits, 16 bits rounded.
    const auto to_8_bits = [this](unsigned value) -> int {
        if (depth == 16) return static_cast<int>((value * 255 + 32895) >> 16);
        if (depth < 8) return static_cast<int>(value * 255 / ((1u << depth) - 1));
        return static_cast<int>(value);
    };
    if (depth == 8 && color_type == 3) {
        // The common cases first, a row at once.
        if (palette.size() < 256 && largest_byte(in, static_cast<std::size_t>(count)) >= palette.size()) return false;
        std::memcpy(out, in, static_cast<std::size_t>(count));
        return true;
    }
    if (depth == 8 && color_type == 2 && !has_key) {
        std::memcpy(out, in, static_cast<std::size_t>(count) * 3);
        return true;
    }
    for (int x = 0; x < count; ++x) {
        if (color_type == 3) {
            const unsigned index = sample(in, x, 0);
            if (index >= palette.size()) return false;
            out[x] = static_cast<std::uint8_t>(index);
            continue;
        }
        const bool grey = color_type == 0 || color_type == 4;
        unsigned stored[3];
        for (int c = 0; c < 3; ++c) stored[c] = sample(in, x, grey ? 0 : c);
        int alpha = 255;
        if (color_type == 4 || color_type == 6) alpha = to_8_bits(sample(in, x, samples - 1));
        if (has_key && stored[0] == key[0] && (grey || (stored[1] == key[1] && stored[2] == key[2]))) alpha = 0;
        for (int c = 0; c < 3; ++c) out[3 * x + c] = blend(to_8_bits(stored[c]), alpha);
    }
    return true;
}

// The next stored row of an interlaced picture, pass after pass, unfiltered
// and in output form.
bool PngReader::State::next_stored_row(std::uint8_t* out)
{
    while (pass < 7 && (adam7_columns(pass, width) == 0 || pass_row >= adam7_rows(pass, height))) {
        ++pass;
        pass_row = 0;
    }
    if (pass == 7) return fail("no more rows");
    const int columns = adam7_columns(pass, width);
    if (pass_row++ == 0) std::fill(previous.begin(), previous.end(), 0);
    return decode_row(row_bytes(columns)) &&
           (convert(previous.data(), columns, out) || fail("a pixel's colour is beyond the palette"));
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

void set_png_inflating(PngInflating way) { inflating_way = way; }

PngReader::PngReader() = default;
PngReader::~PngReader() = default;

int PngReader::width() const { return state_ ? state_->width : 0; }
int PngReader::height() const { return state_ ? state_->height : 0; }

const std::vector<RgbColor>& PngReader::palette() const
{
    static const std::vector<RgbColor> none;
    return state_ ? state_->palette : none;
}

std::string PngReader::text(const std::string& keyword) const
{
    if (state_)
        for (const auto& [key, value] : state_->texts)
            if (key == keyword) return value;
    return std::string();
}

namespace {

std::string unsound(const PngReader::State& s)
{
    return "cannot read " + s.path + ": not a sound PNG picture (" + s.failure + ")";
}

// Everything of PngReader::open but the reader itself.
bool open_state(PngReader::State& s, const std::string& path, std::string& error)
{
    s.path = path;
    s.file = open_picture_file(path, error);
    if (!s.file) return false;
    unsigned char head[8];
    const std::size_t got = std::fread(head, 1, sizeof head, s.file);
    const std::string problem = png_signature_problem(head, got);
    if (!problem.empty()) {
        error = "cannot read " + path + ": " + problem;
        return false;
    }
    if (!s.read_header()) {
        error = unsound(s);
        return false;
    }
    if (s.width > max_picture_side || s.height > max_picture_side) {
        error = size_refused(path, static_cast<unsigned long>(s.width), static_cast<unsigned long>(s.height));
        return false;
    }
    if (inflateInit(&s.stream) != Z_OK) {
        error = "cannot read " + path + ": out of memory";
        return false;
    }
    s.inflating = true;
#ifdef SURF_ISAL
    if (inflating_way != PngInflating::zlib_only) {
        s.fast = std::make_unique<inflate_state>();
        isal_inflate_init(s.fast.get());
        s.fast->crc_flag = ISAL_ZLIB;
    }
#endif
    // Every chunk's CRC already guards the data; the second check sum over
    // the inflated pixels costs a tenth of the reading time.
    inflateValidate(&s.stream, 0);
    s.previous.assign(s.row_bytes(s.width), 0);
    return true;
}

// The stored rows of one pass after another, as Adam7Rows reads them.
class PassRows final : public StoredRows {
public:
    explicit PassRows(PngReader::State& state) : s_(state) {}
    explicit PassRows(std::unique_ptr<PngReader::State> own) : own_(std::move(own)), s_(*own_) {}

    bool next(std::uint8_t* out, int, std::string& error) override
    {
        if (s_.next_stored_row(out)) return true;
        error = unsound(s_);
        return false;
    }
    bool finish(std::string& error) override
    {
        if (s_.read_to_end()) return true;
        s_.fail("damaged file end");
        error = unsound(s_);
        return false;
    }

private:
    std::unique_ptr<PngReader::State> own_;
    PngReader::State& s_;
};

// The decoders of an interlaced picture's passes.  The reader's own state
// walks through the picture data once, inflating only, and leaves a copy of
// itself where each pass starts.  Passes are asked for out of order (the
// first two picture rows need all but two), so every copy is made on the
// way and kept until its pass is asked for.
class PassStarts {
public:
    explicit PassStarts(PngReader::State& scout) : scout_(scout) {}

    std::unique_ptr<StoredRows> open(int pass, std::string& error)
    {
        // (first, so that every copy shares the picture data inflated whole)
        if (!scout_.try_whole()) {
            error = unsound(scout_);
            return nullptr;
        }
        for (; made_ <= pass; ++made_) {
            if (adam7_columns(made_, scout_.width) == 0 || adam7_rows(made_, scout_.height) == 0) continue;
            if (!scout_.skip_to_pass(made_)) {
                error = unsound(scout_);
                return nullptr;
            }
            auto copy = std::make_unique<PngReader::State>();
            if (!open_state(*copy, scout_.path, error)) return nullptr;
            if (!copy->take_place_of(scout_)) {
                error = unsound(*copy);
                return nullptr;
            }
            ready_[made_] = std::make_unique<PassRows>(std::move(copy));
        }
        if (made_ == 7) {  // its walk is over
            scout_.inflated = std::vector<unsigned char>();
            scout_.whole.reset();
        }
        if (!ready_[pass]) error = "cannot read " + scout_.path + ": a pass of the picture is asked for twice";
        return std::move(ready_[pass]);
    }

private:
    PngReader::State& scout_;
    int made_ = 0;  // passes before this one have their copies
    std::unique_ptr<StoredRows> ready_[7];
};

}  // namespace

bool PngReader::open(const std::string& path, std::string& error)
{
    LibraryCallScope library;
    state_.reset();
    auto state = std::make_unique<State>();
    if (!open_state(*state, path, error)) return false;
    State& s = *state;
    if (s.interlaced) {
        auto starts = std::make_shared<PassStarts>(s);
        s.passes = std::make_unique<Adam7Rows>(
            s.width, s.height, s.output_bytes(),
            [starts](int pass, std::string& open_error) { return starts->open(pass, open_error); });
    }
    state_ = std::move(state);
    return true;
}

bool PngReader::read_row(std::uint8_t* row, std::string& error)
{
    LibraryCallScope library;
    State& s = *state_;
    const auto fail = [&](const char* reason) {
        s.fail(reason);
        error = "cannot read " + s.path + ": not a sound PNG picture (" + s.failure + ")";
        return false;
    };
    if (s.next_row >= s.height) return fail("no more rows");
    if (s.interlaced) {
        ++s.next_row;
        return s.passes->read_row(row, error);
    }
    if (!s.decode_row(s.row_bytes(s.width))) return fail("damaged image data");
    if (!s.convert(s.previous.data(), s.width, row)) return fail("a pixel's colour is beyond the palette");
    if (++s.next_row == s.height && !s.read_to_end()) return fail("damaged file end");
    return true;
}
