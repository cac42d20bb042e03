// The platform of a real desktop: the graphics window beside the terminal
// the program was started from.  Keys come from both; the console paints
// its text window on the terminal (or writes plain lines when the output is
// not a terminal); without a display the picture is drawn off-screen at
// 640 x 480, the keys come from the terminal alone, and one line on
// standard error says why there is no window.
#pragma once

#include <cstdint>
#include <deque>
#include <thread>

#include "gfx/platform.hpp"
#include "platform/desktop/sdl_window.hpp"
#include "platform/terminal/terminal_input.hpp"
#include "platform/terminal/terminal_screen.hpp"

class DesktopPlatform final : public Platform {
public:
    // An exit from elsewhere (a library's fatal error) still stops the reader.
    ~DesktopPlatform() override;
    // Takes the terminal; call before the show, then make it the active platform.
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
    bool paint_console(const ConsoleState& state, RowRange rows);
    // Both wait until a key is in keys_; false when none can come.
    bool wait_without_window();
    bool wait_with_window();
    void handle(const SDL_Event& event);
    void handle_reader_message(const SDL_UserEvent& message);
    void start_reader();
    void stop_reader();
    void read_terminal_keys();
    void pass_to_window(InputEvent event, KeyPress key);
    [[noreturn]] void end_show();

    SdlWindow window_;
    TextScreen screen_;
    TerminalInput input_;
    std::thread reader_;            // terminal keys into the window's event queue
    std::uint32_t reader_event_ = 0;
    std::deque<KeyPress> keys_;     // pressed, not yet handed out
    ConsoleState console_;          // as last painted, to paint again after a resume
    bool told_no_window_ = false;   // the reason is said once
};
