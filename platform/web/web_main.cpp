// surfplot and surfkit in a web page: the page passes its address's
// settings (?watch=, ?from=) as the command line.
#include <optional>

#include "frame/frame.hpp"
#include "frame/show_options.hpp"
#include "platform/web/web_platform.hpp"
#include "runtime/checks.hpp"

int main(int argc, char** argv)
{
    ShowOptions options;
    if (const std::optional<int> answered = read_show_options(argc, argv, options)) return *answered;
    install_float_checks();
    static WebPlatform web;
    set_platform(&web);
    run_show(options);
    end_program(0, {}, EndingFrom::program);
}
