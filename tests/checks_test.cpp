// The run-time checks: each failure ends the program with its number.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdio>
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <string>
#include <unistd.h>

#include "gfx/code_page.hpp"
#include "model/model.hpp"
#include "runtime/shortstring.hpp"
#include "tests/support/support.hpp"

namespace {

using ::testing::ExitedWithCode;

volatile double divisor = 0.0;
volatile double huge = 1e308;
volatile double negative = -1.0;

TEST(ChecksDeathTest, RangeOverflowAndDivisionStopWithTheirNumbers)
{
    EXPECT_EXIT(to_smallint(32768), ExitedWithCode(201), "");
    EXPECT_EXIT(to_smallint(-32769), ExitedWithCode(201), "");
    EXPECT_EXIT(FVT(0, 1), ExitedWithCode(201), "");
    EXPECT_EXIT(FVT(1, 51), ExitedWithCode(201), "");
    EXPECT_EXIT(checked_add(INT32_MAX, 1), ExitedWithCode(215), "");
    EXPECT_EXIT(checked_sub(INT32_MIN, 1), ExitedWithCode(215), "");
    EXPECT_EXIT(checked_mul(65536, 65536), ExitedWithCode(215), "");
    EXPECT_EXIT(checked_div(7, 0), ExitedWithCode(200), "");
    EXPECT_EXIT(Round(32767.5L), ExitedWithCode(201), "");
}

TEST(ChecksDeathTest, FloatingPointTrapsGiveTheirNumbers)
{
    EXPECT_EXIT(
        {
            install_float_checks();
            divisor = 1.0 / divisor;
        },
        ExitedWithCode(200), "");
    EXPECT_EXIT(
        {
            install_float_checks();
            huge = huge * huge;
            check_float_flags_here();  // where nothing traps
        },
        ExitedWithCode(205), "");
    EXPECT_EXIT(
        {
            install_float_checks();
            negative = __builtin_sqrt(negative);
            check_float_flags_here();
        },
        ExitedWithCode(207), "");
}

TEST(ChecksDeathTest, LibraryScopeMasksTrapsAndRestoresThem)
{
    EXPECT_EXIT(
        {
            install_float_checks();
            {
                LibraryCallScope library;
                huge = huge * huge;  // harmless inside a library call
            }
            check_float_flags_here();
            std::_Exit(3);
        },
        ExitedWithCode(3), "");
    EXPECT_EXIT(
        {
            install_float_checks();
            { LibraryCallScope library; }
            divisor = 1.0 / divisor;
        },
        ExitedWithCode(200), "");
}

// Where nothing traps, what the program raised before a library call is
// told on the way in; what the library raised is its own.
TEST(ChecksDeathTest, WithoutTrapsALibraryCallTellsWhatCameBefore)
{
    if (float_traps_used) GTEST_SKIP() << "the processor's traps tell it at once";
    EXPECT_EXIT(
        {
            install_float_checks();
            huge = huge * huge;
            LibraryCallScope library;
        },
        ExitedWithCode(205), "");
    EXPECT_EXIT(
        {
            install_float_checks();
            { LibraryCallScope library; negative = __builtin_sqrt(negative); }
            to_smallint(1);
            std::_Exit(3);
        },
        ExitedWithCode(3), "");
}

TEST(ChecksDeathTest, ZeroGridFailsWithDivisionByZero)
{
    EXPECT_EXIT(
        {
            reset_model();
            set_plan_steps();
        },
        ExitedWithCode(200), "");
}

void close_window_for_test() { std::fputs("window closed\n", stderr); }
void give_back_terminal_for_test() { std::fputs("terminal given back\n", stderr); }

TEST(ChecksDeathTest, ClosingWorkRunsBeforeTheMessage)
{
    EXPECT_EXIT(
        {
            set_closing_work(close_window_for_test);
            set_signal_safe_closing_work(give_back_terminal_for_test);
            to_smallint(40000);
        },
        ExitedWithCode(201), "window closed\nterminal given back\n");
}

// A trap's handler must not call the window library: only the terminal is
// given back, and the exit takes the window away.
TEST(ChecksDeathTest, AFloatTrapEndsWithTheSignalSafeWorkOnly)
{
    if (!float_traps_used) GTEST_SKIP() << "nothing traps: every fault ends from the program's own code";
    EXPECT_EXIT(
        {
            set_closing_work(close_window_for_test);
            set_signal_safe_closing_work(give_back_terminal_for_test);
            install_float_checks();
            divisor = 1.0 / divisor;
        },
        ExitedWithCode(200), "^terminal given back\ndivision by zero\n");
}

TEST(ChecksDeathTest, EveryEndingRunsTheClosingWorkOnce)
{
    EXPECT_EXIT(
        {
            set_closing_work([] {
                close_window_for_test();
                end_program(9, {}, EndingFrom::program);  // an ending inside the closing work
            });
            set_signal_safe_closing_work(give_back_terminal_for_test);
            end_program(0, {}, EndingFrom::program);
        },
        ExitedWithCode(9), "^window closed\nterminal given back\n$");
}

// The message is built by hand (a signal handler cannot format), and must
// read as the formatted one: the address relative to its own image.
TEST(RunErrorMessage, TellsTheNumberAndTheAddressInItsImage)
{
    int in_program = 0;
    const void* addresses[] = {reinterpret_cast<const void*>(&close_window_for_test),
                               reinterpret_cast<const void*>(&write), &in_program, nullptr};
    for (const void* address : addresses) {
        unsigned long long offset = reinterpret_cast<unsigned long long>(address);
#ifdef _WIN32
        HMODULE module = nullptr;
        if (address && GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          static_cast<LPCSTR>(address), &module))
            offset -= reinterpret_cast<unsigned long long>(module);
#else
        Dl_info info{};
        if (address && dladdr(address, &info) && info.dli_fbase)
            offset -= reinterpret_cast<unsigned long long>(info.dli_fbase);
#endif
        char expected[64];
        std::snprintf(expected, sizeof expected, "Runtime error %d at $%08llX\n", 207, offset);
        char line[48];
        EXPECT_EQ(std::string(line, run_error_message(line, 207, address)), expected);
    }
    char line[48];
    EXPECT_EQ(std::string(line, run_error_message(line, 101, reinterpret_cast<const void*>(0x1A2B))),
              "Runtime error 101 at $00001A2B\n");
}

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(Round(0.5L), 0);
    EXPECT_EQ(Round(1.5L), 2);
    EXPECT_EQ(Round(2.5L), 2);
    EXPECT_EQ(Round(-0.5L), 0);
    EXPECT_EQ(Round(-1.5L), -2);
    EXPECT_EQ(Round(2.4999L), 2);
    EXPECT_EQ(Round(-32768.4L), -32768);
    EXPECT_EQ(Round(32767.4L), 32767);
}

TEST(ShortStrings, KeepAtMost255Bytes)
{
    ShortString s(std::string(300, 'a'));
    EXPECT_EQ(s.size(), 255u);
    s = ShortString("ab");
    s += "cd";
    EXPECT_EQ(s.view(), "abcd");
    EXPECT_EQ(decimal_text(-17).view(), "-17");
    EXPECT_EQ(decimal_text(0).view(), "0");
}

TEST(Cp437, TitlesBecomeUtf8)
{
    EXPECT_EQ(cp437_to_utf8("Pontfelh\x94"), "Pontfelh\xC3\xB6");
    EXPECT_EQ(cp437_to_utf8("T\x82gla"), "T\xC3\xA9gla");
    EXPECT_EQ(cp437_to_utf8("\xDB"), "\xE2\x96\x88");
    EXPECT_EQ(cp437_to_utf8("\xFF"), "\xC2\xA0");
}

}  // namespace
