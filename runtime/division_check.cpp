// Where nothing traps, the compiler puts a test of the divisor before every
// division of the program's code (-fsanitize=float-divide-by-zero and
// integer-divide-by-zero) and calls this when it is zero.  The call is in
// the statement that divides, so its return address tells that line, as a
// trap's address does.  An integer division of the lowest number by -1
// traps on x86 as a division by zero does, and so it ends here too: that
// test comes with -fsanitize=signed-integer-overflow, whose tests of sums,
// differences and products change nothing (they wrap, as on x86).  Nothing
// of the sanitizers' own run-time is used.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "runtime/checks.hpp"

namespace {

// What the compiler passes: the place, and the type of the operands.
struct SourcePlace {
    const char* file;
    std::uint32_t line, column;
};
struct TypeDescription {
    std::uint16_t kind;  // 0: integer, 1: floating point
    std::uint16_t info;  // for floating point: its width in bits
    char name[1];
};
struct DivisionData {
    SourcePlace place;
    const TypeDescription& type;
};

// A floating-point operand is passed in the handle when it fits, else by
// its address; every width the program uses fits in a long double.
long double operand_value(const TypeDescription& type, std::uintptr_t handle)
{
    if (type.info == 32) {
        float value;
        const auto bits = static_cast<std::uint32_t>(handle);
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    if (type.info == 64 && sizeof handle * 8 >= 64) {
        double value;
        const auto bits = static_cast<std::uint64_t>(handle);
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    if (type.info == 64) return *reinterpret_cast<const double*>(handle);
    return *reinterpret_cast<const long double*>(handle);
}

void on_zero_divisor(const DivisionData& data, std::uintptr_t dividend, const void* where)
{
    // (a zero divisor, or the lowest number divided by -1)
    if (data.type.kind != 1) run_error(RunErrorCode::division_by_zero, where);
    // 0 / 0 and NaN / 0 are invalid; infinity / 0 is no fault at all.
    const long double value = operand_value(data.type, dividend);
    if (value == 0 || std::isnan(value)) run_error(RunErrorCode::float_invalid, where);
    if (std::isinf(value)) return;
    run_error(RunErrorCode::division_by_zero, where);
}

}  // namespace

// The compiler's own declaration: the data, and the two operands' handles.
extern "C" {

__attribute__((noinline)) void __ubsan_handle_divrem_overflow(void* data, void* dividend, void*)
{
    on_zero_divisor(*static_cast<DivisionData*>(data), reinterpret_cast<std::uintptr_t>(dividend),
                    __builtin_return_address(0));
}

__attribute__((noinline)) void __ubsan_handle_divrem_overflow_abort(void* data, void* dividend, void*)
{
    on_zero_divisor(*static_cast<DivisionData*>(data), reinterpret_cast<std::uintptr_t>(dividend),
                    __builtin_return_address(0));
}

// A sum, difference, product or negation out of its type's range: the
// result wraps, as the processor's instruction does.
void __ubsan_handle_add_overflow(void*, void*, void*) {}
void __ubsan_handle_sub_overflow(void*, void*, void*) {}
void __ubsan_handle_mul_overflow(void*, void*, void*) {}
void __ubsan_handle_negate_overflow(void*, void*) {}

}  // extern "C"
