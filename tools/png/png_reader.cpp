// PngReader of our own: the tools' reader everywhere.  It reads what the
// tests' oracle over libpng reads and gives the same rows: every
// colour type and depth, transparency blended onto black, 16-bit channels
// rounded to 8 bits, interlaced pictures.  The picture data is inflated
// whole when it is small enough and libdeflate is there, else a piece at a
// time straight from the file, by ISA-L where it is there, else by zlib;
// every chunk's CRC is checked.  The chunks are read in png_chunks.cpp,
// the data inflated in png_inflate.cpp; here the rows are unfiltered and
// converted.
#include <atomic>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "runtime/checks.hpp"
#include "tools/png/png_reader_state.hpp"
#include "tools/png/png_unfilter.hpp"

namespace {

std::atomic<PngInflating> inflating_way{PngInflating::fastest};

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

std::string size_refused(const std::string& path, unsigned long width, unsigned long height)
{
    return path + " is " + std::to_string(width) + "x" + std::to_string(height) +
           ", out of range: an export is at most " + std::to_string(max_picture_side) + "x" +
           std::to_string(max_picture_side);
}

}  // namespace

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

PngInflating png_inflating_way() { return inflating_way; }

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
