// Writing a picture as an 8-bit palette PNG.
#pragma once

#include <string>

#include "gfx/picture.hpp"

// Writes `picture` with the 256-entry palette to `path`, first under a
// temporary name in the same folder and then renamed, so that no partial
// file is ever left.  On failure returns false and sets `error` to a
// one-line reason.
bool write_palette_png(const PictureView& picture, const std::string& path, std::string& error);
