// Keys pressed in the web page, as ReadKey hands them out: the same codes
// as the same keys in the terminal and the desktop window.
#include <gtest/gtest.h>

#include <deque>
#include <utility>
#include <vector>

#include "platform/web_keys.hpp"

namespace {

using Press = std::pair<int, int>;  // (character, scan code)

std::vector<Press> presses_of(std::string_view dom_key, bool shift = false)
{
    std::deque<KeyPress> presses;
    web_key_presses(dom_key, shift, presses);
    std::vector<Press> result;
    for (const KeyPress& press : presses) result.emplace_back(press.character, press.scan_code);
    return result;
}

TEST(WebKeys, KeysWithoutACharacterGiveTheirScanCode)
{
    EXPECT_EQ(presses_of("ArrowRight"), std::vector<Press>{Press(0, 0x4D)});
    EXPECT_EQ(presses_of("ArrowUp"), std::vector<Press>{Press(0, 0x48)});
    EXPECT_EQ(presses_of("PageDown"), std::vector<Press>{Press(0, 0x51)});
    EXPECT_EQ(presses_of("Delete"), std::vector<Press>{Press(0, 0x53)});
    EXPECT_EQ(presses_of("F1"), std::vector<Press>{Press(0, 0x3B)});
    EXPECT_EQ(presses_of("F10"), std::vector<Press>{Press(0, 0x44)});
    EXPECT_EQ(presses_of("F12"), std::vector<Press>{Press(0, 0x86)});
    EXPECT_EQ(presses_of("F2", true), std::vector<Press>{Press(0, 0x55)});
    EXPECT_EQ(presses_of("Tab", true), std::vector<Press>{Press(0, 0x0F)});
}

TEST(WebKeys, KeysWithACharacterGiveOneByteOfTheCodePage)
{
    EXPECT_EQ(presses_of("a"), std::vector<Press>{Press('a', 0)});
    EXPECT_EQ(presses_of("A", true), std::vector<Press>{Press('A', 0)});
    EXPECT_EQ(presses_of(" "), std::vector<Press>{Press(' ', 0)});
    EXPECT_EQ(presses_of("Enter"), std::vector<Press>{Press(13, 0)});
    EXPECT_EQ(presses_of("Escape"), std::vector<Press>{Press(27, 0)});
    EXPECT_EQ(presses_of("Backspace"), std::vector<Press>{Press(8, 0)});
    EXPECT_EQ(presses_of("Tab"), std::vector<Press>{Press(9, 0)});
    EXPECT_EQ(presses_of("\xC3\xA9"), std::vector<Press>{Press(0x82, 0)});  // é
    EXPECT_EQ(presses_of("\xC3\xB6"), std::vector<Press>{Press(0x94, 0)});  // ö
    EXPECT_EQ(presses_of("\xE2\x82\xAC"), std::vector<Press>{Press('?', 0)});  // € is not in the code page
}

TEST(WebKeys, OtherKeysAreNoPress)
{
    for (std::string_view key : {"Shift", "Control", "CapsLock", "ContextMenu", "Pause", "AudioVolumeUp", "", "ab",
                                 "\xC3", "\xC3\xA9x"})
        EXPECT_TRUE(presses_of(key).empty()) << key;
}

}  // namespace
