// Keys pressed in the web page, as the console hands them out.  The page
// passes on each key-down by its DOM name ("a", "Enter", "ArrowUp", "F5")
// and whether Shift was held; keys held with Ctrl, Alt or Cmd stay the
// browser's and never come here.
#pragma once

#include <deque>
#include <string_view>

#include "gfx/platform.hpp"

// The presses of one key-down: one for a key with a character, one with
// character 0 and the PC scan code for a key without one (cursor, editing
// and function keys), none for a key that is neither.
void web_key_presses(std::string_view dom_key, bool shift, std::deque<KeyPress>& presses);

// A click or a tap on the picture: one press, as the space bar.
constexpr KeyPress click_press{' ', 0};
