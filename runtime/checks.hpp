// Run-time checks of the program's own arithmetic, and the one fatal path.
//
// Every 16-bit store goes through to_smallint (error 201), every 32-bit
// integer sum, difference and product through checked_* (error 215), every
// integer division through checked_div (error 200).  A failed check ends the
// program at once with "Runtime error N at $ADDRESS" after the graphics and
// console services have done their closing work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "runtime/types.hpp"

enum class RunErrorCode : int {
    io_write = 101,
    division_by_zero = 200,
    range_check = 201,
    float_overflow = 205,
    float_invalid = 207,
    integer_overflow = 215,
};

// Ends the program with the numbered run-time error; `address` is the code
// address reported in the message (nullptr: the caller's return address).
[[noreturn]] void run_error(RunErrorCode code, const void* address = nullptr);

// Where an ending starts.  From the program's own code the whole closing
// work runs; from a signal handler, or a library's error handler that must
// not call back into the library, only the signal-safe part does, and the
// exit itself takes the window away with the process.
enum class EndingFrom { program, handler };

// The closing work that every ending runs once, before the last words: the
// graphics window (may call libraries; the drawing service installs it),
// then the terminal (async-signal-safe; the terminal installs it).
using ClosingWork = void (*)();
void set_closing_work(ClosingWork work);
void set_signal_safe_closing_work(ClosingWork work);

// The one way out of the program: no other signal interrupts it, the
// closing work runs, `last_words` go to standard output (to standard error
// when standard output cannot take them), and the process exits with
// `exit_code`.  Safe in a signal handler when `from` is `handler`.
[[noreturn]] void end_program(int exit_code, std::string_view last_words, EndingFrom from);

// Ends with "Runtime error N at $ADDRESS" and exit code N; used by run_error
// and by the floating-point trap handler.
[[noreturn]] void report_and_exit(int code, const void* address, EndingFrom from = EndingFrom::program);
// The message's text into `buffer`, without allocating (signal handlers
// use it); gives its length.
std::size_t run_error_message(char (&buffer)[48], int code, const void* address);

SMALLINT to_smallint(std::int64_t value);
std::int32_t checked_add(std::int32_t a, std::int32_t b);
std::int32_t checked_sub(std::int32_t a, std::int32_t b);
std::int32_t checked_mul(std::int32_t a, std::int32_t b);
// Integer division truncating toward zero ("div").
std::int32_t checked_div(std::int32_t a, std::int32_t b);

// Round to the nearest integer, halves to the even neighbour, as a SMALLINT.
SMALLINT Round(EXTENDED value);

// Where the processor does not trap floating-point exceptions (or the
// build says not to use its traps), some checks look at the status flags
// instead (to_smallint, Round, the table's accessor, the way into a
// library, the end of each picture): this ends the program with the error of a division by zero,
// overflow or invalid operation that the program's arithmetic raised since
// the last look, told at `where` (the first check after the operation).
// Nothing where the traps are used: they told it already.
#ifndef SURF_FLOAT_TRAPS  // the build says; else x86 on Linux and Windows traps
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__linux__) || defined(_WIN32))
#define SURF_FLOAT_TRAPS 1
#else
#define SURF_FLOAT_TRAPS 0
#endif
#endif
// The same through the C library (false where there are no flags).
bool float_fault_flagged_in_library();
constexpr bool float_traps_used = SURF_FLOAT_TRAPS != 0;
// True when a division by zero, overflow or invalid operation is flagged.
// Read straight from the status register where the doubles' arithmetic
// keeps its flags, as the C library's reading costs more than the check.
inline bool float_fault_flagged()
{
#if defined(__x86_64__)
    // With EXTENDED in integers there is no x87 arithmetic: the SSE unit's flags are all.
    if constexpr (std::is_same_v<EXTENDED, Extended>)
        return (__builtin_ia32_stmxcsr() & 0x0D) != 0;  // invalid, zero divide, overflow
#elif defined(__aarch64__)
    unsigned long status;
    __asm__ volatile("mrs %0, fpsr" : "=r"(status));
    return (status & 0x07) != 0;  // invalid, division by zero, overflow
#endif
    return float_fault_flagged_in_library();
}
void report_float_flags(const void* where);
inline void check_float_flags(const void* where)
{
    if constexpr (!float_traps_used)
        if (float_fault_flagged()) report_float_flags(where);
#if defined(__x86_64__) || defined(__i386__)
    // An x87 fault is raised only by the next x87 instruction, which may
    // never come: a check raises it (the trap tells the failing instruction).
    if constexpr (float_traps_used) __asm__ volatile("fwait");
#endif
    (void)where;
}
// The same, told at the caller of this one.
void check_float_flags_here();

// Unmasks floating-point division by zero, overflow and invalid operation for
// the program's own arithmetic and turns a trap into the matching run-time
// error.  Called once at start.
void install_float_checks();

// Masks the floating-point traps while a library (SDL, a GL driver, zlib) runs:
// libraries may raise and ignore these exceptions internally.
class LibraryCallScope {
public:
    LibraryCallScope();
    ~LibraryCallScope();
    LibraryCallScope(const LibraryCallScope&) = delete;
    LibraryCallScope& operator=(const LibraryCallScope&) = delete;

private:
    int saved_traps_;
};
