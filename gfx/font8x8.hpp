// The 8 x 8 bitmap font laid out as code page 437.
#pragma once

#include <cstdint>

// glyph rows, top first; bit 7 is the leftmost pixel
extern const std::uint8_t font8x8[256][8];
