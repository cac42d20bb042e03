// The Win32 window's requests to the show (run under Wine with a display).
#include <gtest/gtest.h>

#include <deque>

#include "platform/windows_window.hpp"

namespace {

bool open(Win32Window& window)
{
    int width = 320, height = 200;
    return window.open(L"surfplot window test", width, height);
}

}  // namespace

TEST(Win32Window, DestroyedByAnyoneButTheShowItAsksToClose)
{
    Win32Window window;
    if (!open(window)) GTEST_SKIP() << "no window can be opened here";
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
    if (!open(window)) GTEST_SKIP() << "no window can be opened here";
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
