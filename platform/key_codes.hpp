// Keys as ReadKey hands them out: a character, or 0 and the PC scan code of
// a key without a character.  Shared by the terminal and the window, so that
// the same key gives the same codes wherever it was pressed.
#pragma once

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
