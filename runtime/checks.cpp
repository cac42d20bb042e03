// The run-time checks and the one fatal path of the program.
#include "runtime/checks.hpp"
#include "runtime/failure.hpp"

#include <cfenv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

ClosingWork closing_work = nullptr;

constexpr int float_traps = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;

// Addresses are told relative to the program's own image, so that they are
// the same in every run.
unsigned long long image_offset(const void* address)
{
    Dl_info info{};
    if (address && dladdr(address, &info) && info.dli_fbase)
        return reinterpret_cast<unsigned long long>(address) -
               reinterpret_cast<unsigned long long>(info.dli_fbase);
    return reinterpret_cast<unsigned long long>(address);
}

int error_of_float_trap(int si_code)
{
    switch (si_code) {
    case FPE_INTDIV:
    case FPE_FLTDIV: return static_cast<int>(RunErrorCode::division_by_zero);
    case FPE_INTOVF: return static_cast<int>(RunErrorCode::integer_overflow);
    case FPE_FLTOVF: return static_cast<int>(RunErrorCode::float_overflow);
    default: return static_cast<int>(RunErrorCode::float_invalid);
    }
}

void on_float_trap(int, siginfo_t* info, void* context)
{
    const void* address = info->si_addr;
#if defined(__x86_64__)
    if (context)
        address = reinterpret_cast<const void*>(
            static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#else
    (void)context;
#endif
    note_trap();
    report_and_exit(error_of_float_trap(info->si_code), address);
}

}  // namespace

void set_closing_work(ClosingWork work) { closing_work = work; }

[[noreturn]] void report_and_exit(int code, const void* address)
{
    // The message must not trap again, and the closing work runs first.
    fedisableexcept(float_traps);
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
    // Reading the debug information allocates: safe here, because a trap
    // comes only from the program's own arithmetic, which never holds the
    // allocator's lock, and the terminal is already restored.
    describe_failure(code, address);
    _exit(code);
}

[[noreturn]] __attribute__((noinline)) void run_error(RunErrorCode code, const void* address)
{
    report_and_exit(static_cast<int>(code), address ? address : __builtin_return_address(0));
}

__attribute__((noinline)) SMALLINT to_smallint(std::int64_t value)
{
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

__attribute__((noinline)) SMALLINT Round(EXTENDED value)
{
    if (!(value > -32768.5L && value < 32767.5L)) {
        note_rounding_failure(value);
        run_error(RunErrorCode::range_check, __builtin_return_address(0));
    }
    // The rounding mode is round-to-nearest: halves go to the even neighbour.
    // rintl is nearbyintl without saving the environment; the inexact flag it
    // may raise is never trapped.
    return static_cast<SMALLINT>(std::rintl(value));
}

void install_float_checks()
{
    struct sigaction action {};
    action.sa_sigaction = on_float_trap;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGFPE, &action, nullptr);
    std::feclearexcept(FE_ALL_EXCEPT);
    feenableexcept(float_traps);
}

LibraryCallScope::LibraryCallScope() : saved_traps_(fegetexcept())
{
    fedisableexcept(float_traps);
}

LibraryCallScope::~LibraryCallScope()
{
    // What the library raised and ignored must not trap in the program.
    std::feclearexcept(FE_ALL_EXCEPT);
    feenableexcept(saved_traps_);
}
