// The run-time checks and the one fatal path of the program.  What depends
// on the system (the floating-point traps, the code address of the image)
// is in checks_posix.cpp and, for Windows, platform/windows_checks.cpp.
#include "checks.hpp"
#include "checks_platform.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

ClosingWork closing_work = nullptr;

}  // namespace

void set_closing_work(ClosingWork work) { closing_work = work; }

[[noreturn]] void report_and_exit(int code, const void* address)
{
    // The message must not trap again, and the closing work runs first.
    mask_float_traps();
    if (ClosingWork work = closing_work) {
        closing_work = nullptr;
        work();
    }
    char line[64];
    int length = std::snprintf(line, sizeof line, "Runtime error %d at $%08llX\n", code,
                               image_offset(address));
    std::fflush(stdout);
    bool written = write(STDOUT_FILENO, line, static_cast<size_t>(length)) == length;
    // When standard output cannot take the message, standard error gets it.
    if (!written) (void)!write(STDERR_FILENO, line, static_cast<size_t>(length));
    _exit(code);
}

[[noreturn]] __attribute__((noinline)) void run_error(RunErrorCode code, const void* address)
{
    report_and_exit(static_cast<int>(code), address ? address : __builtin_return_address(0));
}

__attribute__((noinline)) SMALLINT to_smallint(std::int64_t value)
{
    if (value < -32768 || value > 32767)
        run_error(RunErrorCode::range_check, __builtin_return_address(0));
    return static_cast<SMALLINT>(value);
}

__attribute__((noinline)) std::int32_t checked_add(std::int32_t a, std::int32_t b)
{
    std::int32_t result;
    if (__builtin_add_overflow(a, b, &result))
        run_error(RunErrorCode::integer_overflow, __builtin_return_address(0));
    return result;
}

__attribute__((noinline)) std::int32_t checked_sub(std::int32_t a, std::int32_t b)
{
    std::int32_t result;
    if (__builtin_sub_overflow(a, b, &result))
        run_error(RunErrorCode::integer_overflow, __builtin_return_address(0));
    return result;
}

__attribute__((noinline)) std::int32_t checked_mul(std::int32_t a, std::int32_t b)
{
    std::int32_t result;
    if (__builtin_mul_overflow(a, b, &result))
        run_error(RunErrorCode::integer_overflow, __builtin_return_address(0));
    return result;
}

__attribute__((noinline)) std::int32_t checked_div(std::int32_t a, std::int32_t b)
{
    if (b == 0) run_error(RunErrorCode::division_by_zero, __builtin_return_address(0));
    if (a == INT32_MIN && b == -1)
        run_error(RunErrorCode::integer_overflow, __builtin_return_address(0));
    return a / b;
}

__attribute__((noinline)) SMALLINT Round(EXTENDED value)
{
    if (!(value > -32768.5L && value < 32767.5L))
        run_error(RunErrorCode::range_check, __builtin_return_address(0));
    // The rounding mode is round-to-nearest: halves go to the even neighbour.
    // rintl is nearbyintl without saving the environment; the inexact flag it
    // may raise is never trapped.
    return static_cast<SMALLINT>(std::rintl(value));
}

