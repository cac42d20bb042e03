// EXTENDED on x86, where long double is the 80-bit extended format: the
// processor's long double itself, computed by the same instructions, in a
// thin type whose ordered comparisons (<, <=, >, >=) test for a NaN.
//
// The processor's signalling comparison would trap on a NaN too, but the
// compiler may pick the quiet one for some forms of the same comparison
// (`x < y ? 2 : 3`), and an x87 fault is raised only at the next x87
// instruction, which may never come before the traps are masked.  The test
// here ends every such comparison with run-time error 207 at its own line,
// as the integer-computed type does.  The interface is Extended's: only a
// cast makes a double or an integer of one.
#pragma once

#include <type_traits>

#include "runtime/extended.hpp"

class NativeExtended {
public:
    NativeExtended() = default;
    NativeExtended(double value) : value_(value) {}
    NativeExtended(float value) : value_(value) {}
    NativeExtended(long double value) : value_(value) {}
    template <typename Integer, std::enable_if_t<std::is_integral_v<Integer>, int> = 0>
    NativeExtended(Integer value) : value_(static_cast<long double>(value))
    {
    }

    explicit operator double() const { return settled(static_cast<double>(value_)); }
    explicit operator float() const { return settled(static_cast<float>(value_)); }
    explicit operator long double() const { return value_; }
    template <typename Integer, std::enable_if_t<std::is_integral_v<Integer>, int> = 0>
    explicit operator Integer() const
    {
        return settled(static_cast<Integer>(value_));
    }

    friend NativeExtended operator+(NativeExtended a, NativeExtended b) { return a.value_ + b.value_; }
    friend NativeExtended operator-(NativeExtended a, NativeExtended b) { return a.value_ - b.value_; }
    friend NativeExtended operator*(NativeExtended a, NativeExtended b) { return a.value_ * b.value_; }
    friend NativeExtended operator/(NativeExtended a, NativeExtended b) { return a.value_ / b.value_; }
    friend NativeExtended operator-(NativeExtended a) { return -a.value_; }
    friend NativeExtended operator+(NativeExtended a) { return a; }
    NativeExtended& operator+=(NativeExtended b) { return *this = *this + b; }
    NativeExtended& operator-=(NativeExtended b) { return *this = *this - b; }
    NativeExtended& operator*=(NativeExtended b) { return *this = *this * b; }
    NativeExtended& operator/=(NativeExtended b) { return *this = *this / b; }

    friend bool operator==(NativeExtended a, NativeExtended b) { return a.value_ == b.value_; }
    friend bool operator!=(NativeExtended a, NativeExtended b) { return a.value_ != b.value_; }
    friend bool operator<(NativeExtended a, NativeExtended b) { return ordered(a, b) && a.value_ < b.value_; }
    friend bool operator<=(NativeExtended a, NativeExtended b) { return ordered(a, b) && a.value_ <= b.value_; }
    friend bool operator>(NativeExtended a, NativeExtended b) { return ordered(a, b) && a.value_ > b.value_; }
    friend bool operator>=(NativeExtended a, NativeExtended b) { return ordered(a, b) && a.value_ >= b.value_; }

private:
    // A conversion that overflows is raised here, while the statement that
    // made it is still on the stack: an x87 fault waits for the next x87
    // instruction, which an unoptimised build reaches only after returning.
    template <typename T>
    static T settled(T converted)
    {
        __asm__ volatile("fwait");
        return converted;
    }

    static bool ordered(NativeExtended a, NativeExtended b)
    {
        if (__builtin_isunordered(a.value_, b.value_)) compared_with_nan();
        return true;
    }

    long double value_;
};

inline NativeExtended fabs(NativeExtended x) { return __builtin_fabsl(static_cast<long double>(x)); }
inline NativeExtended abs(NativeExtended x) { return fabs(x); }
// The rounding mode is never changed: to nearest, halves to the even one.
inline NativeExtended rint(NativeExtended x) { return __builtin_rintl(static_cast<long double>(x)); }
inline NativeExtended rintl(NativeExtended x) { return rint(x); }
inline NativeExtended nearbyint(NativeExtended x) { return __builtin_nearbyintl(static_cast<long double>(x)); }

namespace std {
using ::abs;
using ::fabs;
using ::nearbyint;
using ::rint;
using ::rintl;
}  // namespace std
