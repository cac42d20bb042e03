// The platform of the web page: the picture in the page's canvas, the text
// console in its panel, keys and clicks from the page.  The page (index.html)
// owns the canvas, the panel and the queue of input; the functions it offers
// are in web_page.js.  Waiting for input suspends the program and returns to
// the browser, which then uses no processor time until a key or a click.
#pragma once

#include <deque>

#include "gfx/platform.hpp"
#include "platform/terminal/terminal_screen.hpp"

class WebPlatform final : public Platform {
public:
    bool open_window(int& width, int& height) override;
    void show_picture(const PictureView& picture, const Palette& palette, const PixelRange& changed) override;
    void close_window() override;
    bool window_shown() override { return open_; }
    void set_window_title(std::string_view utf8) override;
    bool key_pressed_before(std::chrono::steady_clock::time_point deadline) override;
    void tell(std::string_view line) override;
    bool terminal_size(int& columns, int& rows) override;
    void clear_text_window(const ConsoleState& state) override;
    bool write_line(std::string_view cp437_text, ConsoleState& state) override;
    bool wait_key(KeyPress& key) override;
    void restore_terminal() override {}

private:
    // One wait for the page's input, at most `milliseconds` (< 0: no limit);
    // its presses go to keys_.  False when the time ran out.
    bool wait_for_input(double milliseconds);
    void paint_console(RowRange rows);

    TextScreen screen_;
    std::deque<KeyPress> keys_;  // pressed, not yet handed out
    bool open_ = false;
};
