// Comparing two pictures a row at a time by the colours their pixels show,
// and the diff picture: what matches is dimmed, what differs is marked in
// one of three bright colours.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gfx/picture.hpp"
#include "tools/png/png_export.hpp"

// How one pixel of the actual picture stands to the expected one.
enum class PixelMatch : std::uint8_t { same, missing, extra, changed };

// Marks: missing is drawn in the expected picture but background (black)
// in the actual one; extra is the other way round; changed is drawn in
// both, in different colours.
namespace diff_colors {
constexpr RgbColor missing{255, 0, 255};  // magenta
constexpr RgbColor extra{0, 255, 255};    // cyan
constexpr RgbColor changed{255, 255, 0};  // yellow
// A single wrong pixel is easy to miss: when a picture has only a few, each
// gets a square ring around it, drawn over matching pixels only.
constexpr RgbColor ring{255, 255, 255};   // white
}  // namespace diff_colors

constexpr long max_ringed_pixels = 100;
constexpr int ring_distance = 5;  // pixels from the marked one to its ring

// The text chunk that tells surfcompare's own diff pictures from others.
constexpr const char* diff_picture_mark = "surfcompare diff picture";

inline bool same_color(RgbColor a, RgbColor b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

// A matching pixel keeps its colour at two fifths of the brightness, so
// that even white stays far darker than every mark.
RgbColor dimmed(RgbColor color);

// Rows of two pictures of one width; a picture with a palette gives
// indices, one without gives red, green, blue bytes.
class RowComparer {
public:
    // An empty palette: that picture's rows are colours.
    RowComparer(std::vector<RgbColor> expected_palette, std::vector<RgbColor> actual_palette, int width);
    // Sets matches[x] for every pixel of the row; returns how many differ.
    long compare(const std::uint8_t* expected, const std::uint8_t* actual, PixelMatch* matches) const;
    RgbColor expected_color(const std::uint8_t* row, int x) const { return color(expected_palette_, row, x); }
    RgbColor actual_color(const std::uint8_t* row, int x) const { return color(actual_palette_, row, x); }

private:
    static RgbColor color(const std::vector<RgbColor>& palette, const std::uint8_t* row, int x);
    PixelMatch classify(RgbColor expected, RgbColor actual) const;
    long compare_colors(const std::uint8_t* expected, const std::uint8_t* actual, PixelMatch* matches) const;

    std::vector<RgbColor> expected_palette_, actual_palette_;
    int width_;
    // Equal bytes mean equal colours: both palettes agree, or both are colours.
    bool bytes_decide_;
    // Both indexed: the match of every pair of indices.
    std::vector<PixelMatch> index_matches_;
};

// A diff picture built a row at a time.  It is kept as palette indices while
// it has at most 256 colours, as colours beyond that.
class DiffPicture {
public:
    // Room for pictures up to width x height (colours at three bytes a
    // pixel are added when needed).
    DiffPicture(int width, int height);
    // A new diff picture of this size over an expected picture with this
    // palette (empty: its rows are colours).
    void start(int width, int height, std::vector<RgbColor> expected_palette);
    // Row y from the expected row and the matches of the pixels; `all_same`
    // when no pixel of the row differs.
    void add_row(int y, const std::uint8_t* expected, const PixelMatch* matches, bool all_same = false);
    // A ring around each of these differing pixels, over matching pixels only.
    void add_rings(const std::vector<std::pair<int, int>>& differing);
    RgbColor at(int x, int y) const;
    // The picture for the PNG encoder, marked as surfcompare's own.
    PngRows rows() const;

private:
    int slot_of(RgbColor color);  // -1: no room left in the palette
    void clear_cache();
    bool put(std::size_t at, RgbColor color);
    void to_colors();
    int add_known(std::size_t start, const std::uint8_t* expected, const PixelMatch* matches, int x);
    int add_colors(std::size_t start, const std::uint8_t* expected, const PixelMatch* matches, int x);
    std::size_t pixel_count() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); }
    bool is_mark(int x, int y) const;

    int width_, height_;
    std::vector<RgbColor> expected_palette_;
    std::vector<RgbColor> palette_;                     // while indexed
    // Colour -> palette slot, looked up directly: a colour's place is fixed
    // by a hash of it, and a colour not there is searched in the palette.
    static constexpr std::size_t cache_size = 4096;
    std::uint32_t cache_keys_[cache_size];              // colour | 1 << 24; 0: empty
    std::uint8_t cache_slots_[cache_size];
    std::vector<int> slot_of_expected_;                 // expected index -> slot, -1 unknown
    int slot_of_mark_[4] = {-1, -1, -1, -1};            // by PixelMatch; -1 unknown
    bool colors_ = false;                               // pixels_ holds red, green, blue
    // Not cleared between pictures: every row is written before it is read.
    std::unique_ptr<std::uint8_t[]> pixels_;
    std::size_t capacity_ = 0;                          // bytes in pixels_
};
