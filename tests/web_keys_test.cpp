// Keys pressed in the web page, as ReadKey hands them out: one press for
// every key, also for one without a character (a presenter's remote).
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/web/web_keys.hpp"

namespace {

using Press = std::pair<int, int>;  // (character, scan code)

std::vector<Press> presses_of(std::string_view dom_key)
{
    KeyPress press{};
    if (!web_key_press(dom_key, press)) return {};
    return {Press(press.character, press.scan_code)};
}

// Character 0 would make the key count twice (0, then its scan code).
TEST(WebKeys, KeysWithoutACharacterAreOnePressOfEnter)
{
    for (std::string_view key : {"ArrowRight", "ArrowDown", "PageDown", "Delete", "Home", "F1", "F10", "F12"})
        EXPECT_EQ(presses_of(key), std::vector<Press>{Press(13, 0)}) << key;
}

TEST(WebKeys, KeysWithACharacterGiveOneByteOfTheCodePage)
{
    EXPECT_EQ(presses_of("a"), std::vector<Press>{Press('a', 0)});
    EXPECT_EQ(presses_of("A"), std::vector<Press>{Press('A', 0)});
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
