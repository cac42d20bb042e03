// The Windows side of the run-time checks.  The x87 unit and SSE both get
// their division-by-zero, overflow and invalid-operation traps unmasked; a
// trap arrives as a structured exception, which a vectored handler turns
// into the numbered run-time error.  The x87 unit is also set to a 64-bit
// mantissa with rounding to nearest: Windows may start a program with a
// 53-bit one, and intermediate results must be carried in extended precision.
#include "runtime/checks.hpp"
#include "runtime/checks_system.hpp"
#include "runtime/console_text_windows.hpp"
#include "runtime/failure.hpp"

#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// Bits of the x87 control word.
constexpr std::uint16_t x87_invalid = 0x01, x87_zero_divide = 0x04, x87_overflow = 0x08;
constexpr std::uint16_t x87_traps = x87_invalid | x87_zero_divide | x87_overflow;
constexpr std::uint16_t x87_precision_64 = 0x0300, x87_rounding = 0x0C00;
// The mask bits of MXCSR are the x87 bits shifted up by 7; its flags are the low 6 bits.
constexpr std::uint32_t sse_mask_shift = 7;
constexpr std::uint32_t sse_flags = 0x3F;
constexpr std::uint32_t sse_invalid_flag = 0x01, sse_zero_divide_flag = 0x04, sse_overflow_flag = 0x08;

std::uint16_t x87_control()
{
    std::uint16_t word;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

void set_x87_control(std::uint16_t word) { __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(word)); }

std::uint32_t sse_control()
{
    std::uint32_t word;
    __asm__ volatile("stmxcsr %0" : "=m"(word));
    return word;
}

void set_sse_control(std::uint32_t word) { __asm__ volatile("ldmxcsr %0" : : "m"(word)); }

// `traps` in x87 bits: the ones to unmask, all others masked; flags cleared.
void set_unmasked_traps(std::uint16_t traps)
{
    std::uint16_t x87 = x87_control();
    x87 = static_cast<std::uint16_t>(((x87 | x87_traps) & ~traps & ~x87_rounding) | x87_precision_64);
    set_x87_control(x87);
    std::uint32_t sse = sse_control() & ~sse_flags;
    sse = (sse | (std::uint32_t{x87_traps} << sse_mask_shift)) & ~(std::uint32_t{traps} << sse_mask_shift);
    set_sse_control(sse);
}

std::uint16_t unmasked_traps() { return static_cast<std::uint16_t>(~x87_control() & x87_traps); }

int error_of_sse_flags(std::uint32_t flags)
{
    if (flags & sse_zero_divide_flag) return static_cast<int>(RunErrorCode::division_by_zero);
    if (flags & sse_overflow_flag) return static_cast<int>(RunErrorCode::float_overflow);
    return static_cast<int>(RunErrorCode::float_invalid);
}

// The run-time error of an exception, or 0 for one that is not ours.
int error_of_exception(const EXCEPTION_POINTERS* exception)
{
    switch (exception->ExceptionRecord->ExceptionCode) {
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: return static_cast<int>(RunErrorCode::division_by_zero);
    case EXCEPTION_INT_OVERFLOW: return static_cast<int>(RunErrorCode::integer_overflow);
    case EXCEPTION_FLT_OVERFLOW: return static_cast<int>(RunErrorCode::float_overflow);
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_DENORMAL_OPERAND: return static_cast<int>(RunErrorCode::float_invalid);
    // SSE traps come as one code; the raised flags tell which it was.
    case STATUS_FLOAT_MULTIPLE_TRAPS:
    case STATUS_FLOAT_MULTIPLE_FAULTS: return error_of_sse_flags(exception->ContextRecord->MxCsr);
    default: return 0;
    }
}

// As on Linux, a trap ends with the console given back and the window taken
// away with the process: the window library is not called from here.
LONG CALLBACK on_exception(EXCEPTION_POINTERS* exception)
{
    const int code = error_of_exception(exception);
    if (code == 0) return EXCEPTION_CONTINUE_SEARCH;
    note_trap();
    report_and_exit(code, exception->ExceptionRecord->ExceptionAddress, EndingFrom::handler);
}

// The thread whose ending is under way; 0 while none is.
volatile LONG ending_thread = 0;

// Before any static constructor of the program runs: extended precision,
// and standard streams that keep their bytes (no \n to \r\n), so that the
// console lines and messages are the same bytes as on Linux, which a
// console shows as UTF-8.
struct ProgramStart {
    ProgramStart()
    {
        set_unmasked_traps(unmasked_traps());
        for (int stream = 0; stream <= 2; ++stream) _setmode(stream, _O_BINARY);
        write_utf8_to_console();
    }
} program_start __attribute__((init_priority(101)));

}  // namespace

// The loader is asked at the time; nothing to learn beforehand.
void learn_images() {}

std::uintptr_t image_offset(const void* address)
{
    HMODULE module = nullptr;
    if (address && GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                          GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      static_cast<LPCSTR>(address), &module))
        return reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module);
    return reinterpret_cast<std::uintptr_t>(address);
}

void mask_float_traps() { set_unmasked_traps(0); }

// Endings come from the main thread and from the console's control thread:
// the first one goes on, another thread's waits for the process to end.
// The same thread may come again (a fault in its own closing work).
void block_other_endings()
{
    const LONG self = static_cast<LONG>(GetCurrentThreadId());
    const LONG owner = InterlockedCompareExchange(&ending_thread, self, 0);
    if (owner != 0 && owner != self) Sleep(INFINITE);
}

void install_float_checks()
{
    AddVectoredExceptionHandler(1, on_exception);
    set_unmasked_traps(x87_traps);
}

LibraryCallScope::LibraryCallScope() : saved_traps_(unmasked_traps()) { set_unmasked_traps(0); }

// What the library raised and ignored must not trap in the program: the
// flags are cleared before the traps come back.
LibraryCallScope::~LibraryCallScope() { set_unmasked_traps(static_cast<std::uint16_t>(saved_traps_)); }
