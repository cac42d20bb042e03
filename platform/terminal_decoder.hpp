// Keys as ReadKey hands them out: a character, or 0 and the PC scan code of
// a key without a character.  Shared by the terminal and the window, so that
// the same key gives the same codes wherever it was pressed.
#pragma once

#include <deque>
#include <string>

#include "gfx/platform.hpp"

// The keys without a character that the console knows.
enum class NamedKey {
    up, down, left, right, home, end, page_up, page_down, insert, delete_key,
    f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12,
    back_tab,  // Shift+Tab
};

// The strongest modifier held with the key: Alt over Ctrl over Shift.
enum class KeyModifier { none, shift, control, alt };

// The scan code the keyboard gives for the key with that modifier held.
unsigned char pc_scan_code(NamedKey key, KeyModifier modifier);
KeyPress named_key_press(NamedKey key, KeyModifier modifier = KeyModifier::none);

// The code-page-437 byte of a Unicode character; '?' for one it lacks.
unsigned char cp437_of(char32_t code_point);

// Turns the bytes a terminal sends into key presses: escape sequences of
// cursor, editing and function keys, UTF-8 characters, and single bytes.
class TerminalKeyDecoder {
public:
    void feed(unsigned char byte);
    // An escape sequence or a UTF-8 character has begun and is not complete.
    bool waiting_for_more() const { return !pending_.empty(); }
    // The rest of a begun sequence is not coming: a lone Esc is the Esc key.
    void finish_pending();
    // The next decoded key, oldest first.
    bool next(KeyPress& key);

private:
    void feed_plain(unsigned char byte);
    void decode_escape();
    void decode_utf8();
    void emit(unsigned char character) { ready_.push_back({character, 0}); }

    std::string pending_;  // the begun sequence, its first byte included
    std::deque<KeyPress> ready_;
};
