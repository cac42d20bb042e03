// The 80-bit format computed in integers: bit for bit what the processor's
// own long double gives, where it has one, on random operands and on the
// cases where rounding is hardest; and the checked type's faults.
#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/checks.hpp"
#include "runtime/extended.hpp"

namespace {

// (the processor's side needs an 80-bit long double; without one, as with a
// 64-bit long double, only the type's own tests run)
using extended_bits::Bits80;
using ::testing::ExitedWithCode;

[[maybe_unused]] std::string shown(Bits80 x)
{
    char text[40];
    std::snprintf(text, sizeof text, "%04x:%016llx", x.sign_exponent,
                  static_cast<unsigned long long>(x.significand));
    return text;
}

[[maybe_unused]] bool same(Bits80 a, Bits80 b) { return a.significand == b.significand && a.sign_exponent == b.sign_exponent; }

Bits80 bits(std::uint16_t sign_exponent, std::uint64_t significand) { return {significand, sign_exponent}; }

// Operands where rounding is hard: ties and the numbers next to them,
// signed zeros, the extremes of the range, subnormals, infinities, NaN.
[[maybe_unused]] std::vector<Bits80> hard_operands()
{
    const std::uint64_t top = std::uint64_t{1} << 63;
    std::vector<Bits80> values = {
        bits(0x0000, 0), bits(0x8000, 0),                        // zeros
        bits(0x3FFF, top), bits(0xBFFF, top),                    // 1, -1
        bits(0x3FFE, top), bits(0x3FFF, top | 1),                // 0.5, 1 + ulp
        bits(0x3FFF, ~std::uint64_t{0}), bits(0x3FFE, ~std::uint64_t{0}),  // just below 2 and 1
        bits(0x4000, top | 1), bits(0x4000, top | 3),            // odd last bits
        bits(0x7FFE, ~std::uint64_t{0}), bits(0xFFFE, ~std::uint64_t{0}),  // largest
        bits(0x7FFE, top), bits(0x0001, top), bits(0x8001, top),  // smallest normal
        bits(0x0000, 1), bits(0x8000, 1), bits(0x0000, top - 1),  // subnormals
        bits(0x7FFF, top), bits(0xFFFF, top),                    // infinities
        bits(0x7FFF, 0xC000000000000000u),                       // a quiet NaN
        bits(0x403E, top), bits(0x403E, ~std::uint64_t{0}),      // 2^63, 2^64 - 1
        bits(0x4034, top | (std::uint64_t{1} << 10)),            // a double's half ulp above 2^53
        bits(0x3FFF, top | (std::uint64_t{1} << 10)),            // 1 + half a double's ulp: a tie
        bits(0x3FFF, top | (std::uint64_t{1} << 10) | 1),        // just above that tie
        bits(0x3FFF, top | ((std::uint64_t{1} << 10) - 1)),      // just below it
        bits(0x43FE, ~std::uint64_t{0}), bits(0x3C00, top),      // beyond double's range, its smallest
        bits(0x3BCD, top), bits(0x3BCC, top | 1),                // around double's smallest subnormal
    };
    // Halves around whole numbers, for rint.
    for (double half : {0.5, 1.5, 2.5, -0.5, -2.5, 32767.5, -32768.5, 4503599627370495.5})
        values.push_back(extended_bits::from_double(half));
    return values;
}

// Random operands: any bits, or exponents close together (cancellation,
// long carries), or doubles, as the program's operands mostly are.
[[maybe_unused]] Bits80 random_operand(std::mt19937_64& random)
{
    const std::uint64_t significand = random() | (std::uint64_t{1} << 63);
    const auto sign = static_cast<std::uint16_t>(random() & 0x8000);
    switch (random() % 4) {
    case 0: return bits(static_cast<std::uint16_t>(sign | (1 + random() % 0x7FFE)), significand);
    case 1: return bits(static_cast<std::uint16_t>(sign | (0x3FFF - 4 + random() % 8)), significand);
    case 2: {
        double value;
        const std::uint64_t raw = random();
        std::memcpy(&value, &raw, sizeof value);
        return std::isfinite(value) ? extended_bits::from_double(value) : bits(0x3FFF, significand);
    }
    default: {  // near the bottom of the range, subnormals included
        const auto exponent = static_cast<std::uint16_t>(random() % 70);
        return bits(static_cast<std::uint16_t>(sign | exponent), exponent == 0 ? random() >> (1 + random() % 63) : significand);
    }
    }
}

#if LDBL_MANT_DIG == 64 && (defined(__x86_64__) || defined(__i386__))

// The processor's answer, with the faults it raised.
struct Native {
    Bits80 result;
    unsigned faults;
};

unsigned faults_raised()
{
    const int raised = std::fetestexcept(FE_ALL_EXCEPT);
    return ((raised & FE_INVALID) ? extended_bits::invalid : 0u) |
           ((raised & FE_DIVBYZERO) ? extended_bits::division_by_zero : 0u) |
           ((raised & FE_OVERFLOW) ? extended_bits::overflow : 0u);
}

// Not instrumented where divisions test their divisor: here the processor answers.
__attribute__((no_sanitize("float-divide-by-zero"))) Native native(char operation, Bits80 a, Bits80 b)
{
    volatile long double x = extended_bits::to_long_double(a), y = extended_bits::to_long_double(b);
    std::feclearexcept(FE_ALL_EXCEPT);
    long double r = 0;
    switch (operation) {
    case '+': r = x + y; break;
    case '-': r = x - y; break;
    case '*': r = x * y; break;
    case '/': r = x / y; break;
    }
    volatile long double stored = r;
    return {extended_bits::from_long_double(stored), faults_raised()};
}

Native mine(char operation, Bits80 a, Bits80 b)
{
    unsigned faults = 0;
    Bits80 r{};
    switch (operation) {
    case '+': r = extended_bits::add(a, b, faults); break;
    case '-': r = extended_bits::subtract(a, b, faults); break;
    case '*': r = extended_bits::multiply(a, b, faults); break;
    case '/': r = extended_bits::divide(a, b, faults); break;
    }
    return {r, faults};
}

// Every operation on one pair; the first difference, named, or "".
std::string difference(Bits80 a, Bits80 b)
{
    const std::string operands = " on " + shown(a) + ", " + shown(b);
    for (char operation : {'+', '-', '*', '/'}) {
        const Native expected = native(operation, a, b), actual = mine(operation, a, b);
        const bool both_nan = extended_bits::is_nan(expected.result) && extended_bits::is_nan(actual.result);
        if ((!both_nan && !same(expected.result, actual.result)) || expected.faults != actual.faults)
            return std::string(1, operation) + operands + ": " + shown(actual.result) + " faults " +
                   std::to_string(actual.faults) + ", not " + shown(expected.result) + " faults " +
                   std::to_string(expected.faults);
    }
    const long double x = extended_bits::to_long_double(a), y = extended_bits::to_long_double(b);
    const int order = std::isunordered(x, y) ? 2 : (x < y ? -1 : (x > y ? 1 : 0));
    if (extended_bits::compare(a, b) != order) return "compare" + operands;
    return "";
}

// One operand's conversions and rounding.
std::string conversion_difference(Bits80 a)
{
    const long double x = extended_bits::to_long_double(a);
    std::feclearexcept(FE_ALL_EXCEPT);
    volatile double narrow = static_cast<double>(x);
    const unsigned native_faults = faults_raised();
    unsigned faults = 0;
    const double mine_narrow = extended_bits::to_double(a, faults);
    if (std::memcmp(const_cast<const double*>(&narrow), &mine_narrow, sizeof mine_narrow) != 0 &&
        !(std::isnan(narrow) && std::isnan(mine_narrow)))
        return "to double " + shown(a);
    if ((faults & extended_bits::overflow) != (native_faults & extended_bits::overflow))
        return "to double's overflow " + shown(a);
    volatile float single = static_cast<float>(x);
    faults = 0;
    const float mine_single = extended_bits::to_float(a, faults);
    if (std::memcmp(const_cast<const float*>(&single), &mine_single, sizeof mine_single) != 0 &&
        !(std::isnan(single) && std::isnan(mine_single)))
        return "to float " + shown(a);
    const Bits80 rounded = extended_bits::round_to_integer(a);
    const Bits80 native_rounded = extended_bits::from_long_double(std::rintl(x));
    if (!same(rounded, native_rounded) && !extended_bits::is_nan(rounded)) return "rint " + shown(a);
    std::int64_t whole;  // Round's quick way
    if (extended_bits::round_small(a, whole) && whole != static_cast<std::int64_t>(std::rintl(x)))
        return "round_small " + shown(a);
    if (std::isfinite(x) && std::fabs(x) < 9e18L) {
        faults = 0;
        if (extended_bits::to_integer(a, faults) != static_cast<std::int64_t>(x) || faults)
            return "to integer " + shown(a);
    }
    return "";
}

TEST(ExtendedBits, HardCasesMatchTheProcessor)
{
    const std::vector<Bits80> values = hard_operands();
    for (Bits80 a : values) {
        for (Bits80 b : values) {
            const std::string wrong = difference(a, b);
            ASSERT_EQ(wrong, "");
        }
        ASSERT_EQ(conversion_difference(a), "");
    }
}

constexpr int random_pairs = 1000000;

TEST(ExtendedBits, RandomOperandsMatchTheProcessor)
{
    std::mt19937_64 random(20261208);
    for (int k = 0; k < random_pairs; ++k) {
        const Bits80 a = random_operand(random), b = random_operand(random);
        const std::string wrong = difference(a, b);
        ASSERT_EQ(wrong, "") << "pair " << k;
        ASSERT_EQ(conversion_difference(a), "") << "pair " << k;
    }
}

TEST(ExtendedBits, EveryDoubleAndIntegerComesInExactly)
{
    std::mt19937_64 random(7);
    for (int k = 0; k < 200000; ++k) {
        const std::uint64_t raw = random();
        double value;
        std::memcpy(&value, &raw, sizeof value);
        if (std::isnan(value)) continue;
        ASSERT_TRUE(same(extended_bits::from_double(value), extended_bits::from_long_double(value))) << value;
        const auto whole = static_cast<std::int64_t>(raw >> (raw % 64));
        ASSERT_TRUE(same(extended_bits::from_integer(whole), extended_bits::from_long_double(whole))) << whole;
        ASSERT_TRUE(same(extended_bits::from_integer(-whole), extended_bits::from_long_double(-whole))) << whole;
    }
    ASSERT_TRUE(same(extended_bits::from_integer(INT64_MIN), extended_bits::from_long_double(INT64_MIN)));
}

#endif

// The program's own expressions, in the checked type, against the
// processor's 80-bit format on x86 (long double, or __float80 where long
// double is 64 bits wide), elsewhere long double (at least as wide for these).
#if LDBL_MANT_DIG != 64 && (defined(__x86_64__) || defined(__i386__))
using Wide = __float80;
#else
using Wide = long double;
#endif

TEST(Extended, ExpressionsOfTheProgramCompileAndAgree)
{
    const double NY = 100.0 / 207360.0, value = 1234.5678;
    const std::int16_t base = 479, SK = 7, OK = 6;
    const Extended e = static_cast<Extended>(base) - static_cast<Extended>(NY) * value;
    const Wide l = static_cast<Wide>(base) - static_cast<Wide>(NY) * value;
    EXPECT_EQ(static_cast<double>(e), static_cast<double>(l));
    const Extended ratio = static_cast<Extended>(value) / 207360.0;
    const Extended area = ratio * ratio * SK * OK;
    EXPECT_EQ(static_cast<double>(area), static_cast<double>((value / Wide(207360.0)) * (value / Wide(207360.0)) * SK * OK));
    const Extended from_int = 49;
    EXPECT_TRUE(from_int > 48 && from_int < 49.5 && from_int == 49 && from_int != 50);
    EXPECT_EQ(static_cast<std::int32_t>(std::rintl(Extended(2.5))), 2);
    EXPECT_EQ(static_cast<std::int32_t>(std::rintl(Extended(-3.5))), -4);
    EXPECT_EQ(static_cast<double>(std::fabs(Extended(-0.25))), 0.25);
    Extended sum = 0.1;
    sum += 0.2;
    sum *= 3;
    sum -= 1;
    sum /= 2;
    EXPECT_EQ(static_cast<double>(sum), static_cast<double>(((static_cast<Wide>(0.1) + 0.2) * 3 - 1) / 2));
    EXPECT_EQ(static_cast<double>(-Extended(1.5)), -1.5);
}

TEST(ExtendedDeathTest, FaultsStopWithTheirNumbers)
{
    volatile double zero = 0, huge = 1e300;
    std::feclearexcept(FE_ALL_EXCEPT);  // what the other tests left
    EXPECT_EXIT((void)(Extended(1.0) / zero), ExitedWithCode(200), "");
    EXPECT_EXIT((void)(Extended(zero) / zero), ExitedWithCode(207), "");
    EXPECT_EXIT(huge = static_cast<double>(Extended(huge) * huge), ExitedWithCode(205), "");
    EXPECT_EXIT((void)static_cast<std::int16_t>(Extended(40000)), ExitedWithCode(207), "");
    Extended big = huge;
    for (int k = 0; k < 4; ++k) big = big * big;  // 1e4800, near the top of the range
    EXPECT_EXIT((void)(big * big), ExitedWithCode(205), "");
    // An infinity or a NaN reaching an operation was made by a fault that nothing trapped.
    EXPECT_EXIT((void)(Extended(INFINITY) + 1), ExitedWithCode(205), "");
    EXPECT_EXIT((void)(Extended(NAN) * 2), ExitedWithCode(207), "");
}

// Whatever made the NaN (std::nan, quiet_NaN(), a NaN double), ordering it
// is an invalid operation; asking whether it is equal is not.
TEST(ExtendedDeathTest, OrderedComparisonsWithANanStopAndEqualityIsQuiet)
{
    volatile double not_a_number = std::nan("");
    const Extended nan = not_a_number, one = 1;
    std::feclearexcept(FE_ALL_EXCEPT);
    EXPECT_EXIT((void)(nan < one), ExitedWithCode(207), "");
    EXPECT_EXIT((void)(one <= nan), ExitedWithCode(207), "");
    EXPECT_EXIT((void)(nan > -INFINITY), ExitedWithCode(207), "");
    EXPECT_EXIT((void)(nan >= nan), ExitedWithCode(207), "");
    EXPECT_FALSE(nan == nan);
    EXPECT_TRUE(nan != one);
    EXPECT_TRUE(one >= one && one <= one && !(one < one) && !(one > one) && Extended(-0.0) >= 0.0);
}

}  // namespace
