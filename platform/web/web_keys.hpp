// Keys pressed in the web page, as the console hands them out.  The page
// passes on each key-down by its DOM name ("a", "Enter", "PageDown") unless
// it is the browser's (held with Ctrl, Alt or Cmd) or goes back a picture,
// which the page does itself.
#pragma once

#include <string_view>

#include "gfx/platform.hpp"

// The one press of a key-down, false for a key that is no press.  A key
// with a character gives its byte of the code page; a key without one (the
// cursor keys and PageDown of a presenter's remote, the function keys)
// gives Enter's, so that in the page every key moves on by one picture.
bool web_key_press(std::string_view dom_key, KeyPress& press);

// A click or a tap on the picture: one press, as the space bar.
constexpr KeyPress click_press{' ', 0};
