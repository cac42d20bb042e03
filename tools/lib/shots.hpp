// The headless export: the very same show on the off-screen picture, with a
// PNG written at each key wait instead of waiting.
#pragma once

#include <string>

#include "frame/command_line.hpp"

struct ShotsOptions {
    int width = 640;
    int height = 480;
    std::string folder = "shots";
    std::string program = "surfplot-shots";  // for messages
};

// Reads the command line; false with a one-line `error` on a bad argument.
// `line` tells whether --help or --version was asked for.
bool parse_shots_arguments(int argc, char** argv, ShotsOptions& options, CommandLine& line, std::string& error);

// The usage text, for --help and for errors.
std::string shots_usage(const std::string& program);

// Creates the folder when missing and checks that it can be written.
bool prepare_folder(const std::string& folder, std::string& error);

// Runs the show, writing 01.png ... 12.png; the title lines go to standard
// output.  Returns the process exit code.
int run_shots(const ShotsOptions& options);
