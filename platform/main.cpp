// surfplot and surfkit: the show, with no arguments, in a window beside the
// terminal it was started from.
#include <csignal>

#include "frame/frame.hpp"
#include "platform/desktop_platform.hpp"
#include "runtime/checks.hpp"

int main()
{
    // A closed output pipe must become run-time error 101, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    install_float_checks();
    static DesktopPlatform desktop;
    desktop.start();
    set_platform(&desktop);
    run_show();
    end_program(0, {}, EndingFrom::program);
}
