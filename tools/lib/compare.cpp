// The comparison of two exports: both pictures of a pair are read a row at a
// time and compared by colour; the diff pictures are written under
// temporary names and put in place only when the whole run has succeeded.
#include "tools/lib/compare.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <functional>
#include <thread>
#include <system_error>
#include <utility>

#include "frame/pictures.hpp"
#include "gfx/code_page.hpp"
#include "tools/lib/atomic_file.hpp"
#include "tools/lib/diff_image.hpp"
#include "tools/lib/paths.hpp"

namespace {

constexpr const char* standard_names[16] = {
    "black",    "blue",       "green",       "cyan",       "red",       "magenta",       "brown",  "light grey",
    "dark grey", "light blue", "light green", "light cyan", "light red", "light magenta", "yellow", "white"};

std::string hex_color(RgbColor color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red, color.green, color.blue);
    return text;
}

std::string join(const std::string& folder, const std::string& name) { return join_path(folder, name); }

// There, as a link or anything else.
bool exists(const std::string& path) { return path_exists(path); }

// (by device and file number, or on Windows by volume and file index)
bool same_file(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(fs_path(a), fs_path(b), error) && !error;
}

std::string parent_of(const std::string& path) { return parent_path(path); }

// A diff picture of an earlier run, or nothing: the only files the diff
// folder's NN.png may be.  A link, a folder or a picture without the mark
// is someone else's.
bool own_or_missing(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_type type = std::filesystem::symlink_status(fs_path(path), error).type();
    if (type == std::filesystem::file_type::not_found) return true;
    if (error || type != std::filesystem::file_type::regular) return false;
    PngReader reader;
    std::string ignored;
    return reader.open(path, ignored) && reader.text("Software") == diff_picture_mark;
}

// The diff folder: checked before anything is read, created only when the
// run has something to put there, and the levels it created removed again
// when the run fails.
class DiffFolder {
public:
    explicit DiffFolder(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    bool check(const CompareOptions& options, std::string& error) const
    {
        if (!exists(path_)) {
            std::string level = parent_of(path_);
            while (!exists(level) && level != parent_of(level)) level = parent_of(level);
            if (!is_folder(level)) {
                error = "cannot create the diff folder " + path_ + ": " + level + " is not a folder";
                return false;
            }
            if (access(level.c_str(), W_OK | X_OK) != 0) {
                error = "cannot create the diff folder " + path_ + ": " + std::strerror(errno);
                return false;
            }
            return true;
        }
        if (!is_folder(path_)) {
            error = "the diff folder " + path_ + " is not a folder";
            return false;
        }
        if (same_file(path_, options.expected_folder) || same_file(path_, options.actual_folder)) {
            error = "the diff folder must not be one of the compared folders";
            return false;
        }
        if (access(path_.c_str(), W_OK | X_OK) != 0) {
            error = "cannot write into the diff folder " + path_ + ": " + std::strerror(errno);
            return false;
        }
        return check_pictures(error);
    }

    // Every NN.png already there must be a diff picture of an earlier run.
    bool check_pictures(std::string& error) const
    {
        for (int number = 1; number <= picture_count; ++number) {
            const std::string path = join(path_, picture_file_name(number));
            if (own_or_missing(path)) continue;
            error = path + " is not a diff picture of surfcompare; give --diff a new or empty folder";
            return false;
        }
        return true;
    }

    // Like mkdir -p, remembering the levels it made.
    bool create(std::string& error)
    {
        if (is_folder(path_)) return true;
        std::vector<std::string> missing;
        for (const std::string& level : path_levels(path_))
            if (!exists(level)) missing.insert(missing.begin(), level);
        for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
            if (mkdir(level->c_str(), 0777) != 0) {
                error = "cannot create the diff folder " + path_ + ": " + std::strerror(errno);
                return false;
            }
            created_.push_back(*level);
        }
        return true;
    }

    void remove_created()
    {
        for (auto level = created_.rbegin(); level != created_.rend(); ++level) rmdir(level->c_str());
        created_.clear();
    }
    void keep_created() { created_.clear(); }

private:
    std::string path_;
    std::vector<std::string> created_;  // outermost first
};

bool check_compared_folder(const std::string& folder, const char* which, std::string& error)
{
    if (folder.empty()) {
        error = std::string("the ") + which + " folder name is empty";
        return false;
    }
    if (is_folder(folder)) return true;
    error = exists(folder) ? folder + " is a file, not a folder" : "no such folder: " + folder;
    return false;
}

// Opens both pictures of every pair and checks their sizes, before any
// pixel is read.
bool open_all(const CompareOptions& options, std::vector<std::unique_ptr<PngReader>>& readers, std::string& error)
{
    for (int number = 1; number <= picture_count; ++number) {
        for (const std::string* folder : {&options.expected_folder, &options.actual_folder}) {
            const std::string path = join(*folder, picture_file_name(number));
            readers.push_back(std::make_unique<PngReader>());
            if (!readers.back()->open(path, error)) {
                if (!exists(path)) error = "missing file " + path + " (an export holds 01.png ... 12.png)";
                return false;
            }
        }
        const PngReader& expected = *readers[readers.size() - 2];
        const PngReader& actual = *readers.back();
        if (expected.width() == actual.width() && expected.height() == actual.height()) continue;
        error = picture_file_name(number) + ": the expected picture is " + std::to_string(expected.width()) + "x" +
                std::to_string(expected.height()) + " but the actual one is " + std::to_string(actual.width()) +
                "x" + std::to_string(actual.height()) + " (export both at the same --size)";
        return false;
    }
    return true;
}

std::string first_color_text(const RowComparer& comparer, const PngReader& reader, const std::uint8_t* row, int x,
                             bool expected)
{
    const RgbColor color = expected ? comparer.expected_color(row, x) : comparer.actual_color(row, x);
    return color_text(color, reader.indexed() ? row[x] : -1);
}

// Rows read ahead from both pictures: the actual picture is decoded on a
// second thread while this one decodes the expected picture, since
// inflating the pixel data is most of surfcompare's time.
class RowBlocks {
public:
    static constexpr int rows_per_block = 64;

    RowBlocks(PngReader& expected, PngReader& actual)
        : expected_(expected), actual_(actual),
          row_bytes_(static_cast<std::size_t>(expected.width()) * 3),
          expected_rows_(row_bytes_ * rows_per_block), actual_rows_(row_bytes_ * rows_per_block)
    {
    }

    // Reads the next `count` rows of both.
    bool read(int count, std::string& error)
    {
        std::string actual_error;
        bool actual_ok = true;
        std::thread worker([&] { actual_ok = read_rows(actual_, actual_rows_, count, actual_error); });
        const bool expected_ok = read_rows(expected_, expected_rows_, count, error);
        worker.join();
        if (expected_ok && !actual_ok) error = actual_error;
        return expected_ok && actual_ok;
    }
    const std::uint8_t* expected_row(int i) const { return &expected_rows_[i * row_bytes_]; }
    const std::uint8_t* actual_row(int i) const { return &actual_rows_[i * row_bytes_]; }

private:
    bool read_rows(PngReader& reader, std::vector<std::uint8_t>& rows, int count, std::string& error)
    {
        for (int i = 0; i < count; ++i)
            if (!reader.read_row(&rows[i * row_bytes_], error)) return false;
        return true;
    }

    PngReader& expected_;
    PngReader& actual_;
    std::size_t row_bytes_;
    std::vector<std::uint8_t> expected_rows_, actual_rows_;
};

// Compares one pair row by row; fills `diff` when given.
// One piece of work on a thread of its own, at most one at a time; joined
// before the next starts, and on every way out.
class BackgroundTask {
public:
    BackgroundTask() = default;
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;
    ~BackgroundTask() { join(); }

    void start(std::function<bool(std::string&)> work)
    {
        thread_ = std::thread([this, work = std::move(work)] { ok_ = work(error_); });
    }
    // Waits for the work; false with its error when it failed.
    bool finish(std::string& error)
    {
        join();
        if (!ok_) error = error_;
        return ok_;
    }

private:
    void join()
    {
        if (thread_.joinable()) thread_.join();
    }
    std::thread thread_;
    bool ok_ = true;
    std::string error_;
};

bool compare_pair(PngReader& expected, PngReader& actual, int number, DiffPicture* diff, PictureResult& result,
                  std::string& error)
{
    const int width = expected.width(), height = expected.height();
    const RowComparer comparer(expected.palette(), actual.palette(), width);
    RowBlocks blocks(expected, actual);
    std::vector<PixelMatch> matches(static_cast<std::size_t>(width));
    std::vector<std::pair<int, int>> lone;  // the first differing pixels, for the rings
    result = PictureResult{};
    result.number = number;
    result.total = static_cast<long long>(width) * height;
    for (int top = 0; top < height; top += RowBlocks::rows_per_block) {
        const int count = std::min(RowBlocks::rows_per_block, height - top);
        if (!blocks.read(count, error)) return false;
        for (int i = 0; i < count; ++i) {
            const int y = top + i;
            const std::uint8_t* expected_row = blocks.expected_row(i);
            const std::uint8_t* actual_row = blocks.actual_row(i);
            const long differing = comparer.compare(expected_row, actual_row, matches.data());
            if (diff) diff->add_row(y, expected_row, matches.data(), differing == 0);
            if (differing == 0) continue;
            for (int x = 0; x < width && lone.size() <= static_cast<std::size_t>(max_ringed_pixels); ++x)
                if (matches[x] != PixelMatch::same) lone.emplace_back(x, y);
            if (result.differing == 0) {
                int x = 0;
                while (matches[x] == PixelMatch::same) ++x;
                result.first_x = x;
                result.first_y = y;
                result.first_expected = first_color_text(comparer, expected, expected_row, x, true);
                result.first_actual = first_color_text(comparer, actual, actual_row, x, false);
            }
            result.differing += differing;
        }
    }
    if (diff && result.differing <= max_ringed_pixels) diff->add_rings(lone);
    return true;
}

}  // namespace

std::string picture_file_name(int number)
{
    char name[16];
    std::snprintf(name, sizeof name, "%02d.png", number);
    return name;
}

std::string picture_title(int number)
{
    if (number < 1 || number > picture_count) return std::string();
    return cp437_to_utf8(show_picture(number).title);
}

std::string color_text(RgbColor color, int own_index)
{
    int index = -1;
    if (own_index >= 0 && own_index < 256 && same_color(palette()[own_index], color)) index = own_index;
    for (int i = 0; i < 256 && index < 0; ++i)
        if (same_color(palette()[i], color)) index = i;
    if (index < 0) return hex_color(color);
    return std::to_string(index) + " (" + (index < 16 ? standard_names[index] : hex_color(color)) + ")";
}

int CompareReport::identical_count() const
{
    int count = 0;
    for (const PictureResult& result : results) count += result.identical() ? 1 : 0;
    return count;
}

struct ExportComparison::State {
    explicit State(const CompareOptions& options) : diff_folder(options.diff_folder) {}
    ~State()
    {
        pending.discard();
        diff_folder.remove_created();
    }
    DiffFolder diff_folder;
    PendingFiles pending;
    std::vector<std::string> stale;  // our diff pictures of pictures that are identical now
    bool ran = false;
};

ExportComparison::ExportComparison() = default;
ExportComparison::~ExportComparison() = default;

bool ExportComparison::run(const CompareOptions& options, CompareReport& report, std::string& error)
{
    report = CompareReport{};
    state_ = std::make_unique<State>(options);
    const bool with_diff = !options.diff_folder.empty();
    if (!check_compared_folder(options.expected_folder, "expected", error) ||
        !check_compared_folder(options.actual_folder, "actual", error) ||
        (with_diff && !state_->diff_folder.check(options, error)))
        return false;
    std::vector<std::unique_ptr<PngReader>> readers;
    if (!open_all(options, readers, error)) return false;
    report.width = readers[0]->width();
    report.height = readers[0]->height();
    // Two diff pictures' memory, used in turn: one is encoded on its own
    // thread while the next pair is compared into the other.
    std::unique_ptr<DiffPicture> diffs[2];
    if (with_diff)
        for (auto& diff : diffs) diff = std::make_unique<DiffPicture>(report.width, report.height);
    BackgroundTask encoder;
    int free_diff = 0;  // the one the encoder is not reading
    for (int number = 1; number <= picture_count; ++number) {
        PngReader& expected = *readers[2 * (number - 1)];
        PngReader& actual = *readers[2 * (number - 1) + 1];
        DiffPicture* diff = diffs[free_diff].get();
        if (with_diff) diff->start(expected.width(), expected.height(), expected.palette());
        PictureResult result;
        if (!compare_pair(expected, actual, number, diff, result, error)) return false;
        readers[2 * (number - 1)].reset();
        readers[2 * (number - 1) + 1].reset();
        report.results.push_back(result);
        if (!with_diff) continue;
        const std::string path = join(options.diff_folder, picture_file_name(number));
        if (result.identical()) {
            if (exists(path)) state_->stale.push_back(path);
            continue;
        }
        if (!encoder.finish(error) || !state_->diff_folder.create(error)) return false;
        encoder.start([this, path, diff](std::string& task_error) {
            const PngRows rows = diff->rows();
            return state_->pending.add(path, [&](std::FILE* file) { return encode_png(file, rows); }, task_error);
        });
        free_diff = 1 - free_diff;
        report.diff_files.push_back(picture_file_name(number));
    }
    if (!encoder.finish(error)) return false;
    state_->ran = true;
    return true;
}

bool ExportComparison::commit(std::string& error)
{
    if (!state_ || !state_->ran) {
        error = "nothing to commit";
        return false;
    }
    State& s = *state_;
    if (s.diff_folder.path().empty()) return true;
    // Checked again: a picture put there during the run is not ours either.
    if (!s.diff_folder.create(error) || !s.diff_folder.check_pictures(error) || !s.pending.commit(error))
        return false;
    s.diff_folder.keep_created();
    for (const std::string& path : s.stale) unlink(path.c_str());
    s.stale.clear();
    return true;
}

bool compare_exports(const CompareOptions& options, CompareReport& report, std::string& error)
{
    ExportComparison comparison;
    return comparison.run(options, report, error) && comparison.commit(error);
}
