// The export commands' work: arguments, the output folder, and a platform
// that turns every key wait of the show into a PNG file.
#include "tools/export/shots.hpp"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "frame/command_line.hpp"
#include "frame/frame.hpp"
#include "gfx/platform.hpp"
#include "tools/output/output_folder.hpp"
#include "tools/lib/paths.hpp"
#include "tools/output/write_failure.hpp"
#include "tools/png/png_export.hpp"

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
    ShotsPlatform(const ShotsOptions& options, OutputFolder& folder) : options_(options), folder_(folder) {}

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
        if (picture_number_ < picture_total) folder_.discard();
    }
    bool terminal_size(int&, int&) override { return false; }
    void clear_text_window(const ConsoleState&) override {}
    // The titles are kept until every picture is written: an export that
    // fails prints none.
    bool write_line(std::string_view text, ConsoleState&) override
    {
        if (options_.progress) {
            set_interrupt_note(options_.program + ": interrupted: the titles above were printed, but no picture was replaced\n",
                               true);
            return write_plain_line(text);
        }
        titles_.emplace_back(text);
        return true;
    }
    bool wait_key(KeyPress& key) override
    {
        ++picture_number_;
        const PngRows rows = palette_rows(current_picture());
        std::string error;
        if (!folder_.add(shot_file_name(picture_number_), [&](std::FILE* file) { return encode_png(file, rows); }, error))
            stop(error);  // the show cannot go on without its pictures
        key = {' ', 0};
        return true;
    }
    void restore_terminal() override {}
    int pictures() const { return picture_number_; }

    // All twelve in place at once, and the titles printed while the old
    // pictures can still be put back.
    bool commit(std::string& error)
    {
        bool printed = false;
        if (folder_.commit(error, [&](std::string& print_error) {
                if (!titles_.empty())
                    set_interrupt_note(options_.program +
                                               ": interrupted: the titles above were printed, but no picture was replaced\n");
                errno = 0;
                for (const std::string& title : titles_) {
                    if (write_plain_line(title)) continue;
                    print_error = "cannot write the titles to standard output" + write_failure_reason(errno);
                    return false;
                }
                return printed = true;
            }))
            return true;
        if (printed) error += "; the titles above were printed, but no picture was replaced";
        return false;
    }
    [[noreturn]] void stop(const std::string& error)
    {
        folder_.discard();
        std::fprintf(stderr, "%s: %s\n", options_.program.c_str(), error.c_str());
        std::fflush(stderr);
        std::_Exit(2);
    }

private:
    static constexpr int picture_total = 12;

    const ShotsOptions& options_;
    OutputFolder& folder_;
    int picture_number_ = 0;
    std::vector<std::string> titles_;
};

}  // namespace

std::string shots_usage(const std::string& program)
{
    return "Usage: " + program +
           " [--size WIDTHxHEIGHT] [--out DIR] [--progress]\n"
           "Runs the show without a window and writes its twelve pictures as 01.png ... 12.png.\n"
           "\n"
           "Options:\n"
           "  --size WIDTHxHEIGHT  drawing area in pixels (default 640x480; width 102-8192, height 150-8192)\n"
           "  --out DIR            output folder, created when missing (default shots)\n"
           "  --progress           print each title as its picture is drawn, not only when all are in place\n"
           "  --help               display this help and exit\n"
           "  --version            output version information and exit\n"
           "\n"
           "Exit code:\n"
           "  0        all twelve pictures are written\n"
           "  2        bad input or a failed write (the folder is then as it was)\n"
           "  129      the terminal was closed (hang-up; the console window on Windows)\n"
           "  130      stopped by Ctrl+C (or Ctrl+Break on Windows)\n"
           "  143      terminated by a signal\n"
           "  200-215  the run-time error that stopped a renderer\n"
           "When stopped (129, 130, 143), the folder is left as it was too.\n";
}

bool parse_shots_arguments(int argc, char** argv, ShotsOptions& options, CommandLine& line, std::string& error)
{
    static const std::vector<KnownOption> known_options = {{"--size", OptionValue::required}, {"--out", OptionValue::required},
                                                           {"--progress", OptionValue::none}};
    if (!read_command_line(argc, argv, known_options, line, error)) return false;
    if (line.help || line.version) return true;
    if (!line.operands.empty()) {
        error = "unexpected argument '" + std::string(line.operands.front()) + "'";
        return false;
    }
    for (const GivenOption& given : line.options) {
        if (given.name == "--progress") options.progress = true;
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

std::string shot_file_name(int number)
{
    char name[16];
    std::snprintf(name, sizeof name, "%02d.png", number);
    return name;
}

int run_shots(const ShotsOptions& options)
{
    OutputFolder folder(options.folder, "folder");
    std::string error;
    std::vector<std::string> names;
    for (int number = 1; number <= 12; ++number) names.push_back(shot_file_name(number));
    const auto say_wait = [&] {
        std::fprintf(stderr, "%s: another run is writing into %s; waiting for it to finish\n",
                     options.program.c_str(), options.folder.c_str());
    };
    if (!folder.take(say_wait, error) || !folder.check_replaceable(names, error)) {
        folder.discard();
        std::fprintf(stderr, "%s: %s\n", options.program.c_str(), error.c_str());
        return 2;
    }
    ShotsPlatform platform(options, folder);
    set_platform(&platform);
    run_show();
    set_platform(nullptr);
    if (!platform.commit(error)) platform.stop(error);
    std::fprintf(stderr, "wrote %d pictures of %dx%d to %s\n", platform.pictures(), options.width,
                 options.height, as_folder(options.folder).c_str());
    return 0;
}
