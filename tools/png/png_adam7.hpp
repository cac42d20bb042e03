// Interlaced (Adam7) pictures a row at a time in bounded memory.  The file
// stores its pixels in seven passes, each over the whole picture, so a
// picture row needs rows of up to four passes stored far apart: each pass
// is read by a decoder of its own.  A reader that can copy a decoder's
// state starts each pass's decoder where the pass begins (one extra
// inflating of the first half of the data, no extra unfiltering); one that
// cannot starts each from the start of the file and skips the passes before
// its own (about twice one decoding).  Memory is a few rows per pass.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Where pass p (0 to 6) starts and how far apart its pixels are.
struct Adam7Pass {
    int x0, y0, dx, dy;
};
constexpr Adam7Pass adam7_passes[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
int adam7_columns(int pass, int width);
int adam7_rows(int pass, int height);

// The stored rows of one decoder of the file, in file order: each as the
// pass's pixels in output form (an index, or red, green, blue).
class StoredRows {
public:
    virtual ~StoredRows() = default;
    virtual bool next(std::uint8_t* out, int pixels, std::string& error) = 0;
    // After the last stored row: the rest of the file is sound.
    virtual bool finish(std::string& error) = 0;
};

class Adam7Rows {
public:
    using Opener = std::function<std::unique_ptr<StoredRows>(std::string& error)>;
    using PassOpener = std::function<std::unique_ptr<StoredRows>(int pass, std::string& error)>;
    // `first` reads from the start of the picture data; `open` gives another
    // decoder of the same file, also at its start.
    Adam7Rows(int width, int height, int bytes_per_pixel, std::unique_ptr<StoredRows> first, Opener open);
    // `open_pass` gives a decoder at the first stored row of a pass.
    Adam7Rows(int width, int height, int bytes_per_pixel, PassOpener open_pass);
    // The next picture row, top to bottom.
    bool read_row(std::uint8_t* row, std::string& error);

private:
    bool decoder_of(int pass, std::string& error);
    void scatter(const std::uint8_t* in, int count, std::uint8_t* out, int step) const;

    int width_, height_, bytes_;
    int y_ = 0;
    Opener open_;
    PassOpener open_pass_;
    std::unique_ptr<StoredRows> decoders_[7];
    std::unique_ptr<StoredRows> spare_;  // the first decoder, until a pass takes it
    std::vector<std::uint8_t> pass_row_;
};
