// The POSIX side of the run-time checks: floating-point traps through
// SIGFPE, code images from the loader, endings guarded by the signal mask.
#include "runtime/checks.hpp"
#include "runtime/checks_system.hpp"
#include "runtime/failure.hpp"

#include <algorithm>
#include <cfenv>
#include <csignal>
#include <iterator>
#include <link.h>
#include <pthread.h>
#include <ucontext.h>

namespace {

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

// The instruction that failed.  The x87 raises its fault only at its next
// x87 instruction, which is where the trap stopped (and may be statements
// later); the x87 itself keeps the address of the one that failed.
const void* failed_instruction(const siginfo_t* info, void* context)
{
#if defined(__x86_64__)
    if (!context) return info->si_addr;
    const mcontext_t& machine = static_cast<ucontext_t*>(context)->uc_mcontext;
    const bool float_fault = info->si_code != FPE_INTDIV && info->si_code != FPE_INTOVF;
    // An x87 fault: an exception flagged in its status word and not masked.
    if (float_fault && machine.fpregs && (machine.fpregs->swd & ~machine.fpregs->cwd & 0x3F) != 0)
        return reinterpret_cast<const void*>(machine.fpregs->rip);
    return reinterpret_cast<const void*>(machine.gregs[REG_RIP]);
#else
    (void)context;
    return info->si_addr;
#endif
}

void on_float_trap(int, siginfo_t* info, void* context)
{
    const void* address = failed_instruction(info, context);
    // A trap comes from the program's own arithmetic on the main thread, but
    // this is still a signal handler: the ending does only what is safe here.
    note_trap();
    report_and_exit(error_of_float_trap(info->si_code), address, EndingFrom::handler);
}

}  // namespace

void learn_images()
{
    if (images_known) return;
    dl_iterate_phdr(record_image, nullptr);
    images_known = true;
}

std::uintptr_t image_offset(const void* address)
{
    const auto value = reinterpret_cast<std::uintptr_t>(address);
    for (int i = 0; i < image_count; ++i)
        if (value >= images[i].first && value < images[i].last) return value - images[i].base;
    return value;
}

void mask_float_traps()
{
    if constexpr (float_traps_used) fedisableexcept(float_traps);
    // Without traps the flags stand for them: the closing work starts clean.
    std::feclearexcept(FE_ALL_EXCEPT);
}

void block_other_endings()
{
    sigset_t signals;
    sigfillset(&signals);
    for (int synchronous : {SIGFPE, SIGSEGV, SIGBUS, SIGILL}) sigdelset(&signals, synchronous);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void install_float_checks()
{
    struct sigaction action {};
    action.sa_sigaction = on_float_trap;
    action.sa_flags = SA_SIGINFO;
    // The ending is not interrupted by another signal's ending.
    sigfillset(&action.sa_mask);
    learn_images();
    // Still wanted without floating-point traps: an integer division by
    // zero traps on x86 whatever the build says.
    sigaction(SIGFPE, &action, nullptr);
    std::feclearexcept(FE_ALL_EXCEPT);
    if constexpr (float_traps_used) feenableexcept(float_traps);
}

__attribute__((noinline)) LibraryCallScope::LibraryCallScope() : saved_traps_(0)
{
    if constexpr (float_traps_used) {
#if defined(__x86_64__) || defined(__i386__)
        // An x87 fault not yet raised (it waits for the next x87
        // instruction) is raised here, before the traps are masked.
        __asm__ volatile("fwait");
#endif
        saved_traps_ = fegetexcept();
        fedisableexcept(float_traps);
    } else {
        // The flags the library raises are its own: what the program
        // raised before must be told now.
        check_float_flags(__builtin_return_address(0));
    }
}

LibraryCallScope::~LibraryCallScope()
{
    // What the library raised and ignored must not trap, nor be told, in the program.
    std::feclearexcept(FE_ALL_EXCEPT);
    if constexpr (float_traps_used) feenableexcept(saved_traps_);
}
