// The console's text window on a terminal: where the text goes, how it
// wraps and scrolls, and the ANSI sequences that paint it.
#include <gtest/gtest.h>

#include <string>

#include "platform/terminal/terminal_screen.hpp"

namespace {

ConsoleState window(int left, int top, int right, int bottom, unsigned char attribute = 0x17)
{
    ConsoleState state;
    state.left = left;
    state.top = top;
    state.right = right;
    state.bottom = bottom;
    state.attribute = attribute;
    return state;
}

// The characters of a screen row, columns first..last.
std::string row_text(const TextScreen& screen, int row, int first, int last)
{
    std::string text;
    for (int column = first; column <= last; ++column) text += static_cast<char>(screen.cell(column, row).character);
    return text;
}

TEST(TextScreen, ClearFillsOnlyTheWindowInTheAttribute)
{
    TextScreen screen;
    ConsoleState state = window(3, 2, 6, 4, 0x1E);
    screen.clear(state);
    EXPECT_EQ(screen.cell(3, 2).attribute, 0x1E);
    EXPECT_EQ(screen.cell(6, 4).attribute, 0x1E);
    EXPECT_EQ(screen.cell(2, 2).attribute, 0x07);
    EXPECT_EQ(screen.cell(7, 4).attribute, 0x07);
    EXPECT_EQ(screen.cell(3, 5).attribute, 0x07);
    const RowRange changed = screen.take_changed_rows();
    EXPECT_EQ(changed.first, 2);
    EXPECT_EQ(changed.last, 4);
    EXPECT_TRUE(screen.take_changed_rows().empty());
}

TEST(TextScreen, LinesGoDownTheWindowFromItsTopLeft)
{
    TextScreen screen;
    ConsoleState state = window(1, 1, 80, 25);
    screen.clear(state);
    screen.take_changed_rows();
    screen.write_line("Szintvonal-1", state);
    screen.write_line("Pontfelh\x94", state);
    EXPECT_EQ(row_text(screen, 1, 1, 13), "Szintvonal-1 ");
    EXPECT_EQ(row_text(screen, 2, 1, 9), "Pontfelh\x94");
    EXPECT_EQ(screen.cell(9, 2).attribute, 0x17);
    EXPECT_EQ(state.cursor_row, 3);
    EXPECT_EQ(state.cursor_column, 1);
    const RowRange changed = screen.take_changed_rows();
    EXPECT_EQ(changed.first, 1);
    EXPECT_EQ(changed.last, 2);
}

TEST(TextScreen, TextWrapsAtTheWindowsRightEdge)
{
    TextScreen screen;
    ConsoleState state = window(2, 1, 5, 5);
    screen.clear(state);
    screen.write_line("abcdefg", state);
    EXPECT_EQ(row_text(screen, 1, 1, 6), " abcd ");
    EXPECT_EQ(row_text(screen, 2, 2, 5), "efg ");
    EXPECT_EQ(state.cursor_row, 3);
    // A text that fills the row exactly moves on at its last character, then ends the line.
    screen.write_line("wxyz", state);
    EXPECT_EQ(row_text(screen, 3, 2, 5), "wxyz");
    EXPECT_EQ(state.cursor_row, 5);
}

TEST(TextScreen, PassingTheLastRowScrollsOnlyTheWindow)
{
    TextScreen screen;
    ConsoleState outside = window(1, 1, 9, 5, 0x07);
    screen.clear(outside);
    for (int row = 0; row < 4; ++row) screen.write_line("........", outside);
    ConsoleState state = window(3, 2, 6, 3, 0x1F);
    screen.clear(state);
    screen.write_line("one", state);
    screen.write_line("two", state);  // ends on the last row: the window scrolls at once
    EXPECT_EQ(row_text(screen, 2, 1, 8), "..two ..");
    EXPECT_EQ(row_text(screen, 3, 1, 8), "..    ..");
    EXPECT_EQ(screen.cell(4, 3).attribute, 0x1F);  // the new row in the current attribute
    EXPECT_EQ(row_text(screen, 1, 1, 8), "........");
    EXPECT_EQ(row_text(screen, 4, 1, 8), "........");
    EXPECT_EQ(state.cursor_row, 2);
    screen.write_line("six", state);
    EXPECT_EQ(row_text(screen, 2, 3, 6), "six ");
}

TEST(TextScreen, CursorOutsideTheWindowIsBroughtBackIn)
{
    TextScreen screen;
    ConsoleState state = window(1, 1, 10, 5);
    state.cursor_row = 9;
    state.cursor_column = 0;
    screen.write_line("x", state);  // on the last row, which then scrolls up
    EXPECT_EQ(screen.cell(1, 4).character, 'x');
    EXPECT_EQ(state.cursor_row, 5);
    EXPECT_EQ(state.cursor_column, 1);
}

TEST(TerminalPainting, AttributesInTheTerminalsColourOrder)
{
    EXPECT_EQ(attribute_sequence(0x07), "\x1b[0;37;40m");  // light grey on black
    EXPECT_EQ(attribute_sequence(0x17), "\x1b[0;37;44m");  // on blue
    EXPECT_EQ(attribute_sequence(0x4E), "\x1b[0;93;41m");  // yellow on red
    EXPECT_EQ(attribute_sequence(0x61), "\x1b[0;34;43m");  // blue on brown
    EXPECT_EQ(attribute_sequence(0x3C), "\x1b[0;91;46m");  // light red on cyan
    EXPECT_EQ(attribute_sequence(0xF8), "\x1b[0;90;47;5m");  // blinking dark grey on light grey
}

TEST(TerminalPainting, RowsArePaintedAtTheWindowAndTheCursorPutBack)
{
    TextScreen screen;
    ConsoleState state = window(3, 2, 6, 3);
    screen.clear(state);
    screen.write_line("T\x82g", state);
    const std::string painted = paint_rows(screen, state, {1, 9});
    EXPECT_EQ(painted,
              "\x1b[2;3H\x1b[0;37;44mT\xc3\xa9g "
              "\x1b[3;3H\x1b[0;37;44m    "
              "\x1b[0m\x1b[3;3H");
    EXPECT_EQ(paint_rows(screen, state, {}), "\x1b[0m\x1b[3;3H");
}

TEST(TerminalPainting, ControlBytesCannotMoveTheTerminalsCursor)
{
    TextScreen screen;
    ConsoleState state = window(1, 1, 3, 2, 0x07);
    state.cursor_row = 1;
    screen.write_line("\n\x1b", state);
    EXPECT_EQ(paint_rows(screen, state, {1, 1}), "\x1b[1;1H\x1b[0;37;40m?? \x1b[0m\x1b[2;1H");
}

}  // namespace
