// Keys pressed in the graphics window, as the console hands them out.
#pragma once

#include <SDL.h>
#include <deque>

#include "gfx/platform.hpp"

// The press of a key-down that is complete in itself: Enter, Esc,
// Backspace, Tab, Ctrl with a letter, and the keys without a character.
// Keys that type text give no press here: their characters come as text.
// Modifier keys alone give none.
bool window_key_press(const SDL_Keysym& key, KeyPress& press);
// Ctrl+C in the window interrupts the program, as it does in the terminal.
bool is_interrupt_key(const SDL_Keysym& key);
// One press per character of typed text (UTF-8), in code page 437.
void text_key_presses(const char* utf8, std::deque<KeyPress>& presses);
