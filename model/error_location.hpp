// Where in the program's sources a failing operation was made, read from the
// program's own debug information.
#pragma once

#include <cstdio>

// Writes to `out` the function and the source file:line of the code at
// `address`, then its callers in the program's own sources.  `exact`: the
// address is the failing instruction (a trap); otherwise it is a return
// address into the code that called a check.  Frames of indexing operators
// (the table accessors that noticed a bad index) are passed over, so the
// line told is the one that indexed.  Allocates: call only on the fatal path
// after the program's own work has stopped.
void describe_location(std::FILE* out, const void* address, bool exact);
