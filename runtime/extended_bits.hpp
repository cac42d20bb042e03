// The 80-bit extended format in plain integers: a 64-bit significand with
// its integer bit, a 15-bit exponent biased by 16383 and a sign, rounded to
// nearest with ties to even, subnormals included.  Each operation gives the
// bits that an x87 unit with its default control word gives, and says which
// of the unmasked exceptions (division by zero, overflow, invalid) it
// raised; what to do about them is the caller's business.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

namespace extended_bits {

struct Bits80 {
    std::uint64_t significand = 0;  // bit 63 is the integer bit, set in normal numbers
    std::uint16_t sign_exponent = 0;  // bit 15 the sign, bits 0..14 the biased exponent
};

// The exceptions an operation raised; the others (underflow, inexact) are
// masked and never told.
enum Fault : unsigned {
    no_fault = 0,
    invalid = 1,
    division_by_zero = 2,
    overflow = 4,
};

constexpr std::uint16_t exponent_of(Bits80 x) { return x.sign_exponent & 0x7FFF; }
constexpr bool is_negative(Bits80 x) { return (x.sign_exponent & 0x8000) != 0; }
// Neither infinite nor NaN.
constexpr bool is_finite(Bits80 x) { return exponent_of(x) != 0x7FFF; }
constexpr bool is_nan(Bits80 x) { return !is_finite(x) && (x.significand << 1) != 0; }
constexpr bool is_zero(Bits80 x) { return exponent_of(x) == 0 && x.significand == 0; }

Bits80 add(Bits80 a, Bits80 b, unsigned& faults);
Bits80 subtract(Bits80 a, Bits80 b, unsigned& faults);
Bits80 multiply(Bits80 a, Bits80 b, unsigned& faults);
Bits80 divide(Bits80 a, Bits80 b, unsigned& faults);
// The nearest integer, halves to the even one; the sign of a zero is kept.
Bits80 round_to_integer(Bits80 x);

// -1, 0 or 1; 2 when either is a NaN (unordered).  Zeros of both signs are equal.
inline int compare(Bits80 a, Bits80 b)
{
    if (is_nan(a) || is_nan(b)) return 2;
    if (is_zero(a) && is_zero(b)) return 0;
    if (is_negative(a) != is_negative(b)) return is_negative(a) ? -1 : 1;
    // Exponent and significand together order the magnitudes.
    const int ea = exponent_of(a), eb = exponent_of(b);
    const int order = ea != eb ? (ea < eb ? -1 : 1)
                               : (a.significand < b.significand ? -1 : (a.significand > b.significand ? 1 : 0));
    return is_negative(a) ? -order : order;
}

// Exact: every double and every 64-bit integer is an extended number.
// Inline, since mixed operands make these the commonest operations.
inline Bits80 from_unsigned(std::uint64_t value, bool negative = false)
{
    const std::uint16_t sign = negative ? 0x8000 : 0;
    if (value == 0) return {0, sign};
    const int shift = __builtin_clzll(value);
    return {value << shift, static_cast<std::uint16_t>(sign | (16383 + 63 - shift))};
}

inline Bits80 from_integer(std::int64_t value)
{
    const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                              : static_cast<std::uint64_t>(value);
    return from_unsigned(magnitude, value < 0);
}

inline Bits80 from_double(double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const std::uint16_t sign = negative ? 0x8000 : 0;
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (exponent == 0x7FF)  // infinity, or a NaN made quiet as the load does
        return {(std::uint64_t{1} << 63) | (fraction == 0 ? 0 : (std::uint64_t{1} << 62) | (fraction << 11)),
                static_cast<std::uint16_t>(sign | 0x7FFF)};
    if (exponent == 0) {  // zero, or a subnormal double: a normal extended number
        if (fraction == 0) return {0, sign};
        const int shift = __builtin_clzll(fraction);
        return {fraction << shift, static_cast<std::uint16_t>(sign | (16383 - 1074 + 63 - shift))};
    }
    return {(std::uint64_t{1} << 63) | (fraction << 11), static_cast<std::uint16_t>(sign | (exponent - 1023 + 16383))};
}
// Rounded to the nearest double or float; too large a number overflows to infinity.
double to_double(Bits80 x, unsigned& faults);
float to_float(Bits80 x, unsigned& faults);
// Truncated toward zero; out of the 64-bit range (or a NaN) is invalid and
// gives the integer indefinite, INT64_MIN.
std::int64_t to_integer(Bits80 x, unsigned& faults);

// The common cases, inline: normal operands with a normal product, and a
// number within the range of normal doubles.  False: take the general way.
inline bool multiply_normal(Bits80 a, Bits80 b, Bits80& product)
{
    constexpr int bias = 16383, top_exponent = 0x7FFF;
    const int ea = exponent_of(a), eb = exponent_of(b);
    if (ea == 0 || eb == 0 || ea == top_exponent || eb == top_exponent) return false;
    const auto m = static_cast<unsigned __int128>(a.significand) * b.significand;  // 2^126 <= m < 2^128
    const bool carried = (m >> 127) != 0;
    int exponent = ea + eb - bias + carried;
    std::uint64_t kept = static_cast<std::uint64_t>(carried ? m >> 64 : m >> 63);
    const std::uint64_t rest = carried ? static_cast<std::uint64_t>(m) : static_cast<std::uint64_t>(m) << 1;
    constexpr std::uint64_t half = std::uint64_t{1} << 63;
    if (rest > half || (rest == half && (kept & 1))) {
        if (++kept == 0) {
            kept = half;
            ++exponent;
        }
    }
    if (exponent <= 0 || exponent >= top_exponent) return false;
    product = {kept, static_cast<std::uint16_t>(((a.sign_exponent ^ b.sign_exponent) & 0x8000) | exponent)};
    return true;
}

// a + b (b with the sign given) for normal operands less than 64 bits of
// exponent apart whose sum is normal; exact in 128 bits, rounded once.
inline bool add_normal(Bits80 a, Bits80 b, bool b_negative, Bits80& sum)
{
    using Wide = unsigned __int128;
    int ea = exponent_of(a), eb = exponent_of(b);
    if (ea == 0 || eb == 0 || ea == 0x7FFF || eb == 0x7FFF) return false;
    bool na = is_negative(a), nb = b_negative;
    std::uint64_t sa = a.significand, sb = b.significand;
    if (ea < eb || (ea == eb && sa < sb)) {  // the larger magnitude first
        std::swap(ea, eb);
        std::swap(sa, sb);
        std::swap(na, nb);
    }
    const int distance = ea - eb;
    if (distance > 63) return false;
    const Wide big = Wide{sa} << 63, small = Wide{sb} << (63 - distance);
    Wide m = na == nb ? big + small : big - small;
    if (m == 0) {  // an exact zero is positive when rounding to nearest
        sum = {0, 0};
        return true;
    }
    const auto high = static_cast<std::uint64_t>(m >> 64);
    const int lead = high ? __builtin_clzll(high) : 64 + __builtin_clzll(static_cast<std::uint64_t>(m));
    m <<= lead;
    int exponent = ea + 1 - lead;
    std::uint64_t kept = static_cast<std::uint64_t>(m >> 64);
    const auto rest = static_cast<std::uint64_t>(m);
    constexpr std::uint64_t half = std::uint64_t{1} << 63;
    if (rest > half || (rest == half && (kept & 1))) {
        if (++kept == 0) {
            kept = half;
            ++exponent;
        }
    }
    if (exponent <= 0 || exponent >= 0x7FFF) return false;
    sum = {kept, static_cast<std::uint16_t>((na ? 0x8000 : 0) | exponent)};
    return true;
}

// |x| < 2^62 rounded to the nearest integer, halves to the even one.
inline bool round_small(Bits80 x, std::int64_t& whole)
{
    const int exponent = exponent_of(x) - 16383;
    if (exponent >= 62 || !(x.significand >> 63)) return false;
    if (exponent < -1) {  // below a half: a zero
        whole = 0;
        return true;
    }
    const int shift = 63 - exponent;  // 2..64
    std::uint64_t kept = shift == 64 ? 0 : x.significand >> shift;
    const std::uint64_t rest = x.significand << (64 - shift);
    constexpr std::uint64_t half = std::uint64_t{1} << 63;
    if (rest > half || (rest == half && (kept & 1))) ++kept;
    whole = is_negative(x) ? -static_cast<std::int64_t>(kept) : static_cast<std::int64_t>(kept);
    return true;
}

inline bool to_normal_double(Bits80 x, double& value)
{
    const int exponent = exponent_of(x) - 16383;
    if (exponent < -1022 || exponent > 1023 || !(x.significand >> 63)) return false;
    // 11 bits go, rounded; a carry to 2^53 goes into the exponent.
    std::uint64_t kept = x.significand >> 11;
    const std::uint64_t rest = x.significand << 53;
    constexpr std::uint64_t half = std::uint64_t{1} << 63;
    if (rest > half || (rest == half && (kept & 1))) ++kept;
    const std::uint64_t bits = (std::uint64_t{is_negative(x)} << 63) + (std::uint64_t(exponent + 1023) << 52) +
                               (kept - (std::uint64_t{1} << 52));
    if (((bits >> 52) & 0x7FF) == 0x7FF) return false;  // overflowed
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

// The native long double's own value, exact where it has at least 64 bits
// of significand and the same exponent range.
Bits80 from_long_double(long double value);
long double to_long_double(Bits80 x);

}  // namespace extended_bits
