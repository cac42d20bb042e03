// The inflaters of the picture data: libdeflate inflates small enough
// data whole, ISA-L or zlib a piece at a time straight from the file.
#include <memory>
#ifdef SURF_LIBDEFLATE
#include <libdeflate.h>
#endif

#include "tools/png/png_reader_state.hpp"

namespace {

// Inflated in pieces of this size at least: zlib copies the last 32 kB of
// every call's output into its window, a small cost against a large piece.
constexpr std::size_t inflate_piece = 1 << 18;

#ifdef SURF_LIBDEFLATE
// Picture data up to this size is inflated whole, when it compresses at
// least four to one: two pictures read at once then hold at most 80 MB.
constexpr std::size_t whole_data_limit = 32u << 20;
#endif

}  // namespace

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
    if (png_inflating_way() != PngInflating::fastest || size > whole_data_limit || stream.next_in) return false;
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
