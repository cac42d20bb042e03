// Where in the program's sources a failing operation was made, read from the
// program's own debug information.
#pragma once

#include <cstdio>

// Writes to `out` the function and the source file:line of the code at
// `address`, then its callers in the program's own sources.  `exact`: the
// address is the failing instruction (a trap); otherwise it is a return
// address into the code that called a check.  `in_accessor`: that code is an
// array's accessor that noticed a bad index, and the line told is its
// caller's, the one that indexed.  Library code at the address (a square
// root that failed inside the C library) is passed over the same way.
// Allocates: call only on the fatal path, after the program's work stopped.
void describe_location(std::FILE* out, const void* address, bool exact, bool in_accessor);
