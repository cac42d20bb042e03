// How the report names a colour.
#pragma once

#include <string>

#include "gfx/picture.hpp"

// "14 (yellow)" for one of the program's named colours, "200 (#fcfcfc)" for
// another of its palette colours and "#123456" for any other.  `own_index`
// is the picture's palette index of the pixel, or -1; it is preferred when
// the program's palette agrees.
std::string color_text(RgbColor color, int own_index);
