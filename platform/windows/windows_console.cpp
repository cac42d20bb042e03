// The console's cells are written as UTF-16 characters, so the titles read
// right whatever the console's code page is, and the code page is left as
// it was.
#include "platform/windows/windows_console.hpp"

#include <algorithm>
#include <array>
#include <io.h>
#include <string>
#include <utility>
#include <vector>

#include "gfx/code_page.hpp"

namespace {

// UTF-16 of every code-page-437 byte.
const std::array<wchar_t, 256>& wide_characters()
{
    static const std::array<wchar_t, 256> table = [] {
        std::array<wchar_t, 256> wide{};
        for (int byte = 0; byte < 256; ++byte) {
            const char narrow = static_cast<char>(byte);
            const std::string utf8 = cp437_to_utf8(std::string_view(&narrow, 1));
            wchar_t out[2] = {L'?', 0};
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out, 2);
            wide[byte] = byte == 0 ? L' ' : out[0];
        }
        return wide;
    }();
    return table;
}

}  // namespace

void Win32Console::take()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input && input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode)) {
        input_ = input;
        input_mode_ = mode;
        // Ctrl+C comes as a key too, and is told apart when it is read.
        SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                                                         ENABLE_PROCESSED_INPUT | ENABLE_MOUSE_INPUT));
        FlushConsoleInputBuffer(input);
    }
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (output && output != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(output, &info)) {
        output_ = output;
        attribute_ = info.wAttributes;
        origin_column_ = info.srWindow.Left;
        origin_row_ = info.srWindow.Top;
        columns_ = info.srWindow.Right - info.srWindow.Left + 1;
        rows_ = info.srWindow.Bottom - info.srWindow.Top + 1;
        fit_console_to_terminal(columns_, rows_);
    }
    taken_ = true;
}

void Win32Console::restore()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (!taken_) return;
    taken_ = false;
    if (input_) SetConsoleMode(input_, input_mode_);
    if (output_) SetConsoleTextAttribute(output_, attribute_);
    const std::string held = std::exchange(held_, {});
    if (!held.empty()) _write(2, held.data(), static_cast<unsigned>(held.size()));
}

void Win32Console::tell(std::string_view line)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (output_ && taken_)
        held_.append(line);
    else
        _write(2, line.data(), static_cast<unsigned>(line.size()));
}

bool Win32Console::size(int& columns, int& rows) const
{
    if (!output_) return false;
    columns = columns_;
    rows = rows_;
    return true;
}

bool Win32Console::clear(const ConsoleState& state)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    screen_.clear(state);
    return paint(state, screen_.take_changed_rows());
}

bool Win32Console::write_line(std::string_view cp437_text, ConsoleState& state)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    screen_.write_line(cp437_text, state);
    return paint(state, screen_.take_changed_rows());
}

// The window's part of the changed rows, then the cursor where the console
// has it; nothing once the console is given back.  (Called under lock_.)
bool Win32Console::paint(const ConsoleState& state, RowRange rows)
{
    if (!taken_) return true;
    const int first = std::max(rows.first, state.top), last = std::min(rows.last, state.bottom);
    const int width = state.right - state.left + 1;
    if (first <= last && width > 0) {
        std::vector<CHAR_INFO> cells(static_cast<std::size_t>(width) * static_cast<std::size_t>(last - first + 1));
        for (int row = first; row <= last; ++row)
            for (int column = state.left; column <= state.right; ++column) {
                const TextCell cell = screen_.cell(column, row);
                CHAR_INFO& out = cells[static_cast<std::size_t>(row - first) * width + (column - state.left)];
                out.Char.UnicodeChar = wide_characters()[cell.character];
                out.Attributes = cell.attribute;
            }
        const COORD size{static_cast<SHORT>(width), static_cast<SHORT>(last - first + 1)};
        SMALL_RECT area{static_cast<SHORT>(origin_column_ + state.left - 1), static_cast<SHORT>(origin_row_ + first - 1),
                        static_cast<SHORT>(origin_column_ + state.right - 1), static_cast<SHORT>(origin_row_ + last - 1)};
        if (!WriteConsoleOutputW(output_, cells.data(), size, COORD{0, 0}, &area)) return false;
    }
    const COORD cursor{static_cast<SHORT>(origin_column_ + state.left + state.cursor_column - 2),
                       static_cast<SHORT>(origin_row_ + state.top + state.cursor_row - 2)};
    SetConsoleCursorPosition(output_, cursor);
    SetConsoleTextAttribute(output_, state.attribute);
    return true;
}
