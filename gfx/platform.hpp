// What the drawing and console service needs from its surroundings: a window
// that shows the picture, a terminal for the console, and a source of keys.
// The service owns the picture and the console state; a platform only shows
// them and delivers keys.  Exactly one platform is active at a time.
#pragma once

#include <chrono>
#include <string_view>

#include "gfx/picture.hpp"

struct KeyPress {
    unsigned char character;  // 0 for a key without a character
    unsigned char scan_code;  // PC scan code, read by the next ReadKey
};

// The console state a platform shows (1-based text window, inclusive).
struct ConsoleState {
    int left = 1, top = 1, right = 80, bottom = 25;
    int cursor_column = 1, cursor_row = 1;  // relative to the text window
    unsigned char attribute = 0x07;         // low nibble foreground, high background
};

class Platform {
public:
    virtual ~Platform() = default;

    // --- graphics window ---
    // Opens the window and gives its drawing area; false when no window can
    // be opened (the service then draws off-screen at the size given back).
    virtual bool open_window(int& width, int& height) = 0;
    // The picture is complete; show it (at least the changed part) in the
    // palette's colours.  Until the next call or close_window the platform
    // may show it again from `picture` whenever the window system asks.
    virtual void show_picture(const PictureView& picture, const Palette& palette, const PixelRange& changed) = 0;
    virtual void close_window() = 0;
    // True while a window shows the picture (false when none could open).
    virtual bool window_shown() { return false; }
    // The window's title bar, in UTF-8.
    virtual void set_window_title(std::string_view) {}
    // Keeps the window alive until `deadline` or the next key press, and
    // says whether a key came; the keys are used up, they are not for
    // ReadKey.  For watching a picture grow.
    virtual bool key_pressed_before(std::chrono::steady_clock::time_point) { return false; }

    // --- console ---
    // The terminal's size in characters; false when there is no terminal.
    virtual bool terminal_size(int& columns, int& rows) = 0;
    virtual void clear_text_window(const ConsoleState& state) = 0;
    // Writes one line of code-page-437 bytes at the cursor and ends it;
    // false when the output cannot take it.  May move the cursor in `state`.
    virtual bool write_line(std::string_view cp437_text, ConsoleState& state) = 0;
    // Blocks until a key is pressed; false when no key can come any more.
    virtual bool wait_key(KeyPress& key) = 0;
    // Puts the terminal back as it was found; safe to call more than once.
    virtual void restore_terminal() = 0;
    // A line (with its line end) for the user on standard error, outside
    // the console.
    virtual void tell(std::string_view line);
};

// Makes `platform` the active one (not owned); nullptr restores the built-in
// plain platform: no window (640 x 480 off-screen), keys as bytes of
// standard input, console lines as UTF-8 on standard output.
void set_platform(Platform* platform);
Platform& active_platform();

// The console's text window, cursor and attribute; reset_console puts them
// back to their start (light grey on black, the 80 x 25 window).
const ConsoleState& console_state();
void reset_console();
// The text window becomes the whole terminal of columns x rows, as it is
// before any Window call; for a platform that knows its terminal's size.
void fit_console_to_terminal(int columns, int rows);

// The plain platform's pieces, for platforms that build on them: a console
// line as UTF-8 on standard output, and a key as one byte of standard input.
bool write_plain_line(std::string_view cp437_text);
bool read_plain_key(KeyPress& key);
