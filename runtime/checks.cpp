// The run-time checks and the one ending of the program.
#include "runtime/checks.hpp"
#include "runtime/failure.hpp"

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <link.h>
#include <pthread.h>
#include <utility>
#include <ucontext.h>
#include <unistd.h>

namespace {

ClosingWork closing_work = nullptr;
ClosingWork signal_safe_closing_work = nullptr;

constexpr int float_traps = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;

// The code images loaded at start (the program, the C and maths libraries),
// recorded beforehand so that a signal handler can tell an address's image
// without the loader.
struct Image {
    std::uintptr_t base, first, last;  // header address; extent of its segments
};
Image images[64];
int image_count = 0;
bool images_known = false;

int record_image(dl_phdr_info* info, std::size_t, void*)
{
    if (image_count == static_cast<int>(std::size(images))) return 1;
    const ElfW(Phdr)* lowest = nullptr;
    std::uintptr_t last = 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD) continue;
        if (!lowest || segment.p_vaddr < lowest->p_vaddr) lowest = &segment;
        last = std::max<std::uintptr_t>(last, info->dlpi_addr + segment.p_vaddr + segment.p_memsz);
    }
    if (lowest)
        images[image_count++] = {info->dlpi_addr + lowest->p_vaddr - lowest->p_offset,
                                 info->dlpi_addr + lowest->p_vaddr, last};
    return 0;
}

void learn_images()
{
    if (images_known) return;
    dl_iterate_phdr(record_image, nullptr);
    images_known = true;
}

// Addresses are told relative to their own image, so that they are the
// same in every run.
std::uintptr_t image_offset(const void* address)
{
    const auto value = reinterpret_cast<std::uintptr_t>(address);
    for (int i = 0; i < image_count; ++i)
        if (value >= images[i].first && value < images[i].last) return value - images[i].base;
    return value;
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
    // A trap comes from the program's own arithmetic on the main thread, but
    // this is still a signal handler: the ending does only what is safe here.
    note_trap();
    report_and_exit(error_of_float_trap(info->si_code), address, EndingFrom::handler);
}

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

// Every signal that could start another ending waits until this one is done.
void block_other_endings()
{
    sigset_t signals;
    sigfillset(&signals);
    for (int synchronous : {SIGFPE, SIGSEGV, SIGBUS, SIGILL}) sigdelset(&signals, synchronous);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

}  // namespace

void set_closing_work(ClosingWork work) { closing_work = work; }
void set_signal_safe_closing_work(ClosingWork work) { signal_safe_closing_work = work; }

[[noreturn]] void end_program(int exit_code, std::string_view last_words, EndingFrom from)
{
    block_other_endings();
    // The closing work must not trap.
    fedisableexcept(float_traps);
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
    // The ending is not interrupted by another signal's ending.
    sigfillset(&action.sa_mask);
    learn_images();
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
