// The text console: a cursor-addressed text window, a text attribute, line
// output of code-page-437 bytes and single-key input.
#pragma once

#include <string_view>

// The text window becomes columns x1..x2, rows y1..y2 (1-based, inclusive)
// and the cursor goes to its top-left; unchanged on a smaller terminal.
void Window(int x1, int y1, int x2, int y2);
// attribute := (attribute and 0x8F) or ((color * 16) and 0x70).
void TextBackground(int color);
// Blanks the text window in the current attribute, cursor to its top-left.
void ClrScr();
// Writes the bytes and a line end; a failed write is run-time error 101.
void WriteLine(std::string_view cp437_text);
// While muted, WriteLine writes nothing (a picture drawn a second time).
void mute_console_lines(bool muted);
// Waits for one key: its character, or 0 and then its scan code on the next
// call for a key without a character.  Shows the finished picture first.
char ReadKey();
