// The words of a failed run-time check, for the student who must mend it.
//
// A check notes what it saw (the value and its range, the two operands)
// just before it calls run_error; after the "Runtime error" line the ending
// calls describe_noted_failure, which writes those words to standard error
// and then where the failing operation was made.
#pragma once

#include <cstdint>

#include "runtime/types.hpp"

// "range check: VALUE is outside LOW..HIGH (WHAT)"; `what` may be null.
void note_range_failure(std::int64_t value, std::int64_t low, std::int64_t high,
                        const char* what = nullptr);
// "range check: VALUE rounds outside LOW..HIGH".
void note_rounding_failure(EXTENDED value, std::int64_t low = -32768, std::int64_t high = 32767);
// "integer overflow: A OPERATION B", e.g. "30000 * 30000".
void note_overflow(std::int64_t a, const char* operation, std::int64_t b);
// A processor trap (SIGFPE): its address is the faulting instruction
// itself, not a return address; the error's own words are told.
void note_trap();

// A floating-point exception found in the status flags by a later check,
// where nothing traps: the place told is that check's, at or after the
// failing operation.
void note_late_float_fault();

// Notes the range failure and ends the program with run-time error 201; for
// the accessors of the renderers' own checked arrays, which call it directly:
// the place told is then the accessor's caller, the line that indexed.
[[noreturn]] void range_error(std::int64_t value, std::int64_t low, std::int64_t high,
                              const char* what);

// The run-time error that is ending the program, with the code address of
// its message.
void note_failure(int code, const void* address);
// When a run-time error is ending the program, writes to standard error its
// words (the noted ones, or the error's own) and the place in the program's
// sources that its address belongs to; otherwise nothing.  Reading the
// debug information allocates, which is safe even after a trap: a trap comes
// only from the program's own arithmetic, which never holds the allocator's
// lock.  Called after the closing work, so the terminal is already restored.
void describe_noted_failure();
