// The run-time checks and the one ending of the program.  What depends on
// the system (the floating-point traps, code images, signals) is in
// checks_posix.cpp and checks_windows.cpp.
#include "runtime/checks.hpp"
#include "runtime/checks_system.hpp"
#include "runtime/failure.hpp"

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <utility>
#include <unistd.h>

namespace {

ClosingWork closing_work = nullptr;
ClosingWork signal_safe_closing_work = nullptr;

bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

void set_closing_work(ClosingWork work) { closing_work = work; }
void set_signal_safe_closing_work(ClosingWork work) { signal_safe_closing_work = work; }

[[noreturn]] void end_program(int exit_code, std::string_view last_words, EndingFrom from)
{
    block_other_endings();
    // The closing work must not trap.
    mask_float_traps();
    if (from == EndingFrom::program) {
        if (ClosingWork work = std::exchange(closing_work, nullptr)) work();
        std::fflush(nullptr);
    }
    if (ClosingWork work = std::exchange(signal_safe_closing_work, nullptr)) work();
    if (!write_all(STDOUT_FILENO, last_words)) write_all(STDERR_FILENO, last_words);
    describe_noted_failure();
    _exit(exit_code);
}

std::size_t run_error_message(char (&buffer)[48], int code, const void* address)
{
    std::size_t size = 0;
    const auto add = [&](std::string_view text) {
        for (char c : text)
            if (size < sizeof buffer) buffer[size++] = c;
    };
    char digits[20];
    int count = 0;
    unsigned number = static_cast<unsigned>(code);
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    add("Runtime error ");
    while (count > 0) add({&digits[--count], 1});
    add(" at $");
    // Learnt before the trap handler is installed: in a handler, only a check.
    learn_images();
    // At least eight hexadecimal digits, upper case.
    std::uintptr_t offset = image_offset(address);
    do {
        digits[count++] = "0123456789ABCDEF"[offset % 16];
        offset /= 16;
    } while (offset > 0 || count < 8);
    while (count > 0) add({&digits[--count], 1});
    add("\n");
    return size;
}

[[noreturn]] void report_and_exit(int code, const void* address, EndingFrom from)
{
    char line[48];
    const std::size_t length = run_error_message(line, code, address);
    note_failure(code, address);
    end_program(code, {line, length}, from);
}

[[noreturn]] __attribute__((noinline)) void run_error(RunErrorCode code, const void* address)
{
    report_and_exit(static_cast<int>(code), address ? address : __builtin_return_address(0));
}

bool float_fault_flagged_in_library()
{
#if defined(FE_DIVBYZERO) && defined(FE_OVERFLOW) && defined(FE_INVALID)
    return std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID) != 0;
#else
    return false;
#endif
}

void report_float_flags(const void* where)
{
#if defined(FE_DIVBYZERO) && defined(FE_OVERFLOW) && defined(FE_INVALID)
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
    if (raised == 0) return;
    // Told once: the closing work's own checks must not find it again.
    std::feclearexcept(FE_ALL_EXCEPT);
    note_late_float_fault();
    if (raised & FE_DIVBYZERO) run_error(RunErrorCode::division_by_zero, where);
    if (raised & FE_OVERFLOW) run_error(RunErrorCode::float_overflow, where);
    run_error(RunErrorCode::float_invalid, where);
#else
    (void)where;  // no status flags (WebAssembly): only the checks on values tell
#endif
}

__attribute__((noinline)) void check_float_flags_here() { check_float_flags(__builtin_return_address(0)); }

__attribute__((noinline)) SMALLINT to_smallint(std::int64_t value)
{
    check_float_flags(__builtin_return_address(0));
    if (value < -32768 || value > 32767) {
        note_range_failure(value, -32768, 32767);
        run_error(RunErrorCode::range_check, __builtin_return_address(0));
    }
    return static_cast<SMALLINT>(value);
}

__attribute__((noinline)) std::int32_t checked_add(std::int32_t a, std::int32_t b)
{
    std::int32_t result;
    if (__builtin_add_overflow(a, b, &result)) {
        note_overflow(a, "+", b);
        run_error(RunErrorCode::integer_overflow, __builtin_return_address(0));
    }
    return result;
}

__attribute__((noinline)) std::int32_t checked_sub(std::int32_t a, std::int32_t b)
{
    std::int32_t result;
    if (__builtin_sub_overflow(a, b, &result)) {
        note_overflow(a, "-", b);
        run_error(RunErrorCode::integer_overflow, __builtin_return_address(0));
    }
    return result;
}

__attribute__((noinline)) std::int32_t checked_mul(std::int32_t a, std::int32_t b)
{
    std::int32_t result;
    if (__builtin_mul_overflow(a, b, &result)) {
        note_overflow(a, "*", b);
        run_error(RunErrorCode::integer_overflow, __builtin_return_address(0));
    }
    return result;
}

__attribute__((noinline)) std::int32_t checked_div(std::int32_t a, std::int32_t b)
{
    if (b == 0) run_error(RunErrorCode::division_by_zero, __builtin_return_address(0));
    if (a == INT32_MIN && b == -1) {
        note_overflow(a, "div", b);
        run_error(RunErrorCode::integer_overflow, __builtin_return_address(0));
    }
    return a / b;
}

namespace {

// Round's common case on the integer format's bits; -32768 (whose halfway
// neighbour is out of range) and everything else take the general way.
[[maybe_unused]] bool rounded_quickly(NativeExtended, SMALLINT&) { return false; }
[[maybe_unused]] bool rounded_quickly(Extended value, SMALLINT& result)
{
    std::int64_t whole;
    if (!extended_bits::round_small(value.bits(), whole) || whole <= -32768 || whole > 32767) return false;
    result = static_cast<SMALLINT>(whole);
    return true;
}

}  // namespace

__attribute__((noinline)) SMALLINT Round(EXTENDED value)
{
    check_float_flags(__builtin_return_address(0));
    SMALLINT result;
    if (rounded_quickly(value, result)) return result;
    // Where nothing traps and no status flags tell (WebAssembly), a NaN or
    // an infinity here is the first sign of the fault that made it.
    if (value != value) run_error(RunErrorCode::float_invalid, __builtin_return_address(0));
    // Both bounds are doubles, exact in every format.
    if (!(value > static_cast<EXTENDED>(-32768.5) && value < static_cast<EXTENDED>(32767.5))) {
        if (value == static_cast<EXTENDED>(HUGE_VAL) || value == static_cast<EXTENDED>(-HUGE_VAL))
            run_error(RunErrorCode::float_overflow, __builtin_return_address(0));
        note_rounding_failure(value);
        run_error(RunErrorCode::range_check, __builtin_return_address(0));
    }
    // The rounding mode is round-to-nearest: halves go to the even neighbour.
    // rintl is nearbyintl without saving the environment; the inexact flag it
    // may raise is never trapped.
    return static_cast<SMALLINT>(rintl(value));
}
