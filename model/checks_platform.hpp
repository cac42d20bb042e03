// What the run-time checks need from the system they run on.
#pragma once

// Addresses are told relative to the program's own image, so that they are
// the same in every run.
unsigned long long image_offset(const void* address);

// The floating-point traps off, for good: the fatal path must not trap again.
void mask_float_traps();
