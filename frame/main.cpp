// surfplot and surfkit: the show, with no arguments.
#include <csignal>

#include "frame/frame.hpp"

int main()
{
    // A closed output pipe must become run-time error 101, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    install_float_checks();
    run_show();
    return 0;
}
