// A failed check tells, on standard error, what it saw and the line of the
// code that made the failing operation: here, the lines of this file.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "gfx/console.hpp"
#include "runtime/failure.hpp"
#include "model/model.hpp"
#include "render/render.hpp"
#include "tests/support/support.hpp"

namespace {

using ::testing::ExitedWithCode;

volatile double zero = 0.0;
volatile double huge = 1e308;
volatile double negative = -1.0;

#ifdef _WIN32
// The Windows build has no reader of its debug information: the words, then
// where the line can be had.
std::string told(const std::string& words, int)
{
    return "^" + words + "\n  \\(the source line is told by the Linux build\\)\n$";
}
#elif !SURF_TELLS_LINES
// Built without libdw: the words, then that the line is not known.
std::string told(const std::string& words, int)
{
    return "^" + words + "\n  \\(the source line is not known in this build: it was built without libdw\\)\n";
}
#else
// The words, then "in FUNCTION, tests/failure_test.cpp:LINE" for the line
// that called the check.
std::string told(const std::string& words, int line)
{
    return "^" + words + "\n  in [^\n]*TestBody, tests/failure_test\\.cpp:" + std::to_string(line) + "\n";
}
#endif

TEST(FailureWordsDeathTest, RangeChecksTellTheValueAndTheRange)
{
    EXPECT_EXIT(to_smallint(40000), ExitedWithCode(201), told("range check: 40000 is outside -32768\\.\\.32767", __LINE__));
    EXPECT_EXIT(to_smallint(-32769), ExitedWithCode(201), told("range check: -32769 is outside -32768\\.\\.32767", __LINE__));
    EXPECT_EXIT(Round(40000.5L), ExitedWithCode(201), told("range check: 40000\\.5 rounds outside -32768\\.\\.32767", __LINE__));
}

TEST(FailureWordsDeathTest, TableIndexTellsWhichIndexAndTheIndexingLine)
{
    // The accessor noticed the index; the line told is the one that indexed.
    EXPECT_EXIT(FVT(51, 1), ExitedWithCode(201), told("range check: 51 is outside 1\\.\\.50 \\(FVT row\\)", __LINE__));
    EXPECT_EXIT(FVT(1, 0), ExitedWithCode(201), told("range check: 0 is outside 1\\.\\.50 \\(FVT column\\)", __LINE__));
    EXPECT_EXIT(FVT(0, 99), ExitedWithCode(201), told("range check: 0 is outside 1\\.\\.50 \\(FVT row\\)", __LINE__));
    ColumnArray columns{};
    EXPECT_EXIT(columns(101), ExitedWithCode(201), told("range check: 101 is outside 1\\.\\.100 \\(column array\\)", __LINE__));
}

TEST(FailureWordsDeathTest, OverflowTellsTheOperation)
{
    EXPECT_EXIT(checked_mul(65536, 65536), ExitedWithCode(215), told("integer overflow: 65536 \\* 65536", __LINE__));
    EXPECT_EXIT(checked_add(INT_MAX, 1), ExitedWithCode(215), told("integer overflow: 2147483647 \\+ 1", __LINE__));
    EXPECT_EXIT(checked_sub(INT_MIN, 2), ExitedWithCode(215), told("integer overflow: -2147483648 - 2", __LINE__));
    EXPECT_EXIT(checked_div(INT_MIN, -1), ExitedWithCode(215), told("integer overflow: -2147483648 div -1", __LINE__));
    EXPECT_EXIT(checked_div(7, 0), ExitedWithCode(200), told("division by zero", __LINE__));
}

TEST(FailureWordsDeathTest, FloatingPointTrapsTellTheFaultingLine)
{
    install_float_checks();
    EXPECT_EXIT(zero = 1.0 / zero, ExitedWithCode(200), told("division by zero", __LINE__));
    // Where nothing traps, the next check finds the fault in the status flags.
    EXPECT_EXIT({ huge = huge * huge; check_float_flags_here(); }, ExitedWithCode(205), told("floating-point overflow", __LINE__));
    EXPECT_EXIT(zero = zero / zero, ExitedWithCode(207), told("invalid floating-point operation", __LINE__));
    // In extended precision, as the program's statements are carried.
    EXPECT_EXIT(zero = static_cast<REAL>(static_cast<EXTENDED>(1.0) / zero), ExitedWithCode(200), told("division by zero", __LINE__));
    // Inside the C library's square root the fault is not the student's.
    EXPECT_EXIT({ negative = __builtin_sqrt(negative); check_float_flags_here(); }, ExitedWithCode(207), told("invalid floating-point operation", __LINE__));
    LibraryCallScope restore_the_masks;
}

volatile double not_a_number = __builtin_nan("");
volatile int lowest = INT_MIN;
volatile int minus_one = -1;
volatile int picked = 0;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;  // the sanitizers' run-time reports such a division itself
#else
constexpr bool sanitized = false;
#endif

// In every form: the compiler may pick a quiet comparison for some.
TEST(FailureWordsDeathTest, AnOrderedComparisonWithANanTellsItsLine)
{
    install_float_checks();
    const EXTENDED nan = not_a_number, one = 1.0;
    const std::string invalid = "invalid floating-point operation";
    EXPECT_EXIT(picked = nan < one, ExitedWithCode(207), told(invalid, __LINE__));
    EXPECT_EXIT(picked = one <= nan ? 2 : 3, ExitedWithCode(207), told(invalid, __LINE__));
    EXPECT_EXIT({ if (nan > one) picked = 1; }, ExitedWithCode(207), told(invalid, __LINE__));
    EXPECT_EXIT(picked = !(one >= nan) ? 4 : 5, ExitedWithCode(207), told(invalid, __LINE__));
    // Equality is quiet: a NaN equals nothing, itself included.
    EXPECT_FALSE(nan == nan);
    EXPECT_TRUE(nan != one);
    EXPECT_TRUE(one < 2.0 && one <= one && one >= one && !(one > one));
    LibraryCallScope restore_the_masks;
}

TEST(FailureWordsDeathTest, ExtendedFaultsAndTheLowestDivisionTellTheirLine)
{
    install_float_checks();
    const EXTENDED big = huge;
    // Told at the store into the double, not at the next x87 instruction.
    const int line = __LINE__ + 1;
    EXPECT_EXIT({ zero = static_cast<REAL>(big * 1e10); check_float_flags_here(); }, ExitedWithCode(205),
                told("floating-point overflow", line));
    // x86 traps it as a division by zero; elsewhere the division's check says the same.
    if (!sanitized) {
        EXPECT_EXIT(picked = lowest / minus_one, ExitedWithCode(200), told("division by zero", __LINE__));
    }
    LibraryCallScope restore_the_masks;
}

// Where nothing traps, a fault found late says so after the place.
TEST(FailureWordsDeathTest, AFaultFoundInTheFlagsSaysItWasFoundLate)
{
    if (float_traps_used) GTEST_SKIP() << "the processor's traps tell the faulting line itself";
    install_float_checks();
    const int line = __LINE__ + 1;
    EXPECT_EXIT({ huge = huge * huge; to_smallint(1); }, ExitedWithCode(205),
                told("floating-point overflow", line) + "  \\(found there by the first check after the failing operation");
}

#if !defined(_WIN32) && SURF_TELLS_LINES  // the lines of the code are told on Linux, with libdw
TEST(FailureWordsDeathTest, ConsoleWriteTellsTheIoError)
{
    prepare_model();
    test_platform().fail_writes = true;
    EXPECT_EXIT(WriteLine("abc"), ExitedWithCode(101),
                "^cannot write the console \\(I/O error 101\\)\n  in WriteLine, gfx/console\\.cpp:[0-9]+\n"
                "  called from [^\n]*TestBody, tests/failure_test\\.cpp:");
}

// An inlined helper of a renderer is told with the line that called it.
[[gnu::always_inline]] inline SMALLINT scaled(SMALLINT value) { return to_smallint(checked_mul(value, 2000)); }
const int scaled_line = __LINE__ - 1;

TEST(FailureWordsDeathTest, InlinedHelperIsToldWithItsCaller)
{
    const int call_line = __LINE__ + 4;
    const std::string expected = "^range check: 40000 is outside -32768\\.\\.32767\n  in scaled, tests/failure_test\\.cpp:" +
                                 std::to_string(scaled_line) + "\n  called from [^\n]*TestBody, tests/failure_test\\.cpp:" +
                                 std::to_string(call_line) + "\n";
    EXPECT_EXIT(scaled(20), ExitedWithCode(201), expected);
}

// A renderer's nested procedure written as a lambda is a function call
// operator too, but no accessor: the fault is told inside it.
TEST(FailureWordsDeathTest, FaultInALambdaIsToldAtTheLambdasLine)
{
    const auto step = [](SMALLINT value) { return to_smallint(checked_mul(value, 2000)); };
    const int step_line = __LINE__ - 1;
    EXPECT_EXIT(step(20), ExitedWithCode(201),
                "\n  in [^\n]*, tests/failure_test\\.cpp:" + std::to_string(step_line) + "\n");
}
#endif

}  // namespace
