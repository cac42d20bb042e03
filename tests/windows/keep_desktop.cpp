// Holds Wine's desktop while it runs.  Wine ends its desktop process a
// moment after the last program with a window has gone, and a window opened
// meanwhile goes down with it; a program that keeps a window (message-only:
// nothing shows) keeps the desktop for the window tests' whole session.
// Ends when its standard input ends.
#include <cstdio>
#include <windows.h>

int main()
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!window) return 1;
    std::printf("holding the desktop\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    DestroyWindow(window);
    return 0;
}
