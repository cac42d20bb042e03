// The POSIX side of the run-time checks: floating-point traps through
// SIGFPE, and code addresses relative to the program's image.
#include "checks.hpp"
#include "checks_platform.hpp"

#include <cfenv>
#include <csignal>
#include <dlfcn.h>
#include <ucontext.h>

namespace {

constexpr int float_traps = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;

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
    report_and_exit(error_of_float_trap(info->si_code), address);
}

}  // namespace

unsigned long long image_offset(const void* address)
{
    Dl_info info{};
    if (address && dladdr(address, &info) && info.dli_fbase)
        return reinterpret_cast<unsigned long long>(address) -
               reinterpret_cast<unsigned long long>(info.dli_fbase);
    return reinterpret_cast<unsigned long long>(address);
}

void mask_float_traps() { fedisableexcept(float_traps); }

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
