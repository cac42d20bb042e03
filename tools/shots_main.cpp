// surfplot-shots / surfkit-shots: the show's twelve pictures as PNG files.
#include <csignal>
#include <cstdio>
#include <string>

#include "model/checks.hpp"
#include "tools/lib/shots.hpp"

int main(int argc, char** argv)
{
    const std::string program = argc > 0 ? argv[0] : "surfplot-shots";
    const std::string name = program.substr(program.find_last_of('/') + 1);
    ShotsOptions options;
    options.program = name;
    bool help = false;
    std::string error;
    if (!parse_shots_arguments(argc, argv, options, help, error)) {
        std::fprintf(stderr, "%s: %s (try --help)\n", name.c_str(), error.c_str());
        return 2;
    }
    if (help) {
        std::fputs(shots_usage(name).c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    if (!prepare_folder(options.folder, options.created_folders, error)) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    install_float_checks();
    return run_shots(options);
}
