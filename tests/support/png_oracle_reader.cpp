// PngReader over libpng, an independent second reader that the reader
// tests hold ours to.  libpng reports an error by a jump back to the
// set-up point of the function that called it, so each function below that
// calls libpng sets its own and keeps no object with a destructor.
#include "tools/png/png_import.hpp"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <algorithm>
#include <sys/stat.h>

#include "runtime/checks.hpp"
#include "tools/png/png_adam7.hpp"

struct PngReader::State {
    std::string path;
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[200] = {};  // libpng's last error, or ours
    int width = 0, height = 0;
    int channels = 0;         // bytes per decoded pixel: 1 (an index), 3 or 4
    bool interlaced = false;  // then its rows come through `passes`
    std::vector<RgbColor> palette;
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<std::uint8_t> decoded;  // one row as libpng gives it
    std::unique_ptr<Adam7Rows> passes;
    int next_row = 0;

    ~State()
    {
        if (png) png_destroy_read_struct(&png, &info, nullptr);
        if (file) std::fclose(file);
    }
    int output_bytes() const { return palette.empty() ? 3 : 1; }
};

namespace {

[[noreturn]] void on_png_error(png_structp png, png_const_charp message)
{
    auto* state = static_cast<PngReader::State*>(png_get_error_ptr(png));
    if (!state->message[0]) std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

void read_bytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* state = static_cast<PngReader::State*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, state->file) == length) return;
    if (std::ferror(state->file))
        std::snprintf(state->message, sizeof state->message, "%s", std::strerror(errno));
    else
        std::snprintf(state->message, sizeof state->message, "the file ends too early");
    png_error(png, state->message);
}

// A colour as it shows over black.
std::uint8_t blend(std::uint8_t channel, std::uint8_t alpha)
{
    return static_cast<std::uint8_t>((channel * alpha + 127) / 255);
}

void take_palette(PngReader::State& s)
{
    png_colorp colors = nullptr;
    int count = 0;
    if (!png_get_PLTE(s.png, s.info, &colors, &count) || count <= 0)
        png_error(s.png, "a palette picture without a palette");
    png_bytep alphas = nullptr;
    int alpha_count = 0;
    png_get_tRNS(s.png, s.info, &alphas, &alpha_count, nullptr);
    for (int i = 0; i < count; ++i) {
        const std::uint8_t alpha = i < alpha_count && alphas ? alphas[i] : 255;
        s.palette.push_back({blend(colors[i].red, alpha), blend(colors[i].green, alpha), blend(colors[i].blue, alpha)});
    }
}

void take_texts(PngReader::State& s)
{
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(s.png, s.info, &texts, &count);
    for (int i = 0; i < count; ++i)
        s.texts.emplace_back(texts[i].key ? texts[i].key : "", texts[i].text ? texts[i].text : "");
}

bool read_header(PngReader::State& s)
{
    if (setjmp(png_jmpbuf(s.png))) return false;
    // The real limit is checked below with a message of our own; this one
    // only keeps libpng from working on absurd claims.
    png_set_user_limits(s.png, 1u << 20, 1u << 20);
    // A damaged length must not make libpng allocate a large text or
    // profile chunk; no ancillary chunk of a picture needs a megabyte.
    png_set_chunk_malloc_max(s.png, 1u << 20);
    png_set_chunk_cache_max(s.png, 1000);
    png_set_read_fn(s.png, &s, read_bytes);
    // Every chunk's CRC already guards the data; the second check sum over
    // the inflated pixels costs an eighth of the reading time.
    png_set_option(s.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(s.png, s.info);
    s.width = static_cast<int>(png_get_image_width(s.png, s.info));
    s.height = static_cast<int>(png_get_image_height(s.png, s.info));
    if (s.width > max_picture_side || s.height > max_picture_side) return true;  // the caller refuses it
    s.interlaced = png_get_interlace_type(s.png, s.info) != PNG_INTERLACE_NONE;
    png_set_packing(s.png);
    if (png_get_color_type(s.png, s.info) == PNG_COLOR_TYPE_PALETTE) {
        take_palette(s);
    } else {
        png_set_scale_16(s.png);
        png_set_expand(s.png);
        png_set_gray_to_rgb(s.png);
    }
    take_texts(s);
    png_read_update_info(s.png, s.info);
    s.channels = png_get_channels(s.png, s.info);
    const int expected = s.palette.empty() ? 3 : 1;
    if ((s.channels != expected && !(expected == 3 && s.channels == 4)) || png_get_bit_depth(s.png, s.info) != 8)
        png_error(s.png, "an unexpected pixel format");
    return true;
}

bool decode_row(PngReader::State& s)
{
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_row(s.png, s.decoded.data(), nullptr);
    return true;
}

bool read_to_end(PngReader::State& s)
{
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_end(s.png, nullptr);
    return true;
}

// `count` decoded pixels into indices or red, green, blue; false for an
// index beyond the palette.
bool convert(const PngReader::State& s, const std::uint8_t* in, int count, std::uint8_t* out)
{
    if (s.channels == 1) {
        const std::size_t colors = s.palette.size();
        if (colors < 256)
            for (int i = 0; i < count; ++i)
                if (in[i] >= colors) return false;
        std::memcpy(out, in, static_cast<std::size_t>(count));
    } else if (s.channels == 3) {
        std::memcpy(out, in, static_cast<std::size_t>(count) * 3);
    } else {
        for (int i = 0; i < count; ++i, in += 4, out += 3) {
            out[0] = blend(in[0], in[3]);
            out[1] = blend(in[1], in[3]);
            out[2] = blend(in[2], in[3]);
        }
    }
    return true;
}

const char* beyond_palette = "a pixel's colour is beyond the palette";

std::uint32_t big_endian(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | at[3];
}

// Walks the chunk headers up to the end chunk: every chunk must fit in the
// file.  A damaged length would otherwise have libpng allocate and clear
// that many bytes before it finds the file too short.
bool chunks_fit(std::FILE* file, long long size)
{
    unsigned char head[8];
    for (long long at = 8; at + 12 <= size;) {
        if (std::fseek(file, static_cast<long>(at), SEEK_SET) != 0 || std::fread(head, 1, 8, file) != 8) return false;
        const long long length = big_endian(head);
        if (length > 0x7fffffff || at + 12 + length > size) return false;
        if (std::memcmp(head + 4, "IEND", 4) == 0) return true;
        at += 12 + length;
    }
    return false;
}

}  // namespace

void set_png_inflating(PngInflating) {}  // (libpng inflates in pieces, by zlib)

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

std::string size_refused(const std::string& path, unsigned long width, unsigned long height)
{
    return path + " is " + std::to_string(width) + "x" + std::to_string(height) +
           ", out of range: an export is at most " + std::to_string(max_picture_side) + "x" +
           std::to_string(max_picture_side);
}

std::string unsound(const PngReader::State& s, const char* reason)
{
    return "cannot read " + s.path + ": not a sound PNG picture (" + (s.message[0] ? s.message : reason) + ")";
}

// Everything of PngReader::open but the reader itself.
bool open_state(PngReader::State& s, const std::string& path, std::string& error)
{
    s.path = path;
    s.file = open_picture_file(path, error);
    if (!s.file) return false;
    // The signature first, then the size in the first chunk: a file that is
    // no PNG, or a picture too large, is refused before anything else.
    unsigned char head[24] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, s.file);
    const std::string problem = png_signature_problem(head, std::min<std::size_t>(got, 8));
    if (!problem.empty()) {
        error = "cannot read " + path + ": " + problem;
        return false;
    }
    if (got == sizeof head && std::memcmp(head + 12, "IHDR", 4) == 0) {
        const unsigned long width = big_endian(head + 16), height = big_endian(head + 20);
        if (width > max_picture_side || height > max_picture_side) {
            error = size_refused(path, width, height);
            return false;
        }
    }
    struct stat info {};
    if (fstat(fileno(s.file), &info) != 0 || !chunks_fit(s.file, static_cast<long long>(info.st_size))) {
        error = "cannot read " + path + ": not a sound PNG picture (the file ends too early)";
        return false;
    }
    std::rewind(s.file);
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, on_png_error, on_png_warning);
    s.info = s.png ? png_create_info_struct(s.png) : nullptr;
    if (!s.info || !read_header(s)) {
        error = unsound(s, "out of memory");
        return false;
    }
    if (s.width > max_picture_side || s.height > max_picture_side) {
        error = size_refused(path, static_cast<unsigned long>(s.width), static_cast<unsigned long>(s.height));
        return false;
    }
    // libpng gives every row at the picture's full width, passes too.
    s.decoded.resize(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.channels));
    return true;
}

// The stored rows of one pass after another, as Adam7Rows reads them.
class PassRows final : public StoredRows {
public:
    explicit PassRows(PngReader::State& state) : s_(state) {}
    explicit PassRows(std::unique_ptr<PngReader::State> own) : own_(std::move(own)), s_(*own_) {}

    bool next(std::uint8_t* out, int pixels, std::string& error) override
    {
        if (!decode_row(s_)) return fail("out of memory", error);
        return convert(s_, s_.decoded.data(), pixels, out) || fail(beyond_palette, error);
    }
    bool finish(std::string& error) override { return read_to_end(s_) || fail("out of memory", error); }

private:
    bool fail(const char* reason, std::string& error) const
    {
        error = unsound(s_, reason);
        return false;
    }

    std::unique_ptr<PngReader::State> own_;
    PngReader::State& s_;
};

}  // namespace

bool PngReader::open(const std::string& path, std::string& error)
{
    LibraryCallScope library;
    state_ = std::make_unique<State>();
    if (!open_state(*state_, path, error)) {
        state_.reset();
        return false;
    }
    State& s = *state_;
    if (s.interlaced) {
        const auto another = [path](std::string& open_error) -> std::unique_ptr<StoredRows> {
            auto state = std::make_unique<State>();
            if (!open_state(*state, path, open_error)) return nullptr;
            return std::make_unique<PassRows>(std::move(state));
        };
        s.passes = std::make_unique<Adam7Rows>(s.width, s.height, s.output_bytes(), std::make_unique<PassRows>(s),
                                               another);
    }
    return true;
}

bool PngReader::read_row(std::uint8_t* row, std::string& error)
{
    LibraryCallScope library;
    State& s = *state_;
    const auto fail = [&](const char* reason) {
        if (!s.message[0]) std::snprintf(s.message, sizeof s.message, "%s", reason);
        error = "cannot read " + s.path + ": not a sound PNG picture (" + s.message + ")";
        return false;
    };
    if (s.next_row >= s.height) return fail("no more rows");
    if (s.interlaced) {
        ++s.next_row;
        return s.passes->read_row(row, error);
    }
    if (!decode_row(s)) return fail("out of memory");
    if (!convert(s, s.decoded.data(), s.width, row)) return fail(beyond_palette);
    if (++s.next_row == s.height && !read_to_end(s)) return fail("out of memory");
    return true;
}
