// What the console has written into the terminal's text window, cell by
// cell, and how that is put on a terminal with ANSI sequences.  The window
// is painted from these cells, and painted again when the program resumes
// after it was stopped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gfx/platform.hpp"

struct TextCell {
    unsigned char character = ' ';  // code page 437
    unsigned char attribute = 0x07;
};

// Screen rows first..last (1-based, inclusive); empty when first > last.
struct RowRange {
    int first = 1, last = 0;
    bool empty() const { return first > last; }
};

class TextScreen {
public:
    // Blanks the text window in the current attribute.
    void clear(const ConsoleState& state);
    // Writes the bytes at the cursor in the current attribute, wrapping at
    // the window's right edge, then ends the line; the window scrolls up
    // when the cursor passes its last row.
    void write_line(std::string_view cp437_text, ConsoleState& state);
    // The cell at screen column and row (1-based); a blank where nothing was written.
    TextCell cell(int column, int row) const;
    // The rows changed since the last call.
    RowRange take_changed_rows();

private:
    void make_room(const ConsoleState& state);
    TextCell& at(int column, int row);
    void put(unsigned char byte, ConsoleState& state);
    void next_line(ConsoleState& state);
    void scroll_up(const ConsoleState& state);
    void mark_changed(int first, int last);

    std::vector<TextCell> cells_;  // rows_ rows of columns_ cells
    int columns_ = 0, rows_ = 0;
    RowRange changed_;
};

// SGR sequence for a text attribute: foreground low nibble (8..15 bright),
// background bits 4..6, blink bit 7.
std::string attribute_sequence(unsigned char attribute);
// Moves the cursor to a screen row and column (1-based).
std::string cursor_sequence(int row, int column);
// Paints the window's part of the given rows from the cells, then puts the
// cursor where the console has it, in the terminal's default colours.
std::string paint_rows(const TextScreen& screen, const ConsoleState& state, RowRange rows);
