// The words of a failed check, kept in static storage from the moment the
// check fails until the fatal path writes them out.
#include "runtime/failure.hpp"

#include <cfloat>
#include <cinttypes>
#include <cstdio>

#include "runtime/checks.hpp"
#include "runtime/error_location.hpp"

namespace {

// The noted words; empty when the check noted nothing (a trap, a console
// write, a renderer's own check), and the error's own words are told.
char noted_words[160];
// True when the address to describe is the failing instruction of a trap.
bool address_is_exact = false;
// True when the fault was found in the status flags by a later check.
bool found_late = false;
// True when the address is in an accessor that noticed a bad index.
bool noticed_by_accessor = false;
// The run-time error ending the program (0: none) and its message's address.
int failure_code = 0;
const void* failure_address = nullptr;

const char* words_of_error(int code)
{
    switch (static_cast<RunErrorCode>(code)) {
    case RunErrorCode::io_write: return "cannot write the console (I/O error 101)";
    case RunErrorCode::division_by_zero: return "division by zero";
    case RunErrorCode::range_check: return "range check";
    case RunErrorCode::float_overflow: return "floating-point overflow";
    case RunErrorCode::float_invalid: return "invalid floating-point operation";
    case RunErrorCode::integer_overflow: return "integer overflow";
    }
    return "run-time error";
}

}  // namespace

void note_range_failure(std::int64_t value, std::int64_t low, std::int64_t high, const char* what)
{
    const int length = std::snprintf(noted_words, sizeof noted_words,
                                     "range check: %" PRId64 " is outside %" PRId64 "..%" PRId64,
                                     value, low, high);
    if (what && length > 0 && static_cast<std::size_t>(length) < sizeof noted_words)
        std::snprintf(noted_words + length, sizeof noted_words - length, " (%s)", what);
}

void note_rounding_failure(EXTENDED value, std::int64_t low, std::int64_t high)
{
    const long double shown = static_cast<long double>(value);
    // printf's %Lg reads the C library's long double, which need not be the
    // compiler's (-mlong-double-64 on x86-64 Linux): one of a double's size
    // is told as the double it is.
    if constexpr (LDBL_MANT_DIG == DBL_MANT_DIG)
        std::snprintf(noted_words, sizeof noted_words, "range check: %.12g rounds outside %" PRId64 "..%" PRId64,
                      static_cast<double>(shown), low, high);
    else
        std::snprintf(noted_words, sizeof noted_words, "range check: %.12Lg rounds outside %" PRId64 "..%" PRId64,
                      shown, low, high);
}

void note_overflow(std::int64_t a, const char* operation, std::int64_t b)
{
    std::snprintf(noted_words, sizeof noted_words, "integer overflow: %" PRId64 " %s %" PRId64,
                  a, operation, b);
}

void note_late_float_fault() { found_late = true; }

void note_trap()
{
    noted_words[0] = '\0';
    address_is_exact = true;
}

[[noreturn]] __attribute__((noinline)) void range_error(std::int64_t value, std::int64_t low,
                                                       std::int64_t high, const char* what)
{
    note_range_failure(value, low, high, what);
    noticed_by_accessor = true;
    run_error(RunErrorCode::range_check, __builtin_return_address(0));
}

void note_failure(int code, const void* address)
{
    failure_code = code;
    failure_address = address;
}

void describe_noted_failure()
{
    if (failure_code == 0) return;
    std::fprintf(stderr, "%s\n", noted_words[0] ? noted_words : words_of_error(failure_code));
    describe_location(stderr, failure_address, address_is_exact, noticed_by_accessor);
    if (found_late)
        std::fprintf(stderr, "  (found there by the first check after the failing operation: "
                             "this line or one run before it made it)\n");
    std::fflush(stderr);
}
