// Extended's checked operations.  Each is a call of its own, never inlined,
// so that its return address is in the statement that used it (directly,
// or through an inline operator of the header, which the place told passes
// over): a fault is told there, as a trap would be.
#include "runtime/extended.hpp"

#include "runtime/checks.hpp"

namespace {

using extended_bits::Bits80;

[[noreturn]] void report_fault(unsigned faults, const void* where)
{
    if (faults & extended_bits::division_by_zero) run_error(RunErrorCode::division_by_zero, where);
    if (faults & extended_bits::overflow) run_error(RunErrorCode::float_overflow, where);
    run_error(RunErrorCode::float_invalid, where);
}

// An infinity or a NaN as an operand: where the processor does not trap,
// an earlier operation (on doubles) failed and the status flags say how;
// this is the first place that can tell it.
[[noreturn]] void report_stale_operand(Bits80 x, const void* where)
{
    check_float_flags(where);
    run_error(extended_bits::is_nan(x) ? RunErrorCode::float_invalid : RunErrorCode::float_overflow, where);
}

using Operation = Bits80 (*)(Bits80, Bits80, unsigned&);

inline Extended checked(Operation operation, Extended a, Extended b, const void* where)
{
    if (!extended_bits::is_finite(a.bits())) report_stale_operand(a.bits(), where);
    if (!extended_bits::is_finite(b.bits())) report_stale_operand(b.bits(), where);
    unsigned faults = 0;
    const Bits80 result = operation(a.bits(), b.bits(), faults);
    if (faults) report_fault(faults, where);
    return Extended::from_bits(result);
}

}  // namespace

__attribute__((noinline)) Extended Extended::added(Extended a, Extended b)
{
    return checked(extended_bits::add, a, b, __builtin_return_address(0));
}

__attribute__((noinline)) Extended Extended::subtracted(Extended a, Extended b)
{
    return checked(extended_bits::subtract, a, b, __builtin_return_address(0));
}

__attribute__((noinline)) Extended Extended::multiplied(Extended a, Extended b)
{
    return checked(extended_bits::multiply, a, b, __builtin_return_address(0));
}

__attribute__((noinline)) Extended operator/(Extended a, Extended b)
{
    return checked(extended_bits::divide, a, b, __builtin_return_address(0));
}

__attribute__((noinline)) double Extended::narrowed_to_double() const
{
    if (!extended_bits::is_finite(bits_)) report_stale_operand(bits_, __builtin_return_address(0));
    unsigned faults = 0;
    const double value = extended_bits::to_double(bits_, faults);
    if (faults) report_fault(faults, __builtin_return_address(0));
    return value;
}

__attribute__((noinline)) Extended::operator float() const
{
    if (!extended_bits::is_finite(bits_)) report_stale_operand(bits_, __builtin_return_address(0));
    unsigned faults = 0;
    const float value = extended_bits::to_float(bits_, faults);
    if (faults) report_fault(faults, __builtin_return_address(0));
    return value;
}

__attribute__((noinline)) std::int64_t Extended::truncated(std::int64_t low, std::int64_t high) const
{
    if (!extended_bits::is_finite(bits_)) report_stale_operand(bits_, __builtin_return_address(0));
    unsigned faults = 0;
    const std::int64_t value = extended_bits::to_integer(bits_, faults);
    if (faults || value < low || value > high) report_fault(extended_bits::invalid, __builtin_return_address(0));
    return value;
}

__attribute__((noinline)) void compared_with_nan()
{
    // Where nothing traps, a failed operation of doubles may have made the
    // NaN: the status flags tell that first.
    check_float_flags(__builtin_return_address(0));
    run_error(RunErrorCode::float_invalid, __builtin_return_address(0));
}
