// Run-time checks of the program's own arithmetic, and the one fatal path.
//
// Every 16-bit store goes through to_smallint (error 201), every 32-bit
// integer sum, difference and product through checked_* (error 215), every
// integer division through checked_div (error 200).  A failed check ends the
// program at once with "Runtime error N at $ADDRESS" after the graphics and
// console services have done their closing work.
#pragma once

#include <cstdint>

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

// The closing work (graphics window, terminal) that must run before the
// message is printed; the drawing and console service installs it.
using ClosingWork = void (*)();
void set_closing_work(ClosingWork work);

// Writes the "Runtime error N at $ADDRESS" line and exits with N; used by
// run_error and by the floating-point trap handler.
[[noreturn]] void report_and_exit(int code, const void* address);

SMALLINT to_smallint(std::int64_t value);
std::int32_t checked_add(std::int32_t a, std::int32_t b);
std::int32_t checked_sub(std::int32_t a, std::int32_t b);
std::int32_t checked_mul(std::int32_t a, std::int32_t b);
// Integer division truncating toward zero ("div").
std::int32_t checked_div(std::int32_t a, std::int32_t b);

// Round to the nearest integer, halves to the even neighbour, as a SMALLINT.
SMALLINT Round(EXTENDED value);

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
