// The platform of a Windows desktop: the graphics window beside the console
// the program was started from.  Keys come from both into one queue; the
// console paints its text window (or writes plain UTF-8 lines when the
// output is a file or a pipe); with input from a file or a pipe, its bytes
// are the keys.  Ctrl+C and Ctrl+Break stop the show with exit code 130,
// closing the window ends it with 0, closing the console with 129.
#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <windows.h>

#include "gfx/platform.hpp"
#include "platform/windows/windows_console.hpp"
#include "platform/windows/windows_window.hpp"

class WindowsPlatform final : public Platform {
public:
    // Takes the console; call before the show, then make it the active platform.
    void start();

    bool open_window(int& width, int& height) override;
    void show_picture(const PictureView& picture, const Palette& palette, const PixelRange& changed) override;
    void close_window() override;
    bool window_shown() override { return window_.is_open(); }
    void set_window_title(std::string_view utf8) override { window_.set_title(utf8); }
    bool key_pressed_before(std::chrono::steady_clock::time_point deadline) override;
    void tell(std::string_view line) override;
    bool terminal_size(int& columns, int& rows) override;
    void clear_text_window(const ConsoleState& state) override;
    bool write_line(std::string_view cp437_text, ConsoleState& state) override;
    bool wait_key(KeyPress& key) override;
    void restore_terminal() override;

private:
    bool wait_for_keys();
    // One wait for keys, messages or a wake-up, at most `milliseconds`;
    // false when no key can come any more.
    bool wait_once(DWORD milliseconds);
    bool keys_can_come();
    void take_piped_keys();
    void read_console_keys();
    void start_pipe_reader();

    Win32Window window_;
    Win32Console console_;
    std::deque<KeyPress> keys_;      // pressed, not yet handed out
    HANDLE wake_ = nullptr;          // set by the pipe reader
    std::mutex piped_lock_;          // guards the two below
    std::deque<KeyPress> piped_;     // bytes of piped input, not yet taken
    bool pipe_open_ = false;         // more piped bytes can come
    bool told_no_window_ = false;    // the reason is said once
};
