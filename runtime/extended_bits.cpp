// The extended format's operations on integers.  Each finite operand is
// taken apart into a signed integer significand and the exponent of its
// last bit; the exact result is formed in 128 bits (with a sticky bit where
// bits must go), and pack() rounds it once, to nearest with ties to even.
#include "runtime/extended_bits.hpp"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <utility>

namespace extended_bits {

namespace {

using Wide = unsigned __int128;

constexpr int bias = 16383;
constexpr int top_exponent = 0x7FFF;
// The exponent of a subnormal number's last bit (and of the smallest normal's).
constexpr int lowest_last_bit = 1 - bias - 63;
constexpr std::uint64_t integer_bit = std::uint64_t{1} << 63;
constexpr Bits80 default_nan = {0xC000000000000000u, 0xFFFF};  // the "indefinite"

// A finite number as significand * 2^last_bit.
struct Parts {
    bool negative;
    std::uint64_t significand;
    int last_bit;
};

Parts parts_of(Bits80 x)
{
    const int exponent = exponent_of(x);
    return {is_negative(x), x.significand, exponent == 0 ? lowest_last_bit : exponent - bias - 63};
}

std::uint16_t sign_bit(bool negative) { return negative ? 0x8000 : 0; }

Bits80 infinity(bool negative) { return {integer_bit, static_cast<std::uint16_t>(sign_bit(negative) | top_exponent)}; }

Bits80 quiet(Bits80 nan)
{
    nan.significand |= std::uint64_t{1} << 62;
    return nan;
}

// The NaN an operation with a NaN operand gives: the one with the larger
// significand when both are.
Bits80 nan_result(Bits80 a, Bits80 b)
{
    if (!is_nan(a)) return quiet(b);
    if (!is_nan(b)) return quiet(a);
    return quiet(a).significand >= quiet(b).significand ? quiet(a) : quiet(b);
}

int bit_length(Wide m)
{
    const auto high = static_cast<std::uint64_t>(m >> 64);
    const auto low = static_cast<std::uint64_t>(m);
    if (high) return 128 - __builtin_clzll(high);
    return low ? 64 - __builtin_clzll(low) : 0;
}

// m / 2^shift rounded to nearest, ties to even; shift >= 1.
[[gnu::always_inline]] inline Wide shift_right_rounded(Wide m, int shift)
{
    if (shift >= 128) return shift == 128 && m > (Wide{1} << 127) ? 1 : 0;
    const Wide quotient = m >> shift;
    const Wide rest = m << (128 - shift);  // the bits shifted out, from the top
    constexpr Wide half = Wide{1} << 127;
    return quotient + (rest > half || (rest == half && (quotient & 1)));
}

// The number m * 2^last_bit, rounded once into the format.
[[gnu::always_inline]] inline Bits80 pack(bool negative, int last_bit, Wide m, unsigned& faults)
{
    if (m == 0) return {0, sign_bit(negative)};
    const int top = last_bit + bit_length(m) - 1;
    int kept_last_bit = std::max(top - 63, lowest_last_bit);
    Wide kept = kept_last_bit <= last_bit ? m << (last_bit - kept_last_bit)
                                          : shift_right_rounded(m, kept_last_bit - last_bit);
    if (kept >> 64) {  // rounded up to 2^64
        kept >>= 1;
        ++kept_last_bit;
    }
    const auto significand = static_cast<std::uint64_t>(kept);
    if (significand == 0) return {0, sign_bit(negative)};
    if (!(significand & integer_bit)) return {significand, sign_bit(negative)};  // subnormal
    const int exponent = kept_last_bit + 63 + bias;
    if (exponent >= top_exponent) {
        faults |= overflow;
        return infinity(negative);
    }
    return {significand, static_cast<std::uint16_t>(sign_bit(negative) | exponent)};
}

Bits80 add_special(Bits80 a, Bits80 b, bool b_negative, unsigned& faults)
{
    if (is_nan(a) || is_nan(b)) return nan_result(a, b);
    if (!is_finite(a) && !is_finite(b) && is_negative(a) != b_negative) {
        faults |= invalid;
        return default_nan;
    }
    return is_finite(a) ? infinity(b_negative) : a;
}

// a + b, with b's sign given apart so that subtraction is the same sum.
Bits80 add_signed(Bits80 a, Bits80 b, bool b_negative, unsigned& faults)
{
    if (!is_finite(a) || !is_finite(b)) return add_special(a, b, b_negative, faults);
    Parts x = parts_of(a), y = parts_of(b);
    y.negative = b_negative;
    if (y.significand == 0) {
        if (x.significand == 0) return {0, sign_bit(x.negative && y.negative)};
        return a;
    }
    if (x.significand == 0) return pack(y.negative, y.last_bit, y.significand, faults);
    if (x.last_bit < y.last_bit) std::swap(x, y);
    // Line the two up on y's last bit; when y lies wholly below x's last
    // bit by more than 64 bits, what is left of it is one sticky bit, far
    // below the bit that decides the rounding.
    const int distance = x.last_bit - y.last_bit;
    Wide mx, my;
    int last_bit;
    if (distance <= 64) {
        mx = Wide{x.significand} << distance;
        my = y.significand;
        last_bit = y.last_bit;
    } else {
        mx = Wide{x.significand} << 64;
        const int shift = distance - 64;
        my = shift >= 64 ? 1 : (y.significand >> shift) | ((y.significand << (64 - shift)) != 0);
        last_bit = x.last_bit - 64;
    }
    if (x.negative == y.negative) return pack(x.negative, last_bit, mx + my, faults);
    if (mx == my) return {0, 0};  // an exact zero is positive when rounding to nearest
    return mx > my ? pack(x.negative, last_bit, mx - my, faults) : pack(y.negative, last_bit, my - mx, faults);
}

// The significand shifted up until its integer bit is set.
Parts normalized(Parts p)
{
    const int shift = __builtin_clzll(p.significand);
    p.significand <<= shift;
    p.last_bit -= shift;
    return p;
}

// A float or double's bits: `fraction_bits` stored significand bits and
// `exponent_bits` exponent bits, rounded once.
[[gnu::always_inline]] inline std::uint64_t narrowed(Bits80 x, int fraction_bits, int exponent_bits, unsigned& faults)
{
    const int narrow_bias = (1 << (exponent_bits - 1)) - 1;
    const int all_ones = (1 << exponent_bits) - 1;
    const int narrow_lowest_last_bit = 1 - narrow_bias - fraction_bits;
    const std::uint64_t fraction_mask = (std::uint64_t{1} << fraction_bits) - 1;
    const std::uint64_t sign = std::uint64_t{is_negative(x)} << (fraction_bits + exponent_bits);
    const std::uint64_t infinite = sign | (std::uint64_t(all_ones) << fraction_bits);
    if (is_nan(x))  // the top fraction bits, made quiet
        return infinite | ((x.significand >> (63 - fraction_bits)) & fraction_mask) |
               (std::uint64_t{1} << (fraction_bits - 1));
    if (!is_finite(x)) return infinite;
    const Parts p = parts_of(x);
    if (p.significand == 0) return sign;
    const int top = p.last_bit + bit_length(p.significand) - 1;
    int kept_last_bit = std::max(top - fraction_bits, narrow_lowest_last_bit);
    Wide kept = kept_last_bit <= p.last_bit ? Wide{p.significand} << (p.last_bit - kept_last_bit)
                                            : shift_right_rounded(p.significand, kept_last_bit - p.last_bit);
    if (kept >> (fraction_bits + 1)) {
        kept >>= 1;
        ++kept_last_bit;
    }
    const auto significand = static_cast<std::uint64_t>(kept);
    if (!(significand >> fraction_bits)) return sign | significand;  // subnormal or zero
    const int exponent = kept_last_bit + fraction_bits + narrow_bias;
    if (exponent >= all_ones) {
        faults |= overflow;
        return infinite;
    }
    return sign | (std::uint64_t(exponent) << fraction_bits) | (significand & fraction_mask);
}

}  // namespace

Bits80 add(Bits80 a, Bits80 b, unsigned& faults)
{
    Bits80 sum;
    if (add_normal(a, b, is_negative(b), sum)) return sum;
    return add_signed(a, b, is_negative(b), faults);
}

Bits80 subtract(Bits80 a, Bits80 b, unsigned& faults)
{
    Bits80 difference;
    if (add_normal(a, b, !is_negative(b), difference)) return difference;
    return add_signed(a, b, !is_negative(b), faults);
}

Bits80 multiply(Bits80 a, Bits80 b, unsigned& faults)
{
    Bits80 product;
    if (multiply_normal(a, b, product)) return product;
    const bool negative = is_negative(a) != is_negative(b);
    if (is_nan(a) || is_nan(b)) return nan_result(a, b);
    if (!is_finite(a) || !is_finite(b)) {
        if (is_zero(a) || is_zero(b)) {
            faults |= invalid;
            return default_nan;
        }
        return infinity(negative);
    }
    const Parts x = parts_of(a), y = parts_of(b);
    return pack(negative, x.last_bit + y.last_bit, Wide{x.significand} * y.significand, faults);
}

Bits80 divide(Bits80 a, Bits80 b, unsigned& faults)
{
    const bool negative = is_negative(a) != is_negative(b);
    if (is_nan(a) || is_nan(b)) return nan_result(a, b);
    if (!is_finite(a)) {
        if (!is_finite(b)) {
            faults |= invalid;
            return default_nan;
        }
        return infinity(negative);
    }
    if (!is_finite(b)) return {0, sign_bit(negative)};
    if (is_zero(b)) {
        if (is_zero(a)) {
            faults |= invalid;
            return default_nan;
        }
        faults |= division_by_zero;
        return infinity(negative);
    }
    if (is_zero(a)) return {0, sign_bit(negative)};
    const Parts x = normalized(parts_of(a)), y = normalized(parts_of(b));
    // 64 or 65 quotient bits, one more, and a sticky bit for the remainder.
    const Wide numerator = Wide{x.significand} << 64;
    const Wide quotient = numerator / y.significand;
    const Wide twice_remainder = (numerator % y.significand) << 1;
    const bool next_bit = twice_remainder >= y.significand;
    const Wide rest = twice_remainder - (next_bit ? y.significand : 0);
    const Wide m = (quotient << 2) | (Wide{next_bit} << 1) | Wide{rest != 0};
    return pack(negative, x.last_bit - y.last_bit - 66, m, faults);
}

Bits80 round_to_integer(Bits80 x)
{
    if (!is_finite(x)) return is_nan(x) ? quiet(x) : x;
    const Parts p = parts_of(x);
    if (p.significand == 0 || p.last_bit >= 0) return x;
    unsigned exact = 0;
    return pack(p.negative, 0, shift_right_rounded(p.significand, -p.last_bit), exact);
}

double to_double(Bits80 x, unsigned& faults)
{
    double value;
    if (to_normal_double(x, value)) return value;
    const std::uint64_t bits = narrowed(x, 52, 11, faults);
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float to_float(Bits80 x, unsigned& faults)
{
    const auto bits = static_cast<std::uint32_t>(narrowed(x, 23, 8, faults));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::int64_t to_integer(Bits80 x, unsigned& faults)
{
    if (!is_finite(x)) {
        faults |= invalid;
        return INT64_MIN;
    }
    const Parts p = parts_of(x);
    if (p.significand == 0) return 0;
    const std::uint64_t limit = p.negative ? integer_bit : integer_bit - 1;
    std::uint64_t magnitude;
    if (p.last_bit >= 0) {
        if (p.last_bit >= 64 || (p.significand >> (63 - p.last_bit)) > 1) {
            faults |= invalid;
            return INT64_MIN;
        }
        magnitude = p.significand << p.last_bit;
    } else {
        magnitude = p.last_bit <= -64 ? 0 : p.significand >> -p.last_bit;
    }
    if (magnitude > limit) {
        faults |= invalid;
        return INT64_MIN;
    }
    return p.negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

#if LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384 && (defined(__i386__) || defined(__x86_64__))

// The native long double is this very format.
Bits80 from_long_double(long double value)
{
    Bits80 x;
    std::memcpy(&x.significand, &value, 8);
    std::memcpy(&x.sign_exponent, reinterpret_cast<const char*>(&value) + 8, 2);
    return x;
}

long double to_long_double(Bits80 x)
{
    long double value = 0;
    std::memcpy(&value, &x.significand, 8);
    std::memcpy(reinterpret_cast<char*>(&value) + 8, &x.sign_exponent, 2);
    return value;
}

#else

// A long double of a double's size goes through double: its library
// functions (frexpl, ldexpl) may be another format's, as they are for
// -mlong-double-64 on x86-64 Linux, whose C library's long double has 80 bits.
constexpr bool long_double_is_double = LDBL_MANT_DIG == DBL_MANT_DIG && LDBL_MAX_EXP == DBL_MAX_EXP;

// A wider long double (binary128) rounds once; a double-sized one is exact.
Bits80 from_long_double(long double value)
{
    if constexpr (long_double_is_double) return from_double(static_cast<double>(value));
    const bool negative = std::signbit(value);
    if (std::isnan(value)) return default_nan;
    if (std::isinf(value)) return infinity(negative);
    if (value == 0) return {0, sign_bit(negative)};
    int exponent = 0;
    const long double scaled = std::ldexp(std::fabs(std::frexp(value, &exponent)), 64);
    const long double high = std::floor(scaled);
    const long double low = std::ldexp(scaled - high, 64);
    const long double low_whole = std::floor(low);
    const Wide m = (Wide{static_cast<std::uint64_t>(high)} << 64) | static_cast<std::uint64_t>(low_whole) |
                   Wide{low != low_whole};
    unsigned faults = 0;
    return pack(negative, exponent - 128, m, faults);
}

// Exact for binary128; a double-sized long double rounds (for messages only).
long double to_long_double(Bits80 x)
{
    if constexpr (long_double_is_double) {
        unsigned faults = 0;  // an overflow gives an infinity here
        return is_nan(x) ? NAN : to_double(x, faults);
    }
    if (is_nan(x)) return NAN;
    if (!is_finite(x)) return is_negative(x) ? -HUGE_VALL : HUGE_VALL;
    const Parts p = parts_of(x);
    const long double magnitude = std::ldexp(static_cast<long double>(p.significand), p.last_bit);
    return p.negative ? -magnitude : magnitude;
}

#endif

}  // namespace extended_bits
