// The language's number types, as the program's own code names them.
#pragma once

#include <cstdint>

using SMALLINT = std::int16_t;  // 16-bit signed; every store into one is range checked
using REAL = double;            // 64-bit IEEE 754
// Intermediate results within one statement are carried in extended precision.
using EXTENDED = long double;
