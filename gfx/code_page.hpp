// Code page 437 and Unicode: the titles are held as DOS bytes, shown on a
// UTF-8 terminal, and keys typed as Unicode characters become DOS bytes.
#pragma once

#include <string>
#include <string_view>

// UTF-8 text of code-page-437 bytes.
std::string cp437_to_utf8(std::string_view bytes);
// The code-page-437 byte of a Unicode character; '?' for one it lacks.
unsigned char cp437_of(char32_t code_point);
