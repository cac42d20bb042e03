// EXTENDED where the processor has no 80-bit extended format (ARM, WebAssembly,
// long double as a plain double): a number type of our own that gives the
// bits that format gives, so that every picture comes out the same.
//
// It stands in for long double in the program's code unchanged: numbers,
// integers and long doubles become Extended without a cast, mixed operands
// meet in Extended, and only a cast makes a double or an integer of one
// (`static_cast<REAL>(e)`, as storing a long double into a double needs
// anyway where narrowing is checked).  A division by zero, an overflow or an
// invalid operation ends the program with run-time error 200, 205 or 207,
// told at the statement that made it, as the processor's trap would.
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

#include "runtime/extended_bits.hpp"

// An ordered comparison (<, <=, >, >=) met a NaN: run-time error 207, told
// at the statement that compared (the return address).  Never inlined, and
// it never returns, but is not declared so: the compiler would merge two
// such calls of one function into one, and the place told with them.
void compared_with_nan();

class Extended {
public:
    Extended() = default;
    Extended(double value) : bits_(extended_bits::from_double(value)) {}
    Extended(float value) : Extended(static_cast<double>(value)) {}
    Extended(long double value) : bits_(extended_bits::from_long_double(value)) {}
    template <typename Integer, std::enable_if_t<std::is_integral_v<Integer>, int> = 0>
    Extended(Integer value)
        : bits_(std::is_signed_v<Integer> ? extended_bits::from_integer(static_cast<std::int64_t>(value))
                                          : extended_bits::from_unsigned(static_cast<std::uint64_t>(value)))
    {
    }

    static Extended from_bits(extended_bits::Bits80 bits)
    {
        Extended x;
        x.bits_ = bits;
        return x;
    }
    extended_bits::Bits80 bits() const { return bits_; }

    // Rounded to nearest; overflow is run-time error 205.
    explicit operator double() const
    {
        double value;
        return extended_bits::to_normal_double(bits_, value) ? value : narrowed_to_double();
    }
    explicit operator float() const;
    explicit operator long double() const { return extended_bits::to_long_double(bits_); }
    // Truncated toward zero, as a cast truncates; a value outside the
    // integer's range is an invalid operation (207), as the processor's
    // conversion would be.
    template <typename Integer, std::enable_if_t<std::is_integral_v<Integer>, int> = 0>
    explicit operator Integer() const
    {
        constexpr auto high = std::numeric_limits<Integer>::max();
        constexpr std::int64_t clamped_high =
            static_cast<std::uint64_t>(high) > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(high);
        return static_cast<Integer>(truncated(std::numeric_limits<Integer>::min(), clamped_high));
    }

    // Inline where the operands and the result are normal numbers.
    friend Extended operator+(Extended a, Extended b)
    {
        Extended sum;
        return extended_bits::add_normal(a.bits_, b.bits_, extended_bits::is_negative(b.bits_), sum.bits_)
                   ? sum
                   : added(a, b);
    }
    friend Extended operator-(Extended a, Extended b)
    {
        Extended difference;
        return extended_bits::add_normal(a.bits_, b.bits_, !extended_bits::is_negative(b.bits_), difference.bits_)
                   ? difference
                   : subtracted(a, b);
    }
    friend Extended operator*(Extended a, Extended b)
    {
        Extended product;
        return extended_bits::multiply_normal(a.bits_, b.bits_, product.bits_) ? product : multiplied(a, b);
    }
    friend Extended operator/(Extended a, Extended b);
    friend Extended operator-(Extended a)
    {
        a.bits_.sign_exponent ^= 0x8000;
        return a;
    }
    friend Extended operator+(Extended a) { return a; }
    Extended& operator+=(Extended b) { return *this = *this + b; }
    Extended& operator-=(Extended b) { return *this = *this - b; }
    Extended& operator*=(Extended b) { return *this = *this * b; }
    Extended& operator/=(Extended b) { return *this = *this / b; }

    // == and != are quiet: a NaN is unequal to everything.  An ordered
    // comparison with a NaN is an invalid operation (207), as the processor's
    // signalling comparison is: a NaN need not come from a failed operation
    // (std::nan, quiet_NaN(), a NaN double).
    friend bool operator==(Extended a, Extended b) { return extended_bits::compare(a.bits_, b.bits_) == 0; }
    friend bool operator!=(Extended a, Extended b) { return extended_bits::compare(a.bits_, b.bits_) != 0; }
    friend bool operator<(Extended a, Extended b) { return order(a, b) == -1; }
    friend bool operator<=(Extended a, Extended b) { return order(a, b) <= 0; }
    friend bool operator>(Extended a, Extended b) { return order(a, b) == 1; }
    friend bool operator>=(Extended a, Extended b) { return order(a, b) >= 0; }

private:
    static int order(Extended a, Extended b)
    {
        const int o = extended_bits::compare(a.bits_, b.bits_);
        if (o == 2) compared_with_nan();
        return o;
    }
    std::int64_t truncated(std::int64_t low, std::int64_t high) const;
    // The general ways, with the faults told at their return address: in
    // the statement, since the operations above are inlined into it.
    double narrowed_to_double() const;
    static Extended added(Extended a, Extended b);
    static Extended subtracted(Extended a, Extended b);
    static Extended multiplied(Extended a, Extended b);

    extended_bits::Bits80 bits_;
};

// |x|, and the nearest integer with halves to the even one (the rounding
// mode is never changed), for fabs, rint and rintl on EXTENDED.
inline Extended fabs(Extended x)
{
    extended_bits::Bits80 bits = x.bits();
    bits.sign_exponent &= 0x7FFF;
    return Extended::from_bits(bits);
}
inline Extended abs(Extended x) { return fabs(x); }
inline Extended rint(Extended x) { return Extended::from_bits(extended_bits::round_to_integer(x.bits())); }
inline Extended rintl(Extended x) { return rint(x); }
inline Extended nearbyint(Extended x) { return rint(x); }

// The same under std::, as the program calls them on long double.
namespace std {
using ::abs;
using ::fabs;
using ::nearbyint;
using ::rint;
using ::rintl;
}  // namespace std
