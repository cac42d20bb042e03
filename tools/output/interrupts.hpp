// Ctrl+C (SIGINT; on Windows Ctrl+Break too), kill (SIGTERM) and a closed
// terminal (SIGHUP; on Windows a closed console) end an export or a compare
// like a failure: what the run wrote and the folders it made are removed,
// then it exits with 128 + the signal's number (130, 143, 129).  The clean-up runs on a thread of its own, never inside a signal
// handler, under one lock that the runs hold while they create, rename or
// remove files: it never sees a half-made change.
#pragma once

#include <functional>
#include <mutex>

// Call first in main, before any other thread starts: the signals are
// taken by a thread of their own, and a closed output pipe becomes a failed
// write.
void handle_interrupts();

// Held while files are created, renamed or removed and while the clean-up runs.
std::recursive_mutex& file_change_lock();

// A line for standard error, said after the clean-ups when `always` or when
// one of them has undone a change that was in place: output printed
// meanwhile (titles, a report) then tells of files that are not there.  An
// empty line says nothing.
void set_interrupt_note(const std::string& line, bool always = false);
// Called by a clean-up that has undone such a change.
void interrupt_undid_change();

// A clean-up for an interrupt, while registered; run under file_change_lock().
class InterruptCleanup {
public:
    explicit InterruptCleanup(std::function<void()> cleanup);
    ~InterruptCleanup();
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

    // Runs every registered clean-up, as an interrupt does (for tests).
    static void run_all();

private:
    std::function<void()> cleanup_;
};
