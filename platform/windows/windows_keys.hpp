// Keys of the Windows console and window as ReadKey hands them out: the
// same codes as the keys of the Linux terminal and window.
#pragma once

#include "gfx/code_page.hpp"
#include "platform/key_codes.hpp"

// A key without a character (cursor, editing and function keys, Shift+Tab)
// from its virtual-key code and the modifiers held; false for any other key.
bool windows_named_key(unsigned virtual_key, KeyModifier modifier, KeyPress& press);

// The key press of a console key event: a named key, else the character
// Windows made of it; false for a key that is no key press (Shift, Ctrl,
// Alt, the lock keys alone, or a dead key).
bool windows_key_press(unsigned virtual_key, KeyModifier modifier, wchar_t character, KeyPress& press);

// The strongest modifier held: Alt over Ctrl over Shift.
KeyModifier windows_modifier(bool shift, bool control, bool alt);

// Ctrl+C as a character: the key that stops the show.
constexpr unsigned char interrupt_character = 3;
