// The language's number types, as the program's own code names them.
#pragma once

#include <cfloat>
#include <cstdint>

#include "runtime/extended.hpp"
#include "runtime/native_extended.hpp"

using SMALLINT = std::int16_t;  // 16-bit signed; every store into one is range checked
using REAL = double;            // 64-bit IEEE 754
// Intermediate results within one statement are carried in extended
// precision: the processor's own 80-bit long double where it has one (in a
// type whose ordered comparisons test for a NaN), else (or when the build
// asks for it) the same format computed in integers.
#ifndef SURF_PORTABLE_EXTENDED
#define SURF_PORTABLE_EXTENDED 0
#endif
#if SURF_PORTABLE_EXTENDED || LDBL_MANT_DIG != 64 || LDBL_MAX_EXP != 16384
using EXTENDED = Extended;
#else
using EXTENDED = NativeExtended;
#endif
