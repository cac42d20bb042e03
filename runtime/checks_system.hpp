// What the run-time checks need from the system they run on; one source per
// system (checks_posix.cpp, checks_windows.cpp) defines these.
#pragma once

#include <cstdint>

// Records the program's code images while that is still safe; a signal
// handler then only looks them up.
void learn_images();
// Addresses are told relative to their own image, so that they are the
// same in every run.
std::uintptr_t image_offset(const void* address);

// The floating-point traps off, for good: the ending must not trap again.
void mask_float_traps();
// Every signal or console event that could start another ending waits until
// this one is done.
void block_other_endings();
