// The Win32 window's requests to the show (run under Wine with a display).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>

#include "platform/windows/windows_window.hpp"

namespace {

bool open(Win32Window& window)
{
    int width = 320, height = 200;
    return window.open(L"surfplot window test", width, height);
}

// On a CI machine (CI in the environment) the window must open: a skip
// there would hide these tests.
bool on_ci()
{
    const char* ci = std::getenv("CI");
    if (!ci || !*ci) return false;
    return std::strcmp(ci, "false") != 0 && std::strcmp(ci, "0") != 0 && std::strcmp(ci, "no") != 0;
}

}  // namespace

TEST(Win32Window, DestroyedByAnyoneButTheShowItAsksToClose)
{
    Win32Window window;
    if (!open(window)) {
        ASSERT_FALSE(on_ci()) << "no window can be opened here, and on CI nothing may be skipped";
        GTEST_SKIP() << "no window can be opened here";
    }
    std::deque<KeyPress> keys;
    EXPECT_EQ(window.handle_messages(keys), WindowRequest::none);
    EXPECT_FALSE(window.gone());
    ASSERT_TRUE(DestroyWindow(window.handle()));
    EXPECT_TRUE(window.gone());
    // Asked again at every later look, not only once.
    EXPECT_EQ(window.handle_messages(keys), WindowRequest::close);
    EXPECT_EQ(window.handle_messages(keys), WindowRequest::close);
    window.close();
    EXPECT_FALSE(window.is_open());
    EXPECT_FALSE(window.gone());
}

TEST(Win32Window, ClosedByTheShowItAsksNothing)
{
    Win32Window window;
    if (!open(window)) {
        ASSERT_FALSE(on_ci()) << "no window can be opened here, and on CI nothing may be skipped";
        GTEST_SKIP() << "no window can be opened here";
    }
    std::deque<KeyPress> keys;
    window.close();
    EXPECT_FALSE(window.is_open());
    EXPECT_FALSE(window.gone());
    // A new window after a destroyed one starts afresh.
    ASSERT_TRUE(open(window));
    ASSERT_TRUE(DestroyWindow(window.handle()));
    window.close();
    ASSERT_TRUE(open(window));
    EXPECT_EQ(window.handle_messages(keys), WindowRequest::none);
    window.close();
}
