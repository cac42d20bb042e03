// Waiting for keys on standard input, with the wake pipe beside it so that
// a resume after a stop, or another thread, can end the wait.
#include "platform/terminal/terminal_input.hpp"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

#include "platform/terminal/terminal.hpp"

namespace {

// How long the rest of an escape sequence may take before the Esc counts alone.
constexpr int escape_wait_ms = 100;
// How often a background program looks whether `fg` has brought it back.
constexpr int background_check_ms = 200;

// Continued after a stop, or in the foreground again after the background:
// the console must be painted again (in the background it is not).
bool came_back(bool was_away)
{
    const bool resumed = take_resumed();
    if (terminal_in_background()) return false;
    if (was_away) resume_key_mode();
    return resumed || was_away;
}

}  // namespace

InputEvent TerminalInput::wait(KeyPress& key)
{
    for (;;) {
        if (!bytes_.empty()) {
            key = bytes_.front();
            bytes_.pop_front();
            return InputEvent::key;
        }
        if (decoder_.next(key)) return InputEvent::key;
        if (ended_) return InputEvent::ended;
        // In the background the terminal's keys are the shell's (poll would
        // show them, and a read would stop the program).
        const bool away = terminal_in_background();
        const bool read_input = !(away && input_is_terminal());
        pollfd fds[2] = {{read_input ? STDIN_FILENO : -1, POLLIN, 0}, {terminal_wake_fd(), POLLIN, 0}};
        const int timeout = away ? background_check_ms : decoder_.waiting_for_more() ? escape_wait_ms : -1;
        const int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR) {
            end();
            continue;
        }
        if (ready == 0) decoder_.finish_pending();
        if (ready > 0 && fds[1].revents != 0) drain_wake_fd();
        if (stop_requested_.exchange(false)) return InputEvent::woken;
        if (came_back(away)) return InputEvent::resumed;
        if (ready > 0 && fds[0].revents != 0) read_some();
    }
}

InputEvent TerminalInput::wait_after_end()
{
    for (;;) {
        const bool away = terminal_in_background();
        pollfd wake{terminal_wake_fd(), POLLIN, 0};
        if (poll(&wake, 1, away ? background_check_ms : -1) > 0) drain_wake_fd();
        if (stop_requested_.exchange(false)) return InputEvent::woken;
        if (came_back(away)) return InputEvent::resumed;
    }
}

void TerminalInput::stop_waiting()
{
    stop_requested_ = true;
    wake_terminal_waiters();
}

void TerminalInput::read_some()
{
    unsigned char bytes[64];
    // From a pipe, one byte per key: a key is one byte there.
    const bool terminal = input_is_terminal();
    const ssize_t got = read(STDIN_FILENO, bytes, terminal ? sizeof bytes : 1);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (got <= 0) {
        end();
        return;
    }
    for (ssize_t i = 0; i < got; ++i) {
        if (terminal)
            decoder_.feed(bytes[i]);
        else
            bytes_.push_back({bytes[i], 0});
    }
}

void TerminalInput::end()
{
    ended_ = true;
    decoder_.finish_pending();
}
