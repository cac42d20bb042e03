// The export commands' work: arguments, the output folder, and a platform
// that turns every key wait of the show into a PNG file.
#include "tools/lib/shots.hpp"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "frame/command_line.hpp"
#include "frame/frame.hpp"
#include "gfx/platform.hpp"
#include "tools/lib/atomic_file.hpp"
#include "tools/lib/paths.hpp"
#include "tools/lib/write_failure.hpp"
#include "tools/lib/png_export.hpp"

namespace {

constexpr int min_width = 102, max_width = 8192;
constexpr int min_height = 150, max_height = 8192;

// Digits only; a number too large for an int becomes INT_MAX, which the
// range check then refuses in the user's terms.
bool parse_number(std::string_view text, int& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) value = std::numeric_limits<int>::max();
    return true;
}

bool parse_size(std::string_view text, ShotsOptions& options, std::string& error)
{
    const std::size_t cross = text.find('x');
    int width = 0, height = 0;
    if (cross == std::string_view::npos || !parse_number(text.substr(0, cross), width) ||
        !parse_number(text.substr(cross + 1), height)) {
        error = "bad size '" + std::string(text) + "': expected WIDTHxHEIGHT, for example 1920x1080";
        return false;
    }
    if (width < min_width || width > max_width || height < min_height || height > max_height) {
        error = "size " + std::string(text) + " out of range: width 102 to 8192, height 150 to 8192";
        return false;
    }
    options.width = width;
    options.height = height;
    return true;
}

class ShotsPlatform final : public Platform {
public:
    explicit ShotsPlatform(const ShotsOptions& options) : options_(options), created_(options.created_folders) {}

    bool open_window(int& width, int& height) override
    {
        width = options_.width;
        height = options_.height;
        return true;
    }
    void show_picture(const PictureView&, const Palette&, const PixelRange&) override {}
    // Also on the way out of a run-time error: then the pictures are not
    // all there, and none of them may stay.
    void close_window() override
    {
        if (picture_number_ < picture_total) give_up();
    }
    bool terminal_size(int&, int&) override { return false; }
    void clear_text_window(const ConsoleState&) override {}
    bool write_line(std::string_view text, ConsoleState&) override
    {
        errno = 0;
        if (write_plain_line(text)) return true;
        stop("cannot write the titles to standard output" + write_failure_reason(errno));
    }
    bool wait_key(KeyPress& key) override
    {
        ++picture_number_;
        char name[24];
        std::snprintf(name, sizeof name, "%02d.png", picture_number_);
        const PngRows rows = palette_rows(current_picture());
        std::string error;
        if (!pictures_.add(join_path(options_.folder, name), [&](std::FILE* file) { return encode_png(file, rows); }, error))
            stop(error);  // the show cannot go on without its pictures
        key = {' ', 0};
        return true;
    }
    void restore_terminal() override {}
    int pictures() const { return picture_number_; }

    // All twelve in place at once, so that the folder never mixes two runs.
    bool commit(std::string& error) { return pictures_.commit(error); }
    [[noreturn]] void stop(const std::string& error)
    {
        give_up();
        std::fprintf(stderr, "%s: %s\n", options_.program.c_str(), error.c_str());
        std::fflush(stderr);
        std::_Exit(2);
    }

private:
    static constexpr int picture_total = 12;

    void give_up()
    {
        pictures_.discard();
        remove_created_folders(created_);
    }

    const ShotsOptions& options_;
    int picture_number_ = 0;
    std::vector<std::string> created_;  // folders this run made, for a failed run to remove
    PendingFiles pictures_;
};

}  // namespace

std::string shots_usage(const std::string& program)
{
    return "Usage: " + program +
           " [--size WIDTHxHEIGHT] [--out DIR]\n"
           "Runs the show without a window and writes its twelve pictures as 01.png ... 12.png.\n"
           "\n"
           "Options:\n"
           "  --size WIDTHxHEIGHT  drawing area in pixels (default 640x480; width 102-8192, height 150-8192)\n"
           "  --out DIR            output folder, created when missing (default shots)\n"
           "  --help               display this help and exit\n"
           "  --version            output version information and exit\n"
           "\n"
           "Exit code: 0 when all twelve pictures are written, 2 on bad input or a failed write\n"
           "(nothing is then left behind), or the number of the run-time error (200-215) that\n"
           "stopped a renderer.\n";
}

bool parse_shots_arguments(int argc, char** argv, ShotsOptions& options, CommandLine& line, std::string& error)
{
    static const std::vector<KnownOption> known_options = {{"--size", OptionValue::required}, {"--out", OptionValue::required}};
    if (!read_command_line(argc, argv, known_options, line, error)) return false;
    if (line.help || line.version) return true;
    if (!line.operands.empty()) {
        error = "unexpected argument '" + std::string(line.operands.front()) + "'";
        return false;
    }
    for (const GivenOption& given : line.options) {
        if (given.name == "--size" && !parse_size(*given.value, options, error)) return false;
        if (given.name == "--out") {
            if (given.value->empty()) {
                error = "the --out folder name is empty";
                return false;
            }
            options.folder = std::string(*given.value);
        }
    }
    return true;
}

void remove_created_folders(std::vector<std::string>& created)
{
    for (auto level = created.rbegin(); level != created.rend(); ++level) rmdir(level->c_str());
    created.clear();
}

bool prepare_folder(const std::string& folder, std::vector<std::string>& created, std::string& error)
{
    // Create every missing level, like mkdir -p, remembering which.
    for (const std::string& level : path_levels(folder)) {
        if (mkdir(level.c_str(), 0777) == 0) {
            created.push_back(level);
        } else if (errno != EEXIST) {
            error = "cannot create folder " + level + ": " + std::strerror(errno);
            remove_created_folders(created);
            return false;
        }
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = "not a folder: " + folder;
        remove_created_folders(created);
        return false;
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        error = "cannot write into folder " + folder + ": " + std::strerror(errno);
        remove_created_folders(created);
        return false;
    }
    return true;
}

int run_shots(const ShotsOptions& options)
{
    ShotsPlatform platform(options);
    set_platform(&platform);
    run_show();
    set_platform(nullptr);
    std::string error;
    if (!platform.commit(error)) platform.stop(error);
    std::fprintf(stderr, "wrote %d pictures of %dx%d to %s\n", platform.pictures(), options.width,
                 options.height, as_folder(options.folder).c_str());
    return 0;
}
