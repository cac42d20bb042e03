// The web platform.  Every call into the page is one of the functions of
// web_page.js; only surf_wait_input suspends the program (Asyncify).
#include "platform/web/web_platform.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

#include "gfx/code_page.hpp"
#include "platform/web/web_keys.hpp"

extern "C" {
void surf_page_size(int* width, int* height);
void surf_show(const std::uint8_t* pixels, int width, int x0, int y0, int x1, int y1, const RgbColor* palette);
void surf_close_picture();
void surf_title(const char* utf8);
void surf_console_row(int row, const char* utf8, const unsigned char* attributes, int count);
void surf_tell(const char* utf8);
// Waits for a key or a click, at most `milliseconds` (< 0: no limit).
// Gives -1 when the time ran out, 0 for a click, 1 for a key (its DOM name
// in `key`).
int surf_wait_input(double milliseconds, char* key, int key_size);
}

namespace {

constexpr int console_columns = 80, console_rows = 25;

}  // namespace

bool WebPlatform::open_window(int& width, int& height)
{
    surf_page_size(&width, &height);
    open_ = true;
    return true;
}

void WebPlatform::show_picture(const PictureView& picture, const Palette& palette, const PixelRange& changed)
{
    if (!open_ || !picture.pixels || changed.empty()) return;
    const int x0 = std::max(changed.x0, 0), y0 = std::max(changed.y0, 0);
    const int x1 = std::min(changed.x1, picture.width - 1), y1 = std::min(changed.y1, picture.height - 1);
    if (x0 > x1 || y0 > y1) return;
    surf_show(picture.pixels, picture.width, x0, y0, x1, y1, palette.data());
}

void WebPlatform::close_window()
{
    if (open_) surf_close_picture();
    open_ = false;
}

void WebPlatform::set_window_title(std::string_view utf8) { surf_title(std::string(utf8).c_str()); }

void WebPlatform::tell(std::string_view line) { surf_tell(std::string(line).c_str()); }

bool WebPlatform::terminal_size(int& columns, int& rows)
{
    columns = console_columns;
    rows = console_rows;
    return true;
}

void WebPlatform::clear_text_window(const ConsoleState& state)
{
    screen_.clear(state);
    paint_console(screen_.take_changed_rows());
}

bool WebPlatform::write_line(std::string_view cp437_text, ConsoleState& state)
{
    screen_.write_line(cp437_text, state);
    paint_console(screen_.take_changed_rows());
    return true;
}

bool WebPlatform::wait_key(KeyPress& key)
{
    while (keys_.empty()) wait_for_input(-1);
    key = keys_.front();
    keys_.pop_front();
    return true;
}

bool WebPlatform::key_pressed_before(std::chrono::steady_clock::time_point deadline)
{
    // Even a late frame returns to the browser once, so that it is painted.
    const std::chrono::duration<double, std::milli> left = deadline - std::chrono::steady_clock::now();
    if (keys_.empty()) wait_for_input(std::max(left.count(), 0.0));
    const bool pressed = !keys_.empty();
    keys_.clear();
    return pressed;
}

bool WebPlatform::wait_for_input(double milliseconds)
{
    static char key[64];
    const int got = surf_wait_input(milliseconds, key, sizeof key);
    if (got < 0) return false;
    KeyPress press = click_press;
    if (got == 0 || web_key_press(key, press)) keys_.push_back(press);
    return true;
}

void WebPlatform::paint_console(RowRange rows)
{
    for (int row = std::max(rows.first, 1); row <= std::min(rows.last, console_rows); ++row) {
        std::string characters;
        unsigned char attributes[console_columns];
        for (int column = 1; column <= console_columns; ++column) {
            const TextCell cell = screen_.cell(column, row);
            characters += static_cast<char>(cell.character);
            attributes[column - 1] = cell.attribute;
        }
        surf_console_row(row, cp437_to_utf8(characters).c_str(), attributes, console_columns);
    }
}
