// The state of the tools' own PNG reader, shared by its three files:
// png_chunks.cpp reads the chunks around the picture data,
// png_inflate.cpp inflates the data (by libdeflate, ISA-L or zlib),
// png_reader.cpp unfilters and converts the rows and implements PngReader.
#pragma once

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include <zlib.h>
#ifdef SURF_ISAL
#include <isa-l/igzip_lib.h>
#endif

#include "tools/png/png_adam7.hpp"
#include "tools/png/png_import.hpp"

inline std::uint32_t big_endian(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | at[3];
}

// A colour as it shows over black.
inline std::uint8_t blend(int channel, int alpha) { return static_cast<std::uint8_t>((channel * alpha + 127) / 255); }

// The way set by set_png_inflating.
PngInflating png_inflating_way();

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
