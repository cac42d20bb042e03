// The text console's state and operations over the active platform.
#include "gfx/console.hpp"

#include "gfx/picture.hpp"
#include "gfx/platform.hpp"
#include "runtime/checks.hpp"

namespace {

ConsoleState console;
bool scan_code_pending = false;     // the last key had no character
unsigned char pending_scan_code = 0;
bool lines_muted = false;           // WriteLine writes nothing

}  // namespace

void Window(int x1, int y1, int x2, int y2)
{
    int columns = 0, rows = 0;
    if (active_platform().terminal_size(columns, rows) && (columns < x2 || rows < y2)) return;
    if (x1 < 1 || y1 < 1 || x1 > x2 || y1 > y2) return;
    console.left = x1;
    console.top = y1;
    console.right = x2;
    console.bottom = y2;
    console.cursor_column = console.cursor_row = 1;
}

void TextBackground(int color)
{
    console.attribute = static_cast<unsigned char>((console.attribute & 0x8F) | ((color * 16) & 0x70));
}

void ClrScr()
{
    active_platform().clear_text_window(console);
    console.cursor_column = console.cursor_row = 1;
}

void WriteLine(std::string_view cp437_text)
{
    if (lines_muted) return;
    if (!active_platform().write_line(cp437_text, console))
        run_error(RunErrorCode::io_write);
}

char ReadKey()
{
    if (scan_code_pending) {
        scan_code_pending = false;
        return static_cast<char>(pending_scan_code);
    }
    KeyPress key{};
    {
        LibraryCallScope library;
        Platform& platform = active_platform();
        platform.show_picture(current_picture(), palette(), take_changed_range());
        if (!platform.wait_key(key)) return 0;  // no key can come: the wait ends at once
    }
    if (key.character == 0) {
        scan_code_pending = true;
        pending_scan_code = key.scan_code;
    }
    return static_cast<char>(key.character);
}

void mute_console_lines(bool muted) { lines_muted = muted; }

const ConsoleState& console_state() { return console; }

void reset_console()
{
    console = ConsoleState{};
    scan_code_pending = false;
    lines_muted = false;
}

void fit_console_to_terminal(int columns, int rows)
{
    if (columns < 1 || rows < 1) return;
    console.left = console.top = 1;
    console.right = columns;
    console.bottom = rows;
}
