// Text on a Windows console.  The programs write UTF-8, their code page by
// their manifest (platform/windows/windows_utf8.manifest), and a console shows the
// bytes written to it in its own output code page: while the program runs,
// that is UTF-8.  The C library writes an unbuffered stream to a console a
// byte at a time, which the console cannot read as UTF-8: standard output
// and error get a buffer there, flushed at every ending and by each
// message's writer.  The console's own code page is given back when the
// process ends, however it ends (returning from main, exit, _exit, the
// system's handling of Ctrl+C): the loader calls the program's thread-local
// storage callback at every ExitProcess.
#include "runtime/console_text_windows.hpp"

#include <cstdio>
#include <utility>
#include <windows.h>

namespace {

UINT given_code_page = 0;  // the console's, to give back; 0 when not taken

bool is_console(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    return handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void NTAPI at_process_event(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_PROCESS_DETACH) give_back_console_code_page();
}

}  // namespace

// (.CRT$XL* holds the callbacks that the C runtime's TLS directory lists)
extern "C" __attribute__((section(".CRT$XLY"), used)) const PIMAGE_TLS_CALLBACK surf_console_code_page_callback =
    at_process_event;

void write_utf8_to_console()
{
    const bool output = is_console(STD_OUTPUT_HANDLE), error = is_console(STD_ERROR_HANDLE);
    if (output) std::setvbuf(stdout, nullptr, _IOFBF, 1 << 14);
    if (error) std::setvbuf(stderr, nullptr, _IOFBF, 1 << 14);
    if (!output && !error) return;
    const UINT own = GetConsoleOutputCP();
    if (own != 0 && own != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) given_code_page = own;
}

void give_back_console_code_page()
{
    if (given_code_page) SetConsoleOutputCP(std::exchange(given_code_page, 0u));
}
