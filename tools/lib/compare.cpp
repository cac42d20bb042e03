// The comparison of two exports: titles, the per-picture count of differing
// pixels, and the diff pictures, which are first written under pending names
// and only renamed once every pair has been read.
#include "tools/lib/compare.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "frame/frame.hpp"
#include "frame/pictures.hpp"
#include "gfx/code_page.hpp"
#include "tools/lib/diff_image.hpp"

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

// "15 (white)" for a palette index, "#ffffff" for a colour.
std::string color_text(const PngPicture& picture, int x, int y, bool by_index)
{
    if (!by_index) return hex_color(picture.color(x, y));
    const int index = picture.index(x, y);
    std::string text = std::to_string(index);
    const RgbColor standard = palette()[index];
    const RgbColor own = picture.palette[index];
    if (index < 16 && own.red == standard.red && own.green == standard.green && own.blue == standard.blue)
        text += std::string(" (") + standard_names[index] + ")";
    return text;
}

std::string join(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool is_folder(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool same_file(const std::string& a, const std::string& b)
{
    struct stat first {}, second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// Creates every missing level, like mkdir -p, and checks that it can be written.
bool make_folder(const std::string& folder, std::string& error)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string level = folder.substr(0, slash);
        if (!level.empty() && mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create the diff folder " + level + ": " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) break;
    }
    if (!is_folder(folder)) {
        error = "the diff folder " + folder + " is not a folder";
        return false;
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        error = "cannot write into the diff folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool check_folders(const CompareOptions& options, std::string& error)
{
    for (const std::string* folder : {&options.expected_folder, &options.actual_folder}) {
        if (!is_folder(*folder)) {
            error = access(folder->c_str(), F_OK) == 0 ? *folder + " is a file, not a folder"
                                                       : "no such folder: " + *folder;
            return false;
        }
    }
    if (options.diff_folder.empty()) return true;
    if (!make_folder(options.diff_folder, error)) return false;
    if (same_file(options.diff_folder, options.expected_folder) ||
        same_file(options.diff_folder, options.actual_folder)) {
        error = "the diff folder must not be one of the compared folders";
        return false;
    }
    return true;
}

bool load_picture(const std::string& folder, int number, PngPicture& picture, std::string& error)
{
    const std::string path = join(folder, picture_file_name(number));
    if (access(path.c_str(), F_OK) != 0) {
        error = "missing file " + path + " (an export holds 01.png ... 12.png)";
        return false;
    }
    if (is_folder(path)) {
        error = path + " is a folder, not a picture";
        return false;
    }
    return read_png(path, picture, error);
}

bool load_pair(const CompareOptions& options, int number, PngPicture& expected, PngPicture& actual,
               std::string& error)
{
    if (!load_picture(options.expected_folder, number, expected, error) ||
        !load_picture(options.actual_folder, number, actual, error))
        return false;
    if (expected.width == actual.width && expected.height == actual.height) return true;
    error = picture_file_name(number) + ": the expected picture is " + std::to_string(expected.width) + "x" +
            std::to_string(expected.height) + " but the actual one is " + std::to_string(actual.width) + "x" +
            std::to_string(actual.height) + " (export both at the same --size)";
    return false;
}

// Diff pictures of this run: pending until every pair has been read, removed
// again when the run fails.
class PendingDiffs {
public:
    explicit PendingDiffs(std::string folder) : folder_(std::move(folder)) {}
    PendingDiffs(const PendingDiffs&) = delete;
    PendingDiffs& operator=(const PendingDiffs&) = delete;
    ~PendingDiffs()
    {
        for (const int number : numbers_) std::remove(pending_path(number).c_str());
    }

    bool add(int number, const PngPicture& expected, const PngPicture& actual, std::string& error)
    {
        numbers_.push_back(number);
        return write_rgb_png(make_diff_image(expected, actual), pending_path(number), error);
    }

    // Puts the pending pictures in place and removes the diff pictures of
    // earlier runs for pictures that are identical now.
    bool commit(const CompareReport& report, std::vector<std::string>& written, std::string& error)
    {
        for (const PictureResult& result : report.results) {
            const std::string path = join(folder_, picture_file_name(result.number));
            if (result.identical()) {
                std::remove(path.c_str());
                continue;
            }
            if (std::rename(pending_path(result.number).c_str(), path.c_str()) != 0) {
                error = "cannot write " + path + ": " + std::strerror(errno);
                return false;
            }
            written.push_back(picture_file_name(result.number));
        }
        numbers_.clear();
        return true;
    }

private:
    std::string pending_path(int number) const { return join(folder_, picture_file_name(number) + ".pending"); }

    std::string folder_;
    std::vector<int> numbers_;
};

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

PictureResult compare_pictures(const PngPicture& expected, const PngPicture& actual, int number)
{
    const PixelComparer comparer(expected, actual);
    PictureResult result;
    result.number = number;
    result.total = static_cast<long long>(expected.width) * expected.height;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            if (comparer.match(x, y) == PixelMatch::same) continue;
            if (result.differing++ > 0) continue;
            result.first_x = x;
            result.first_y = y;
            result.first_expected = color_text(expected, x, y, comparer.by_index());
            result.first_actual = color_text(actual, x, y, comparer.by_index());
        }
    }
    return result;
}

int CompareReport::identical_count() const
{
    int count = 0;
    for (const PictureResult& result : results) count += result.identical() ? 1 : 0;
    return count;
}

bool compare_exports(const CompareOptions& options, CompareReport& report, std::string& error)
{
    report = CompareReport{};
    if (!check_folders(options, error)) return false;
    PendingDiffs diffs(options.diff_folder);
    for (int number = 1; number <= picture_count; ++number) {
        PngPicture expected, actual;
        if (!load_pair(options, number, expected, actual, error)) return false;
        if (number == 1) {
            report.width = expected.width;
            report.height = expected.height;
        }
        report.results.push_back(compare_pictures(expected, actual, number));
        if (!options.diff_folder.empty() && !report.results.back().identical() &&
            !diffs.add(number, expected, actual, error))
            return false;
    }
    if (!options.diff_folder.empty() && !diffs.commit(report, report.diff_files, error)) return false;
    return true;
}
