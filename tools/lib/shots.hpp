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
    std::vector<std::string> created_folders;  // made by this run, outermost first
};

// Reads the command line; false with a one-line `error` on a bad argument.
// `line` tells whether --help or --version was asked for.
bool parse_shots_arguments(int argc, char** argv, ShotsOptions& options, CommandLine& line, std::string& error);

// The usage text, for --help and for errors.
std::string shots_usage(const std::string& program);

// Creates the folder when missing and checks that it can be written; the
// levels it made are added to `created` (and removed again on failure).
bool prepare_folder(const std::string& folder, std::vector<std::string>& created, std::string& error);
// Removes the folders a failed run made, innermost first, if still empty.
void remove_created_folders(std::vector<std::string>& created);

// Runs the show, writing 01.png ... 12.png under temporary names and
// renaming them only when all twelve are written; the title lines go to
// standard output.  A failure removes what the run wrote and made, says
// so in one line and exits with 2.  Returns the process exit code.
int run_shots(const ShotsOptions& options);
