// Row comparison by colour and the diff picture.
#include "tools/compare/diff_image.hpp"

#include <algorithm>
#include <cstring>

namespace {

constexpr RgbColor black{0, 0, 0};

RgbColor mark_color(PixelMatch match)
{
    switch (match) {
    case PixelMatch::missing: return diff_colors::missing;
    case PixelMatch::extra: return diff_colors::extra;
    default: return diff_colors::changed;
    }
}

std::uint32_t key_of(RgbColor color)
{
    return static_cast<std::uint32_t>(color.red) << 16 | static_cast<std::uint32_t>(color.green) << 8 | color.blue;
}

bool same_palette(const std::vector<RgbColor>& a, const std::vector<RgbColor>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!same_color(a[i], b[i])) return false;
    return true;
}

}  // namespace

RgbColor dimmed(RgbColor color)
{
    const auto dim = [](std::uint8_t channel) { return static_cast<std::uint8_t>(channel * 2 / 5); };
    return {dim(color.red), dim(color.green), dim(color.blue)};
}

RowComparer::RowComparer(std::vector<RgbColor> expected_palette, std::vector<RgbColor> actual_palette, int width)
    : expected_palette_(std::move(expected_palette)), actual_palette_(std::move(actual_palette)), width_(width)
{
    bytes_decide_ = expected_palette_.empty() == actual_palette_.empty() &&
                    same_palette(expected_palette_, actual_palette_);
    if (expected_palette_.empty() || actual_palette_.empty()) return;
    // Different indices can show the same colour, and with two palettes
    // one index can show two: every pair is decided once, by colour.
    index_matches_.assign(256 * 256, PixelMatch::same);
    for (std::size_t e = 0; e < expected_palette_.size(); ++e)
        for (std::size_t a = 0; a < actual_palette_.size(); ++a)
            index_matches_[e * 256 + a] = classify(expected_palette_[e], actual_palette_[a]);
}

RgbColor RowComparer::color(const std::vector<RgbColor>& palette, const std::uint8_t* row, int x)
{
    if (!palette.empty()) return palette[row[x]];
    const std::uint8_t* rgb = row + static_cast<std::size_t>(x) * 3;
    return {rgb[0], rgb[1], rgb[2]};
}

PixelMatch RowComparer::classify(RgbColor expected, RgbColor actual) const
{
    if (same_color(expected, actual)) return PixelMatch::same;
    const bool in_expected = !same_color(expected, black);
    const bool in_actual = !same_color(actual, black);
    if (in_expected && !in_actual) return PixelMatch::missing;
    if (in_actual && !in_expected) return PixelMatch::extra;
    return PixelMatch::changed;
}

long RowComparer::compare(const std::uint8_t* expected, const std::uint8_t* actual, PixelMatch* matches) const
{
    const std::size_t bytes = static_cast<std::size_t>(width_) * (expected_palette_.empty() ? 3 : 1);
    if (bytes_decide_ && std::memcmp(expected, actual, bytes) == 0) {
        std::memset(matches, 0, static_cast<std::size_t>(width_) * sizeof *matches);
        return 0;
    }
    long differing = 0;
    if (!index_matches_.empty()) {
        for (int x = 0; x < width_; ++x) {
            matches[x] = index_matches_[static_cast<std::size_t>(expected[x]) * 256 + actual[x]];
            differing += matches[x] != PixelMatch::same;
        }
        return differing;
    }
    if (expected_palette_.empty() && actual_palette_.empty()) return compare_colors(expected, actual, matches);
    for (int x = 0; x < width_; ++x) {
        matches[x] = classify(color(expected_palette_, expected, x), color(actual_palette_, actual, x));
        differing += matches[x] != PixelMatch::same;
    }
    return differing;
}

// Two rows of colours: runs of equal pixels are found sixteen at a time,
// and a pixel is classified by three tests, without a branch.
long RowComparer::compare_colors(const std::uint8_t* expected, const std::uint8_t* actual, PixelMatch* matches) const
{
    // By (equal, expected is black, actual is black).
    static constexpr PixelMatch by_tests[8] = {PixelMatch::changed, PixelMatch::same, PixelMatch::extra,
                                               PixelMatch::same,    PixelMatch::missing, PixelMatch::same,
                                               PixelMatch::changed, PixelMatch::same};
    constexpr int run = 16;
    long differing = 0;
    int x = 0;
    while (x < width_) {
        const std::size_t at = static_cast<std::size_t>(x) * 3;
        if (x + run <= width_ && std::memcmp(expected + at, actual + at, run * 3) == 0) {
            std::memset(matches + x, 0, run * sizeof *matches);
            x += run;
            continue;
        }
        const int end = std::min(x + run, width_);
        for (; x < end; ++x) {
            const std::uint8_t* e = expected + static_cast<std::size_t>(x) * 3;
            const std::uint8_t* a = actual + static_cast<std::size_t>(x) * 3;
            const unsigned e_bits = e[0] | e[1] << 8 | e[2] << 16, a_bits = a[0] | a[1] << 8 | a[2] << 16;
            const unsigned tests = (e_bits == a_bits) | (e_bits == 0) << 1 | (a_bits == 0) << 2;
            matches[x] = by_tests[tests];
            differing += matches[x] != PixelMatch::same;
        }
    }
    return differing;
}

DiffPicture::DiffPicture(int width, int height)
    : width_(width), height_(height), capacity_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
{
    clear_cache();
    pixels_.reset(new std::uint8_t[capacity_]);
}

void DiffPicture::start(int width, int height, std::vector<RgbColor> expected_palette)
{
    width_ = width;
    height_ = height;
    expected_palette_ = std::move(expected_palette);
    slot_of_expected_.assign(expected_palette_.size(), -1);
    palette_.clear();
    clear_cache();
    for (int& slot : slot_of_mark_) slot = -1;
    colors_ = false;
    if (capacity_ < pixel_count()) {
        capacity_ = pixel_count();
        pixels_.reset(new std::uint8_t[capacity_]);
    }
}

void DiffPicture::clear_cache() { std::memset(cache_keys_, 0, sizeof cache_keys_); }

int DiffPicture::slot_of(RgbColor color)
{
    const std::uint32_t key = key_of(color) | 1u << 24;
    const std::size_t place = (key * 2654435761u) >> 20 & (cache_size - 1);
    if (cache_keys_[place] == key) return cache_slots_[place];
    int slot = -1;
    for (std::size_t i = 0; i < palette_.size() && slot < 0; ++i)
        if (same_color(palette_[i], color)) slot = static_cast<int>(i);
    if (slot < 0) {
        if (palette_.size() == 256) return -1;
        palette_.push_back(color);
        slot = static_cast<int>(palette_.size() - 1);
    }
    cache_keys_[place] = key;
    cache_slots_[place] = static_cast<std::uint8_t>(slot);
    return slot;
}

// Stores one pixel; false when the palette has no room for its colour.
bool DiffPicture::put(std::size_t at, RgbColor color)
{
    if (colors_) {
        pixels_[at * 3] = color.red;
        pixels_[at * 3 + 1] = color.green;
        pixels_[at * 3 + 2] = color.blue;
        return true;
    }
    const int slot = slot_of(color);
    if (slot < 0) return false;
    pixels_[at] = static_cast<std::uint8_t>(slot);
    return true;
}

// More than 256 colours: the picture goes on as red, green, blue.
void DiffPicture::to_colors()
{
    const std::size_t count = pixel_count();
    std::unique_ptr<std::uint8_t[]> rgb(new std::uint8_t[count * 3]);
    for (std::size_t i = 0; i < count; ++i) {
        const RgbColor color = palette_[pixels_[i] < palette_.size() ? pixels_[i] : 0];
        rgb[i * 3] = color.red;
        rgb[i * 3 + 1] = color.green;
        rgb[i * 3 + 2] = color.blue;
    }
    pixels_ = std::move(rgb);
    capacity_ = count * 3;
    colors_ = true;
    palette_.clear();
    clear_cache();
}

// From x on, the pixels whose slots are known already, one table look-up
// each, or sixteen at once where the pixel and its match repeat; returns
// where it stopped.
int DiffPicture::add_known(std::size_t start, const std::uint8_t* expected, const PixelMatch* matches, int x)
{
    constexpr int run = 16;
    std::uint8_t* out = &pixels_[start];
    while (x < width_) {
        const PixelMatch match = matches ? matches[x] : PixelMatch::same;
        const int slot = match == PixelMatch::same ? slot_of_expected_[expected[x]] : slot_of_mark_[static_cast<int>(match)];
        if (slot < 0) break;
        out[x] = static_cast<std::uint8_t>(slot);
        // The pixels after it: the same index with the same match take the same slot.
        if (x + 1 + run > width_ || expected[x + 1] != expected[x] || (matches && matches[x + 1] != match)) {
            ++x;
            continue;
        }
        std::uint8_t indices[run];
        PixelMatch repeated[run];
        std::memset(indices, expected[x], sizeof indices);
        std::memset(repeated, static_cast<int>(match), sizeof repeated);
        ++x;
        while (x + run <= width_ && std::memcmp(expected + x, indices, run) == 0 &&
               (matches ? std::memcmp(matches + x, repeated, sizeof repeated) == 0 : match == PixelMatch::same)) {
            std::memset(out + x, slot, run);
            x += run;
        }
    }
    return x;
}

// From x on, for an expected picture of colours: the slot of the pixel
// before is taken again while its colour and match repeat, sixteen pixels
// at a time along the background's long runs; returns where the palette
// ran out, or the width.
int DiffPicture::add_colors(std::size_t start, const std::uint8_t* expected, const PixelMatch* matches, int x)
{
    constexpr int run = 16;
    constexpr std::uint32_t no_key = 0xffffffffu;
    std::uint8_t* out = &pixels_[start];
    std::uint32_t last_key = no_key;
    int last_slot = 0;
    PixelMatch last_match = PixelMatch::same;
    std::uint8_t colors[run * 3];  // the last colour, repeated, once needed
    bool colors_ready = false;
    PixelMatch repeated[run];
    int single_until = x;  // after a run ends, pixels one at a time up to here
    while (x < width_) {
        if (x >= single_until && x + run <= width_ && last_key != no_key) {
            if (!colors_ready && last_match == PixelMatch::same) {
                for (int i = 0; i < run; ++i) std::memcpy(colors + 3 * i, expected + static_cast<std::size_t>(x - 1) * 3, 3);
                colors_ready = true;
            }
            const bool same_matches = matches ? std::memcmp(matches + x, repeated, sizeof repeated) == 0
                                              : last_match == PixelMatch::same;
            if (same_matches &&
                (last_match != PixelMatch::same || std::memcmp(expected + static_cast<std::size_t>(x) * 3, colors, sizeof colors) == 0)) {
                std::memset(out + x, last_slot, run);
                x += run;
                continue;
            }
            single_until = x + run;
        }
        const PixelMatch match = matches ? matches[x] : PixelMatch::same;
        const std::uint8_t* rgb = expected + static_cast<std::size_t>(x) * 3;
        const std::uint32_t key = match == PixelMatch::same
                                      ? static_cast<std::uint32_t>(rgb[0]) << 16 | rgb[1] << 8 | rgb[2]
                                      : 1u << 24 | static_cast<std::uint32_t>(match);
        if (key != last_key) {
            const RgbColor color = match == PixelMatch::same ? dimmed({rgb[0], rgb[1], rgb[2]}) : mark_color(match);
            last_slot = slot_of(color);
            if (last_slot < 0) return x;
            last_key = key;
            last_match = match;
            colors_ready = false;
            std::memset(repeated, static_cast<int>(match), sizeof repeated);
        }
        out[x++] = static_cast<std::uint8_t>(last_slot);
    }
    return x;
}

void DiffPicture::add_row(int y, const std::uint8_t* expected, const PixelMatch* matches, bool all_same)
{
    const std::size_t start = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    const bool indexed = !expected_palette_.empty();
    if (all_same) matches = nullptr;
    for (int x = 0; x < width_; ++x) {
        if (!indexed && !colors_ && (x = add_colors(start, expected, matches, x)) == width_) break;
        if (indexed && !colors_ && (x = add_known(start, expected, matches, x)) == width_) break;
        const PixelMatch match = matches ? matches[x] : PixelMatch::same;
        RgbColor color = mark_color(match);
        if (match == PixelMatch::same) {
            const std::uint8_t* rgb = expected + static_cast<std::size_t>(x) * 3;
            color = dimmed(indexed ? expected_palette_[expected[x]] : RgbColor{rgb[0], rgb[1], rgb[2]});
        }
        if (!put(start + x, color)) {
            to_colors();
            put(start + x, color);
        }
        if (colors_) continue;
        if (match != PixelMatch::same)
            slot_of_mark_[static_cast<int>(match)] = pixels_[start + x];
        else if (indexed)
            slot_of_expected_[expected[x]] = pixels_[start + x];
    }
}

bool DiffPicture::is_mark(int x, int y) const
{
    const RgbColor color = at(x, y);
    return same_color(color, diff_colors::missing) || same_color(color, diff_colors::extra) ||
           same_color(color, diff_colors::changed);
}

void DiffPicture::add_rings(const std::vector<std::pair<int, int>>& differing)
{
    const auto put_ring = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || is_mark(x, y)) return;
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + x;
        if (!put(at, diff_colors::ring)) {
            to_colors();
            put(at, diff_colors::ring);
        }
    };
    for (const auto& [x, y] : differing) {
        for (int d = -ring_distance; d <= ring_distance; ++d) {
            put_ring(x + d, y - ring_distance);
            put_ring(x + d, y + ring_distance);
            put_ring(x - ring_distance, y + d);
            put_ring(x + ring_distance, y + d);
        }
    }
}

RgbColor DiffPicture::at(int x, int y) const
{
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + x;
    if (!colors_) return palette_[pixels_[at]];
    return {pixels_[at * 3], pixels_[at * 3 + 1], pixels_[at * 3 + 2]};
}

PngRows DiffPicture::rows() const
{
    PngRows rows;
    rows.width = width_;
    rows.height = height_;
    if (!colors_) {
        rows.palette = palette_.data();
        rows.palette_size = static_cast<int>(palette_.size());
    }
    rows.software = diff_picture_mark;
    rows.runs_only = true;
    const std::size_t row_bytes = static_cast<std::size_t>(width_) * (colors_ ? 3 : 1);
    const std::uint8_t* pixels = pixels_.get();
    rows.row = [pixels, row_bytes](int y) { return pixels + static_cast<std::size_t>(y) * row_bytes; };
    return rows;
}
