// The terminal the program runs in.  While the show runs, keys come from it
// one by one without echo (Ctrl+C and Ctrl+Z still signal); at every end
// (normal, run-time error, an ending signal) and while the program is
// stopped, the terminal is given back as it was found: line mode and echo,
// default colours, no scroll region, the cursor below the text window and
// the show's text left on the screen.  In the background (after `bg`, or
// started with `&`) the terminal is the shell's: the program reads no keys
// there, paints nothing and leaves the modes alone.
#pragma once

#include <string_view>

// Takes the terminal and installs the signal handlers that give it back.
// Call once, before the console is used.
void take_terminal();

bool input_is_terminal();
bool output_is_terminal();
// The output terminal's size in characters; false when it has none.
bool output_terminal_size(int& columns, int& rows);
// Writes all the bytes to standard output; false when it cannot take them.
bool write_output(std::string_view bytes);

// True while another job (the shell) has the terminal's foreground.
bool terminal_in_background();
// Back in the foreground: the key mode again.  A running job that `fg`
// brings back gets no signal, so the waiters look while in the background.
void resume_key_mode();
// Before each paint: true when the console may paint the terminal now (the
// program is in its foreground); the screen is then the console's until
// the next stop, and the end's cursor move is due.
bool claim_screen();

// Before the console first paints the screen: what is on it goes up into
// the terminal's scrollback, so that nothing of the user's is overwritten.
bool clear_room_on_screen();
// Where the console's text window ends and its cursor is (screen rows):
// at the end the cursor goes below the window, or, when the window reaches
// the screen's last row, below the text.
void note_text_window(int bottom_row, int cursor_row);

// A line for standard error.  When that is the terminal the console
// paints, the line waits until the terminal is first given back (a stop or
// the end), so that it neither lands among the console's text nor is
// painted over; lines told meanwhile wait together.
void tell_on_error_output(std::string_view line);

// Gives the terminal back for good; safe in a signal handler and more than once.
void give_back_terminal();

// Readable when the program has been resumed after a stop, or when a
// waiter is woken; drain it with drain_wake_fd.
int terminal_wake_fd();
void drain_wake_fd();
void wake_terminal_waiters();
// True once after each resume: the console's text must be painted again.
bool take_resumed();
