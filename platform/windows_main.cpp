// surfplot.exe and surfkit.exe: the show, with no arguments, in a window
// beside the console it was started from.
#include "frame/frame.hpp"
#include "model/checks.hpp"
#include "platform/windows_platform.hpp"

int main()
{
    install_float_checks();
    static WindowsPlatform windows;
    windows.start();
    set_platform(&windows);
    run_show();
    windows.finish();
    return 0;
}
