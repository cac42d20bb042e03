// The comparison of two exports: both pictures of a pair are read a row at a
// time and compared by colour; the diff pictures are written aside and put
// in place only when the whole run has succeeded.
#include "tools/compare/compare.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <utility>

#include "frame/pictures.hpp"
#include "gfx/code_page.hpp"
#include "tools/compare/diff_image.hpp"
#include "tools/lib/paths.hpp"
#include "tools/compare/worker.hpp"

namespace {

// There, as a link or anything else.
bool exists(const std::string& path) { return path_exists(path); }

bool check_compared_folder(const std::string& folder, const char* which, std::string& error)
{
    if (folder.empty()) {
        error = std::string("the ") + which + " folder name is empty";
        return false;
    }
    if (!is_folder(folder)) {
        error = exists(folder) ? folder + " is a file, not a folder" : "no such folder: " + folder;
        return false;
    }
#ifndef _WIN32  // (reading its files needs no listing, only passage)
    if (access(folder.c_str(), X_OK) != 0) {
        error = "cannot read the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
#endif
    return true;
}

// Opens both pictures of every pair and checks their sizes, before any
// pixel is read.
bool open_all(const CompareOptions& options, std::vector<std::unique_ptr<PngReader>>& readers, std::string& error)
{
    for (int number = 1; number <= picture_count; ++number) {
        for (const std::string* folder : {&options.expected_folder, &options.actual_folder}) {
            const std::string path = join_path(*folder, picture_file_name(number));
            readers.push_back(std::make_unique<PngReader>());
            if (!readers.back()->open(path, error)) {
                if (error.compare(0, 13, "missing file ") == 0)
                    error = "missing file " + path + " (an export holds 01.png ... 12.png)";
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

// Rows read ahead from both pictures: the worker decodes the actual picture
// into a ring of blocks while this thread decodes the expected one and
// compares, since inflating is most of surfcompare's time.  The two wait for
// each other only when one is a whole ring ahead: on a busy machine every
// hand-over can cost a turn of the scheduler.
class RowBlocks {
public:
    static constexpr int ring_size = 3;

    // The blocks' memory, kept from pair to pair: new memory would be
    // cleared and faulted in again for every pair.
    struct Memory {
        std::vector<std::uint8_t> expected_rows, actual_rows;
    };

    RowBlocks(PngReader& expected, PngReader& actual, Worker& worker, Memory& memory)
        : expected_(expected), actual_(actual), worker_(worker),
          row_bytes_(static_cast<std::size_t>(expected.width()) * 3),
          rows_per_block_(static_cast<int>(std::clamp<std::size_t>((1u << 20) / row_bytes_, 16, 256))),
          expected_rows_(memory.expected_rows), actual_rows_(memory.actual_rows)
    {
        if (expected_rows_.size() < row_bytes_ * rows_per_block_) expected_rows_.resize(row_bytes_ * rows_per_block_);
        if (actual_rows_.size() < row_bytes_ * rows_per_block_ * ring_size)
            actual_rows_.resize(row_bytes_ * rows_per_block_ * ring_size);
        worker_.start([this](std::string& error) { return produce(error); });
    }
    ~RowBlocks()
    {
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            abandoned_ = true;
        }
        changed_.notify_all();
        std::string ignored;
        worker_.finish(ignored);
    }
    RowBlocks(const RowBlocks&) = delete;
    RowBlocks& operator=(const RowBlocks&) = delete;

    int rows_per_block() const { return rows_per_block_; }

    // The next block of both: `count` rows.
    bool read(int count, std::string& error)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (taken_ > 0) {
            ++released_;
            changed_.notify_all();
        }
        lock.unlock();
        if (!read_rows(expected_, expected_rows_.data(), count, error)) return false;
        lock.lock();
        changed_.wait(lock, [this] { return produced_ > taken_ || failed_; });
        if (produced_ <= taken_) {
            error = actual_error_;
            return false;
        }
        actual_block_ = &actual_rows_[static_cast<std::size_t>(taken_ % ring_size) * rows_per_block_ * row_bytes_];
        ++taken_;
        return true;
    }
    const std::uint8_t* expected_row(int i) const { return &expected_rows_[i * row_bytes_]; }
    const std::uint8_t* actual_row(int i) const { return &actual_block_[i * row_bytes_]; }

private:
    bool read_rows(PngReader& reader, std::uint8_t* rows, int count, std::string& error)
    {
        for (int i = 0; i < count; ++i)
            if (!reader.read_row(rows + i * row_bytes_, error)) return false;
        return true;
    }

    // The worker's part: every block of the actual picture, a ring ahead at most.
    bool produce(std::string&)
    {
        const int height = actual_.height();
        for (int top = 0, block = 0; top < height; top += rows_per_block_, ++block) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return block - released_ < ring_size || abandoned_; });
                if (abandoned_) return true;
            }
            std::uint8_t* rows = &actual_rows_[static_cast<std::size_t>(block % ring_size) * rows_per_block_ * row_bytes_];
            std::string error;
            const bool ok = read_rows(actual_, rows, std::min(rows_per_block_, height - top), error);
            {
                const std::lock_guard<std::mutex> hold(mutex_);
                if (ok) ++produced_;
                else failed_ = true, actual_error_ = error;
            }
            changed_.notify_all();
            if (!ok) return true;
        }
        return true;
    }

    PngReader& expected_;
    PngReader& actual_;
    Worker& worker_;
    std::size_t row_bytes_;
    int rows_per_block_;
    std::vector<std::uint8_t>& expected_rows_;
    std::vector<std::uint8_t>& actual_rows_;
    const std::uint8_t* actual_block_ = nullptr;
    std::mutex mutex_;
    std::condition_variable changed_;
    int produced_ = 0, taken_ = 0, released_ = 0;  // blocks
    bool failed_ = false, abandoned_ = false;
    std::string actual_error_;
};

// Compares one pair row by row; fills `diff` when given.
bool compare_pair(PngReader& expected, PngReader& actual, Worker& reader, RowBlocks::Memory& memory, DiffPicture* diff,
                  PictureResult& result, std::string& error)
{
    const int width = expected.width(), height = expected.height();
    const RowComparer comparer(expected.palette(), actual.palette(), width);
    RowBlocks blocks(expected, actual, reader, memory);
    std::vector<PixelMatch> matches(static_cast<std::size_t>(width));
    std::vector<std::pair<int, int>> lone;  // the first differing pixels, for the rings
    result.total = static_cast<long long>(width) * height;
    for (int top = 0; top < height; top += blocks.rows_per_block()) {
        const int count = std::min(blocks.rows_per_block(), height - top);
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

std::string picture_title(int number)
{
    if (number < 1 || number > picture_count) return std::string();
    return cp437_to_utf8(show_picture(number).title);
}

int CompareReport::identical_count() const
{
    int count = 0;
    for (const PictureResult& result : results) count += result.identical() ? 1 : 0;
    return count;
}

struct ExportComparison::State {
    explicit State(const CompareOptions& options) : diff_folder(options.diff_folder) {}
    DiffFolder diff_folder;
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
        (with_diff &&
         !state_->diff_folder.take(options.expected_folder, options.actual_folder, on_wait_, error)))
        return false;
    std::vector<std::unique_ptr<PngReader>> readers;
    if (!open_all(options, readers, error)) return false;
    report.width = readers[0]->width();
    report.height = readers[0]->height();
    OutputFolder& output = state_->diff_folder.output();
    // Up to 8 M pixels (3840 x 2160), two diff pictures' memory used in turn: one is
    // encoded by the encoder while the next pair is compared into the other.
    // Larger pictures have one, so that memory stays near one picture's pixels.
    const bool overlap = static_cast<long long>(report.width) * report.height <= (16ll << 20) / 2;
    std::unique_ptr<DiffPicture> diffs[2];
    if (with_diff)
        for (int i = 0; i < (overlap ? 2 : 1); ++i) diffs[i] = std::make_unique<DiffPicture>(report.width, report.height);
    Worker reader, encoder;
    RowBlocks::Memory block_memory;
    int free_diff = 0;  // the one the encoder is not reading
    for (int number = 1; number <= picture_count; ++number) {
        PngReader& expected = *readers[2 * (number - 1)];
        PngReader& actual = *readers[2 * (number - 1) + 1];
        DiffPicture* diff = diffs[free_diff].get();
        if (with_diff) diff->start(expected.width(), expected.height(), expected.palette());
        PictureResult result;
        result.number = number;
        if (!compare_pair(expected, actual, reader, block_memory, diff, result, error)) return false;
        readers[2 * (number - 1)].reset();
        readers[2 * (number - 1) + 1].reset();
        report.results.push_back(result);
        if (!with_diff) continue;
        const std::string name = picture_file_name(number);
        if (result.identical()) {
            if (exists(join_path(options.diff_folder, name))) output.remove_at_commit(name);
            continue;
        }
        if (!encoder.finish(error)) return false;
        encoder.start([&output, name, diff](std::string& task_error) {
            const PngRows rows = diff->rows();
            return output.add(name, [&](std::FILE* file) { return encode_png(file, rows); }, task_error);
        });
        if (overlap)
            free_diff = 1 - free_diff;
        else if (!encoder.finish(error))
            return false;
        report.diff_files.push_back(name);
    }
    if (!encoder.finish(error)) return false;
    state_->ran = true;
    return true;
}

bool ExportComparison::commit(std::string& error, const std::function<bool(std::string&)>& confirm)
{
    if (!state_ || !state_->ran) {
        error = "nothing to commit";
        return false;
    }
    if (state_->diff_folder.output().path().empty()) return !confirm || confirm(error);
    return state_->diff_folder.output().commit(error, confirm);
}

bool compare_exports(const CompareOptions& options, CompareReport& report, std::string& error)
{
    ExportComparison comparison;
    return comparison.run(options, report, error) && comparison.commit(error);
}
