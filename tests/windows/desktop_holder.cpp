// Starts Wine's desktop ahead of a program under test and holds it until
// that program has its window.  Left to start the desktop with its first
// window, a program under Wine on a loaded machine now and then got no
// window at all, although the desktop process came up; with the desktop
// started first and waited for, it always got one.  It prints "ready" once
// a window can be made, then waits to be stopped, keeping no window
// meanwhile: the desktop ends after the program, so that each program meets
// a fresh one (a desktop kept over several programs gave later ones keys
// meant for earlier ones).
#include <cstdio>
#include <windows.h>

namespace {

constexpr DWORD desktop_start_limit_ms = 300000;

int fail(const char* what)
{
    std::fprintf(stderr, "desktop_holder: %s (error %lu)\n", what, GetLastError());
    return 1;
}

// As Wine starts it: detached, in the Windows folder.
bool start_desktop()
{
    wchar_t folder[MAX_PATH] = {};
    if (!GetWindowsDirectoryW(folder, MAX_PATH)) return false;
    wchar_t command[] = L"explorer.exe /desktop";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION desktop{};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, folder, &startup,
                        &desktop))
        return false;
    // Idle once it waits for its first message.  One that ends at once
    // found a desktop already there, which serves as well.
    const DWORD idle = WaitForInputIdle(desktop.hProcess, desktop_start_limit_ms);
    const bool ended = WaitForSingleObject(desktop.hProcess, 0) == WAIT_OBJECT_0;
    CloseHandle(desktop.hThread);
    CloseHandle(desktop.hProcess);
    return idle == 0 || ended;
}

}  // namespace

int main()
{
    if (!start_desktop()) return fail("the desktop did not start");
    HWND window = CreateWindowExW(0, L"STATIC", L"desktop holder", 0, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) return fail("no window can be made on the desktop");
    DestroyWindow(window);
    std::puts("ready");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
