// The Windows console: the text window painted cell by cell into the
// console's visible window, and keys read from console input with no echo
// and no line mode.  Everything changed is given back by restore().
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <windows.h>

#include "gfx/platform.hpp"
#include "platform/terminal/terminal_screen.hpp"

class Win32Console {
public:
    // Takes the console, when there is one; its visible window becomes the
    // console's text window.
    void take();
    // Gives back the console's mode and colours, then writes the held
    // lines on standard error; from any thread, more than once.
    void restore();
    // A line for standard error: while the console paints its text window
    // the line waits until restore(), so that it is neither painted over
    // nor put among the console's text.
    void tell(std::string_view line);

    bool has_output() const { return output_ != nullptr; }
    // Console input to wait on; null when the input is not a console.
    HANDLE input() const { return input_; }
    bool size(int& columns, int& rows) const;
    bool clear(const ConsoleState& state);
    bool write_line(std::string_view cp437_text, ConsoleState& state);

private:
    bool paint(const ConsoleState& state, RowRange rows);

    HANDLE input_ = nullptr, output_ = nullptr;
    DWORD input_mode_ = 0;
    WORD attribute_ = 0x07;
    SHORT origin_column_ = 0, origin_row_ = 0;  // the visible window's top-left in the buffer
    int columns_ = 0, rows_ = 0;
    // restore() may come from the console's control thread while the main
    // thread paints or tells: the state below is changed under this lock
    // (recursive: an ending may start inside the console's own work).
    mutable std::recursive_mutex lock_;
    bool taken_ = false;
    std::string held_;  // lines for standard error, told at restore()
    TextScreen screen_;
};
