// Reading PNG pictures, a row at a time.  Every kind of PNG is accepted;
// what a pixel shows is its colour over black, the show's background:
// transparency is blended onto black, 16-bit channels are rounded to 8 bits
// and grey becomes three equal channels.  Palette pictures keep their
// indices, with the palette's colours blended the same way.
//
// One backend implements PngReader: our own (png_reader.cpp, over zlib and
// the faster inflaters where they are found), or, in the reader tests, the
// oracle over libpng (tests/support/png_oracle_reader.cpp); nothing else in
// the tools reads PNG files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gfx/picture.hpp"

// The largest side an export can have; larger pictures are refused before
// any pixel is read.
constexpr int max_picture_side = 8192;

class PngReader {
public:
    PngReader();
    ~PngReader();
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    // Opens `path`, which must be a regular file once links are followed
    // (a FIFO or a device is refused without waiting on it), and reads
    // everything before the pixel data.  Pictures with a side above
    // max_picture_side are refused.  False with a one-line `error` that
    // names `path`.
    bool open(const std::string& path, std::string& error);

    int width() const;
    int height() const;
    bool indexed() const { return !palette().empty(); }
    // The colours of a palette picture, blended onto black; empty otherwise.
    const std::vector<RgbColor>& palette() const;
    // The text of the first text chunk before the pixel data with this
    // keyword; empty when there is none.
    std::string text(const std::string& keyword) const;

    // The next row, top to bottom: width() palette indices for a palette
    // picture, else width() red, green, blue triples.  After the last row
    // the rest of the file is checked too.  False with a one-line `error`.
    bool read_row(std::uint8_t* row, std::string& error);

    // The backend's own state, defined where the backend is.
    struct State;

private:
    std::unique_ptr<State> state_;
};

// A whole picture in memory, for tests and small tools.
struct PngPicture {
    int width = 0;
    int height = 0;
    std::vector<RgbColor> palette;    // empty for a picture without one
    std::vector<std::uint8_t> pixels;  // row by row: indices, or red, green, blue

    bool indexed() const { return !palette.empty(); }
    std::size_t offset(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
    // Only for an indexed picture.
    std::uint8_t index(int x, int y) const { return pixels[offset(x, y)]; }
    RgbColor color(int x, int y) const;
};

// Why a file that starts with these `size` bytes (up to its first 8) is not
// a PNG picture, in words: "it is empty", "it looks like a JPEG picture";
// empty when they are a PNG's signature.
std::string png_signature_problem(const unsigned char* head, std::size_t size);
// Opens a picture for reading: a regular file only, without waiting on a
// FIFO for a writer.  Null, with a one-line error, otherwise.
std::FILE* open_picture_file(const std::string& path, std::string& error);

// How the reader inflates picture data: the fastest way it has (the
// default: small enough data whole, larger data a piece at a time), always
// a piece at a time, or a piece at a time by zlib alone.  For the tests,
// which read every way.
enum class PngInflating { fastest, in_pieces, zlib_only };
void set_png_inflating(PngInflating way);

// Reads the whole file with PngReader; false with a one-line `error`.
bool read_png(const std::string& path, PngPicture& picture, std::string& error);
