// surfplot.exe and surfkit.exe: the show in a window beside the console it
// was started from; see --help for the options.
#include <optional>

#include "frame/frame.hpp"
#include "frame/show_options.hpp"
#include "platform/windows/windows_platform.hpp"
#include "runtime/checks.hpp"

int main(int argc, char** argv)
{
    // The whole command line is read before the console or a window is touched.
    ShowOptions options;
    if (const std::optional<int> answered = read_show_options(argc, argv, options)) return *answered;
    install_float_checks();
    static WindowsPlatform windows;
    windows.start();
    set_platform(&windows);
    run_show(options);
    end_program(0, {}, EndingFrom::program);
}
