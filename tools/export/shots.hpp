// The headless export: the very same show on the off-screen picture, with a
// PNG written at each key wait instead of waiting.
#pragma once

#include <string>
#include <vector>

#include "frame/command_line.hpp"

struct ShotsOptions {
    int width = 640;
    int height = 480;
    std::string folder = "shots";
    std::string program = "surfplot-shots";  // for messages
    // Titles printed as the pictures are drawn (a grader's timer follows
    // them), not kept until all twelve are in place.
    bool progress = false;
};

// Reads the command line; false with a one-line `error` on a bad argument.
// `line` tells whether --help or --version was asked for.
bool parse_shots_arguments(int argc, char** argv, ShotsOptions& options, CommandLine& line, std::string& error);

// The usage text, for --help and for errors.
std::string shots_usage(const std::string& program);

// "01.png" ... "12.png".
std::string shot_file_name(int number);

// Runs the show into the output folder (created when missing, taken from
// any other run first), writing 01.png ... 12.png aside and putting all
// twelve in place at once; the title lines go to standard output then.  A
// failure removes what the run wrote and made, says so in one line and
// exits with 2.  Returns the process exit code.
int run_shots(const ShotsOptions& options);
