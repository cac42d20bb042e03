// The WebAssembly side of the run-time checks.  WebAssembly has no
// floating-point traps and no signals: the program's floating-point errors
// are caught by the checked arithmetic itself, and an ending cannot be
// interrupted by another.  Code addresses are offsets into the module.
#include "runtime/checks.hpp"
#include "runtime/checks_system.hpp"

void learn_images() {}

std::uintptr_t image_offset(const void* address) { return reinterpret_cast<std::uintptr_t>(address); }

void mask_float_traps() {}

void block_other_endings() {}

void install_float_checks() {}

// Nothing to mask: there are no traps.
LibraryCallScope::LibraryCallScope() : saved_traps_(0) {}

LibraryCallScope::~LibraryCallScope() { static_cast<void>(saved_traps_); }
