// The terminal's modes, its output, and the signals around them.  The
// signal handlers use only async-signal-safe calls on state set up before
// they are installed.
#include "platform/terminal/terminal.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "runtime/checks.hpp"

namespace {

constexpr int input_fd = STDIN_FILENO;
constexpr int output_fd = STDOUT_FILENO;

termios original_modes{};
bool input_terminal = false;
bool output_terminal = false;
volatile std::sig_atomic_t modes_changed = 0;  // the input terminal is in key mode
volatile std::sig_atomic_t screen_used = 0;    // the console has painted the screen
volatile std::sig_atomic_t screen_ours = 0;    // the screen shows the console since the last stop
volatile std::sig_atomic_t given_back = 0;     // for good: no resume takes it again
volatile std::sig_atomic_t window_bottom = 25;
volatile std::sig_atomic_t text_cursor_row = 1;
std::atomic<bool> resumed{false};
char held_line[512];                               // for standard error at the give-back
volatile std::sig_atomic_t held_line_size = 0;
int wake_pipe[2] = {-1, -1};

constexpr int ending_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

bool write_all(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Bytes into a fixed buffer, for use in signal handlers.
struct SequenceBuffer {
    char bytes[96];
    std::size_t size = 0;
    void add(const char* text)
    {
        while (*text && size < sizeof bytes) bytes[size++] = *text++;
    }
    void add(int number)
    {
        char digits[12];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number > 0 && count < 11);
        while (count > 0 && size < sizeof bytes) bytes[size++] = digits[--count];
    }
};

int screen_rows()
{
    winsize size{};
    if (ioctl(output_fd, TIOCGWINSZ, &size) == 0 && size.ws_row > 0) return size.ws_row;
    return window_bottom;
}

// tcgetpgrp is async-signal-safe; without a terminal there is no background.
bool in_foreground(int fd)
{
    const pid_t group = tcgetpgrp(fd);
    return group == -1 || group == getpgrp();
}

void enter_key_mode()
{
    termios modes = original_modes;
    // Enter gives 13, Ctrl+S and Ctrl+Q are keys; Ctrl+C and Ctrl+Z still signal.
    modes.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON);
    modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | IEXTEN);
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    if (tcsetattr(input_fd, TCSANOW, &modes) == 0) modes_changed = 1;
}

// Colours and scroll region reset, the cursor on a fresh line below the
// text window (where the window fills the screen: below its text, the
// empty rows after it in the default colours), line mode and echo back.
// Only what is still the program's: a screen the shell has written on
// since a stop keeps its cursor, and a background job touches nothing.
void release_terminal()
{
    if (screen_ours && in_foreground(output_fd)) {
        SequenceBuffer sequence;
        sequence.add("\x1b[0m\x1b[r\x1b[");
        const int below = window_bottom + 1;
        const bool room_below = below <= screen_rows();
        sequence.add(room_below ? below : text_cursor_row);
        sequence.add(room_below ? ";1H" : ";1H\x1b[J");
        write_all(output_fd, sequence.bytes, sequence.size);
    }
    screen_ours = 0;
    if (modes_changed && in_foreground(input_fd)) tcsetattr(input_fd, TCSANOW, &original_modes);
    modes_changed = 0;
    if (const std::size_t held = static_cast<std::size_t>(held_line_size)) {
        held_line_size = 0;
        write_all(STDERR_FILENO, held_line, held);
    }
}

void wake()
{
    const char byte = 1;
    if (wake_pipe[1] >= 0) (void)!write(wake_pipe[1], &byte, 1);
}

void on_ending_signal(int signal_number) { end_program(128 + signal_number, {}, EndingFrom::handler); }

void install(int signal_number, void (*handler)(int));

void on_stop_signal(int)
{
    const int saved_errno = errno;
    if (!given_back) release_terminal();
    // Stop for real; the handler is back once the program continues.
    std::signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    pthread_sigmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    install(SIGTSTP, on_stop_signal);
    errno = saved_errno;
}

void on_continue_signal(int)
{
    const int saved_errno = errno;
    // Only the foreground may set the terminal's modes; after `bg` the
    // waiters take them once `fg` has brought the program back.
    resume_key_mode();
    resumed = true;
    wake();
    errno = saved_errno;
}

void install(int signal_number, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int blocked : ending_signals) sigaddset(&action.sa_mask, blocked);
    sigaddset(&action.sa_mask, SIGTSTP);
    sigaddset(&action.sa_mask, SIGCONT);
    action.sa_flags = SA_RESTART;
    sigaction(signal_number, &action, nullptr);
}

void open_wake_pipe()
{
    if (pipe(wake_pipe) != 0) return;
    for (int fd : wake_pipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
}

}  // namespace

void take_terminal()
{
    input_terminal = isatty(input_fd) == 1;
    output_terminal = isatty(output_fd) == 1;
    open_wake_pipe();
    if (input_terminal && tcgetattr(input_fd, &original_modes) != 0) input_terminal = false;
    for (int signal_number : ending_signals) install(signal_number, on_ending_signal);
    install(SIGTSTP, on_stop_signal);
    install(SIGCONT, on_continue_signal);
    set_signal_safe_closing_work(give_back_terminal);
    // An exit from elsewhere (a library giving up) gives it back as well.
    std::atexit(give_back_terminal);
    resume_key_mode();
}

bool input_is_terminal() { return input_terminal; }
bool output_is_terminal() { return output_terminal; }

bool output_terminal_size(int& columns, int& rows)
{
    winsize size{};
    if (!output_terminal || ioctl(output_fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0)
        return false;
    columns = size.ws_col;
    rows = size.ws_row;
    return true;
}

bool write_output(std::string_view bytes) { return write_all(output_fd, bytes.data(), bytes.size()); }

bool terminal_in_background()
{
    return (input_terminal && !in_foreground(input_fd)) || (output_terminal && !in_foreground(output_fd));
}

void resume_key_mode()
{
    if (!given_back && input_terminal && !modes_changed && in_foreground(input_fd)) enter_key_mode();
}

bool claim_screen()
{
    if (!output_terminal || given_back || !in_foreground(output_fd)) return false;
    screen_ours = 1;
    return true;
}

bool clear_room_on_screen()
{
    if (screen_used) return true;
    screen_used = 1;
    SequenceBuffer sequence;
    const int rows = screen_rows();
    sequence.add("\x1b[0m\x1b[");
    sequence.add(rows);
    sequence.add(";1H");
    if (!write_all(output_fd, sequence.bytes, sequence.size)) return false;
    for (int row = 0; row < rows; ++row)
        if (!write_all(output_fd, "\n", 1)) return false;
    return true;
}

void note_text_window(int bottom_row, int cursor_row)
{
    window_bottom = bottom_row;
    text_cursor_row = cursor_row;
}

void tell_on_error_output(std::string_view line)
{
    struct stat error_output {}, output {};
    const bool shared = output_terminal && isatty(STDERR_FILENO) == 1 && fstat(STDERR_FILENO, &error_output) == 0 &&
                        fstat(output_fd, &output) == 0 && error_output.st_rdev == output.st_rdev;
    if (!shared || given_back) {
        write_all(STDERR_FILENO, line.data(), line.size());
        return;
    }
    // Lines told before the give-back wait together, in order.
    const std::size_t held = static_cast<std::size_t>(held_line_size);
    const std::size_t size = std::min(line.size(), sizeof held_line - held);
    std::copy_n(line.data(), size, held_line + held);
    held_line_size = static_cast<std::sig_atomic_t>(held + size);
}

void give_back_terminal()
{
    if (given_back) return;
    given_back = 1;
    release_terminal();
}

int terminal_wake_fd() { return wake_pipe[0]; }

void drain_wake_fd()
{
    char bytes[64];
    while (wake_pipe[0] >= 0 && read(wake_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

void wake_terminal_waiters() { wake(); }

bool take_resumed() { return resumed.exchange(false); }
