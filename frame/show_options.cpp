// The show's options and its --help text (laid out for help2man: a Usage
// line, a description, options indented by two spaces).
#include "frame/show_options.hpp"

#include "frame/command_line.hpp"
#include "frame/pictures.hpp"

namespace {

const std::vector<KnownOption> show_known_options = {
    {"--watch", OptionValue::optional},
    {"--from", OptionValue::required},
};

bool read_watch(std::optional<std::string_view> value, ShowOptions& options, std::string& error)
{
    double seconds = default_watch_seconds;
    if (value && (!read_decimal(*value, seconds) || seconds < min_watch_seconds || seconds > max_watch_seconds)) {
        error = "bad --watch value '" + std::string(*value) + "': seconds from 0.1 to 60, for example --watch=5";
        return false;
    }
    options.watch_seconds = seconds;
    return true;
}

bool read_from(std::string_view value, ShowOptions& options, std::string& error)
{
    int number = 0;
    if (!read_whole_number(value, number) || number < 1 || number > picture_count) {
        error = "bad --from value '" + std::string(value) + "': a picture number from 1 to 12";
        return false;
    }
    options.from = number;
    return true;
}

}  // namespace

std::optional<int> read_show_options(int argc, char** argv, ShowOptions& options)
{
    CommandLine line;
    std::string error;
    if (read_command_line(argc, argv, show_known_options, line, error) && !line.help && !line.version) {
        if (!line.operands.empty()) {
            const std::string operand(line.operands.front());
            error = "unexpected argument '" + operand + "'";
            // "--watch 5" reads as a watch time, but a word after --watch is not its value.
            if (!line.options.empty() && line.options.back().name == "--watch" && !line.options.back().value)
                error += " (a watch time is written --watch=" + operand + ")";
        }
        for (const GivenOption& given : line.options) {
            if (!error.empty()) break;
            if (given.name == "--watch") read_watch(given.value, options, error);
            if (given.name == "--from") read_from(*given.value, options, error);
        }
    }
    const std::string name = program_name(argc, argv, program_title);
    return answer_command_line({name, show_usage(name)}, line, error);
}

std::string show_usage(std::string_view program)
{
    const std::string name(program);
    return "Usage: " + name + " [OPTION]...\n" + std::string(program_summary) +
           "\n\n"
           "Each key press in the terminal or in the window moves on to the next picture;\n"
           "the show ends after the twelfth.\n"
           "\n"
           "Options:\n"
           "  --watch[=SECONDS]  draw each picture over SECONDS seconds (default 3, 0.1 to 60)\n"
           "                     so that the window shows it growing; a key pressed while it\n"
           "                     grows finishes the picture at once\n"
           "  --from N           start at picture N (1 to 12); the pictures before it are\n"
           "                     skipped, those after it are shown as in the whole show\n"
           "  --help             display this help and exit\n"
           "  --version          output version information and exit\n"
           "\n"
           "Without a window (no display) the pictures are drawn off-screen, the titles still\n"
           "reach the terminal and --watch changes nothing.\n"
           "\n"
           "Exit status:\n"
           "  0    the show ended, or its window was closed\n"
           "  2    a bad option\n"
           "  101  the titles could not be written to the terminal\n"
           "  129  the terminal was closed (hang-up)\n"
           "  130  stopped by Ctrl+C (or Ctrl+Break on Windows)\n"
           "  131  stopped by Ctrl+\\ (quit), 143 when terminated by a signal (Linux)\n"
           "  200  run-time error: division by zero\n"
           "  201  run-time error: range check (a number or table index out of its range)\n"
           "  205  run-time error: floating-point overflow\n"
           "  207  run-time error: invalid floating-point operation\n"
           "  215  run-time error: integer overflow\n";
}
