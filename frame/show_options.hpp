// The options of the show, the same for surfplot and surfkit: watch each
// picture grow, and start at a later picture.  With none, the show runs as
// it always has.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct ShowOptions {
    double watch_seconds = 0;  // each picture drawn over this long; 0: at once
    int from = 1;              // the first picture shown, 1..12
};

constexpr double default_watch_seconds = 3;
constexpr double min_watch_seconds = 0.1, max_watch_seconds = 60;

// The program's name and what it is, one line; surfplot and surfkit each
// define these with their renderers.
extern const std::string_view program_title;
extern const std::string_view program_summary;

// Reads the command line.  Nothing when the show should run with `options`;
// otherwise the exit code after --help, --version or a one-line error.
std::optional<int> read_show_options(int argc, char** argv, ShowOptions& options);

// The --help text.
std::string show_usage(std::string_view program);
