// surfplot-shots / surfkit-shots: the show's twelve pictures as PNG files.
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include "runtime/checks.hpp"
#include "tools/lib/shots.hpp"

int main(int argc, char** argv)
{
    const std::string name = program_name(argc, argv, "surfplot-shots");
    ShotsOptions options;
    options.program = name;
    CommandLine line;
    std::string error;
    parse_shots_arguments(argc, argv, options, line, error);
    if (const std::optional<int> answered = answer_command_line({name, shots_usage(name)}, line, error))
        return *answered;
    if (!prepare_folder(options.folder, options.created_folders, error)) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
        return 2;
    }
#ifdef SIGPIPE  // Windows has none: a closed pipe is a failed write there
    std::signal(SIGPIPE, SIG_IGN);
#endif
    install_float_checks();
    return run_shots(options);
}
