// Interrupts end the run through the registered clean-ups.
#include "tools/output/interrupts.hpp"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <pthread.h>
#include <unistd.h>
#endif

namespace {

std::vector<InterruptCleanup*>& registered()
{
    static std::vector<InterruptCleanup*> cleanups;
    return cleanups;
}

#ifdef _WIN32
void write_error_line(const std::string& line) { _write(2, line.data(), static_cast<unsigned>(line.size())); }
#else
// (not through stderr's FILE: the thread that was stopped may hold its lock)
void write_error_line(const std::string& line)
{
    if (::write(2, line.data(), line.size()) < 0) return;
}
#endif

struct Note {
    std::string line;
    bool due = false;  // a clean-up undid a change
};

Note& note()
{
    static Note note;
    return note;
}

// Never returns: the lock stays held, so that no file changes after the clean-up.
[[noreturn]] void end_run(int signal_number)
{
    file_change_lock().lock();
    InterruptCleanup::run_all();
    // (said once everything is back: standard error may be slow to take it)
    const Note& said = note();
    if (said.due && !said.line.empty()) write_error_line(said.line);
    std::_Exit(128 + signal_number);
}

#ifdef _WIN32
// Windows runs a console handler on a thread of its own already.  Ctrl+C
// and Ctrl+Break are an interrupt (130), as in the show; a closed console
// window, a log-off or a shut-down a hang-up (129).
BOOL WINAPI on_console_control(DWORD event)
{
    end_run(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : 1);
}
extern "C" void on_signal(int signal_number) { end_run(signal_number); }
#endif

}  // namespace

std::recursive_mutex& file_change_lock()
{
    static std::recursive_mutex lock;
    return lock;
}

void set_interrupt_note(const std::string& line, bool always)
{
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    note().line = line;
    note().due = note().due || always;
}

void interrupt_undid_change()
{
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    note().due = true;
}

InterruptCleanup::InterruptCleanup(std::function<void()> cleanup) : cleanup_(std::move(cleanup))
{
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    registered().push_back(this);
}

InterruptCleanup::~InterruptCleanup()
{
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    auto& cleanups = registered();
    cleanups.erase(std::remove(cleanups.begin(), cleanups.end(), this), cleanups.end());
}

void InterruptCleanup::run_all()
{
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    // Newest first: a run's files go before the folders they are in.
    auto& cleanups = registered();
    for (auto cleanup = cleanups.rbegin(); cleanup != cleanups.rend(); ++cleanup) (*cleanup)->cleanup_();
}

#ifdef _WIN32

void handle_interrupts()
{
    // (not through signal(): the C runtime gives Ctrl+Break and a closed
    // console the same signal)
    SetConsoleCtrlHandler(on_console_control, TRUE);
    std::signal(SIGTERM, on_signal);
}

#else

void handle_interrupts()
{
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal_number);
    // Blocked here, so in every thread started later; only the waiter takes them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int signal_number = 0;
        while (sigwait(&signals, &signal_number) != 0) {
        }
        end_run(signal_number);
    }).detach();
}

#endif
