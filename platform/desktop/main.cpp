// surfplot and surfkit: the show in a window beside the terminal it was
// started from; see --help for the options.
#include <csignal>
#include <optional>

#include "frame/frame.hpp"
#include "frame/show_options.hpp"
#include "platform/desktop/desktop_platform.hpp"
#include "runtime/checks.hpp"

int main(int argc, char** argv)
{
    // The whole command line is read before the terminal or a window is touched.
    ShowOptions options;
    if (const std::optional<int> answered = read_show_options(argc, argv, options)) return *answered;
    // A closed output pipe must become run-time error 101, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    install_float_checks();
    static DesktopPlatform desktop;
    desktop.start();
    set_platform(&desktop);
    run_show(options);
    end_program(0, {}, EndingFrom::program);
}
