// The text window's cells and their ANSI painting.
#include "platform/terminal/terminal_screen.hpp"

#include <algorithm>

#include "gfx/code_page.hpp"

namespace {

// The console's colour order (blue before red) against the terminal's.
constexpr int terminal_color[8] = {0, 4, 2, 6, 1, 5, 3, 7};

int window_width(const ConsoleState& state) { return state.right - state.left + 1; }
int window_height(const ConsoleState& state) { return state.bottom - state.top + 1; }

}  // namespace

void TextScreen::clear(const ConsoleState& state)
{
    make_room(state);
    for (int row = state.top; row <= state.bottom; ++row)
        for (int column = state.left; column <= state.right; ++column) at(column, row) = {' ', state.attribute};
    mark_changed(state.top, state.bottom);
}

void TextScreen::write_line(std::string_view cp437_text, ConsoleState& state)
{
    make_room(state);
    state.cursor_column = std::clamp(state.cursor_column, 1, window_width(state));
    state.cursor_row = std::clamp(state.cursor_row, 1, window_height(state));
    for (char byte : cp437_text) put(static_cast<unsigned char>(byte), state);
    next_line(state);
}

TextCell TextScreen::cell(int column, int row) const
{
    if (column < 1 || row < 1 || column > columns_ || row > rows_) return {};
    return cells_[static_cast<std::size_t>(row - 1) * columns_ + (column - 1)];
}

RowRange TextScreen::take_changed_rows()
{
    const RowRange rows = changed_;
    changed_ = {};
    return rows;
}

void TextScreen::make_room(const ConsoleState& state)
{
    if (state.right <= columns_ && state.bottom <= rows_) return;
    const int columns = std::max(columns_, state.right), rows = std::max(rows_, state.bottom);
    std::vector<TextCell> cells(static_cast<std::size_t>(columns) * rows);
    for (int row = 1; row <= rows_; ++row)
        std::copy_n(&at(1, row), columns_, &cells[static_cast<std::size_t>(row - 1) * columns]);
    cells_.swap(cells);
    columns_ = columns;
    rows_ = rows;
}

TextCell& TextScreen::at(int column, int row)
{
    return cells_[static_cast<std::size_t>(row - 1) * columns_ + (column - 1)];
}

void TextScreen::put(unsigned char byte, ConsoleState& state)
{
    const int row = state.top + state.cursor_row - 1;
    at(state.left + state.cursor_column - 1, row) = {byte, state.attribute};
    mark_changed(row, row);
    if (++state.cursor_column > window_width(state)) next_line(state);
}

void TextScreen::next_line(ConsoleState& state)
{
    state.cursor_column = 1;
    if (state.cursor_row < window_height(state))
        ++state.cursor_row;
    else
        scroll_up(state);
}

void TextScreen::scroll_up(const ConsoleState& state)
{
    const int width = window_width(state);
    for (int row = state.top; row < state.bottom; ++row)
        std::copy_n(&at(state.left, row + 1), width, &at(state.left, row));
    std::fill_n(&at(state.left, state.bottom), width, TextCell{' ', state.attribute});
    mark_changed(state.top, state.bottom);
}

void TextScreen::mark_changed(int first, int last)
{
    if (changed_.empty()) {
        changed_ = {first, last};
        return;
    }
    changed_ = {std::min(changed_.first, first), std::max(changed_.last, last)};
}

std::string attribute_sequence(unsigned char attribute)
{
    const int foreground = (attribute & 0x08 ? 90 : 30) + terminal_color[attribute & 0x07];
    const int background = 40 + terminal_color[(attribute >> 4) & 0x07];
    return "\x1b[0;" + std::to_string(foreground) + ";" + std::to_string(background) +
           (attribute & 0x80 ? ";5m" : "m");
}

std::string cursor_sequence(int row, int column)
{
    return "\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H";
}

std::string paint_rows(const TextScreen& screen, const ConsoleState& state, RowRange rows)
{
    std::string out;
    const int first = std::max(rows.first, state.top), last = std::min(rows.last, state.bottom);
    for (int row = first; row <= last; ++row) {
        out += cursor_sequence(row, state.left);
        int attribute = -1;
        for (int column = state.left; column <= state.right; ++column) {
            const TextCell cell = screen.cell(column, row);
            if (cell.attribute != attribute) out += attribute_sequence(cell.attribute);
            attribute = cell.attribute;
            // Control bytes would move the terminal's cursor: they show as '?'.
            const bool control = cell.character < 0x20 || cell.character == 0x7F;
            out += cp437_to_utf8(std::string(1, static_cast<char>(control ? '?' : cell.character)));
        }
    }
    out += "\x1b[0m";
    out += cursor_sequence(state.top + state.cursor_row - 1, state.left + state.cursor_column - 1);
    return out;
}
