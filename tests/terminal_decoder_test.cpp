// The terminal's key bytes decoded into key presses, and the scan codes
// shared with the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/code_page.hpp"
#include "platform/terminal/terminal_decoder.hpp"

namespace {

using Presses = std::vector<std::pair<int, int>>;  // (character, scan code)

// Feeds the bytes; when `finished`, the rest of any begun sequence is not coming.
Presses decode(const std::string& bytes, bool finished = true)
{
    TerminalKeyDecoder decoder;
    for (char byte : bytes) decoder.feed(static_cast<unsigned char>(byte));
    if (finished) decoder.finish_pending();
    Presses presses;
    KeyPress key{};
    while (decoder.next(key)) presses.emplace_back(key.character, key.scan_code);
    return presses;
}

Presses named(int scan_code) { return {{0, scan_code}}; }

TEST(TerminalKeys, CursorAndEditingKeysInEveryCommonSpelling)
{
    EXPECT_EQ(decode("\x1b[A"), named(0x48));
    EXPECT_EQ(decode("\x1bOB"), named(0x50));  // application cursor mode
    EXPECT_EQ(decode("\x1b[D"), named(0x4B));
    EXPECT_EQ(decode("\x1bOC"), named(0x4D));
    for (const char* home : {"\x1b[H", "\x1bOH", "\x1b[1~", "\x1b[7~"}) EXPECT_EQ(decode(home), named(0x47)) << home + 1;
    for (const char* end : {"\x1b[F", "\x1bOF", "\x1b[4~", "\x1b[8~"}) EXPECT_EQ(decode(end), named(0x4F)) << end + 1;
    EXPECT_EQ(decode("\x1b[2~"), named(0x52));
    EXPECT_EQ(decode("\x1b[3~"), named(0x53));
    EXPECT_EQ(decode("\x1b[5~"), named(0x49));
    EXPECT_EQ(decode("\x1b[6~"), named(0x51));
    EXPECT_EQ(decode("\x1b[Z"), named(0x0F));  // Shift+Tab
}

TEST(TerminalKeys, FunctionKeys)
{
    EXPECT_EQ(decode("\x1bOP"), named(0x3B));
    EXPECT_EQ(decode("\x1bOS"), named(0x3E));
    EXPECT_EQ(decode("\x1b[11~"), named(0x3B));
    EXPECT_EQ(decode("\x1b[15~"), named(0x3F));
    EXPECT_EQ(decode("\x1b[17~"), named(0x40));  // F6: 16 is skipped
    EXPECT_EQ(decode("\x1b[21~"), named(0x44));
    EXPECT_EQ(decode("\x1b[23~"), named(0x85));
    EXPECT_EQ(decode("\x1b[24~"), named(0x86));
    EXPECT_EQ(decode("\x1b[[A"), named(0x3B));  // F1 of a text-mode console
    EXPECT_EQ(decode("\x1b[[E"), named(0x3F));
}

TEST(TerminalKeys, ModifiersGiveTheirOwnScanCodes)
{
    EXPECT_EQ(decode("\x1b[1;5D"), named(0x73));   // Ctrl+Left
    EXPECT_EQ(decode("\x1b[1;3A"), named(0x98));   // Alt+Up
    EXPECT_EQ(decode("\x1b[1;2A"), named(0x48));   // Shift+Up is Up
    EXPECT_EQ(decode("\x1b[1;2P"), named(0x54));   // Shift+F1
    EXPECT_EQ(decode("\x1b[21;5~"), named(0x67));  // Ctrl+F10
    EXPECT_EQ(decode("\x1b[24;3~"), named(0x8C));  // Alt+F12
    EXPECT_EQ(decode("\x1b[3;5~"), named(0x93));   // Ctrl+Delete
    EXPECT_EQ(decode("\x1bO5P"), named(0x5E));     // Ctrl+F1, older spelling
    EXPECT_EQ(decode("\x1b[2$"), named(0x52));     // Shift+Insert, '$' spelling
    EXPECT_EQ(decode("\x1b[1;7C"), named(0x9D));   // Ctrl+Alt+Right counts as Alt
}

TEST(TerminalKeys, LoneEscapeIsEscOnlyWhenNothingFollows)
{
    TerminalKeyDecoder decoder;
    decoder.feed(0x1b);
    KeyPress key{};
    EXPECT_TRUE(decoder.waiting_for_more());
    EXPECT_FALSE(decoder.next(key));
    decoder.finish_pending();
    ASSERT_TRUE(decoder.next(key));
    EXPECT_EQ(key.character, 27);
    EXPECT_FALSE(decoder.waiting_for_more());

    EXPECT_EQ(decode("\x1b\x1b", false), (Presses{{27, 0}}));  // the second may still begin a sequence
    EXPECT_EQ(decode("\x1b\x1b"), (Presses{{27, 0}, {27, 0}}));
    EXPECT_EQ(decode("\x1b\x1b[A"), (Presses{{27, 0}, {0, 0x48}}));
    EXPECT_EQ(decode("\x1bx"), (Presses{{27, 0}, {'x', 0}}));
    // A sequence cut short: the Esc and the bytes after it are keys of their own.
    EXPECT_EQ(decode("\x1b["), (Presses{{27, 0}, {'[', 0}}));
    EXPECT_EQ(decode("\x1b[1;"), (Presses{{27, 0}, {'[', 0}, {'1', 0}, {';', 0}}));
    EXPECT_EQ(decode("\x1bO"), (Presses{{27, 0}, {'O', 0}}));
}

TEST(TerminalKeys, SequencesThatAreNoKeysGiveNothing)
{
    EXPECT_EQ(decode("\x1b[?1;2c"), Presses{});  // a terminal's answer
    EXPECT_EQ(decode("\x1b[200~"), Presses{});   // paste brackets
    EXPECT_EQ(decode("\x1b[E"), Presses{});      // keypad 5
    EXPECT_EQ(decode("\x1b[99~x"), (Presses{{'x', 0}}));
}

TEST(TerminalKeys, KeysInOneReadStayApartAndInOrder)
{
    EXPECT_EQ(decode("a\x1b[Ab\x1bOP\r"), (Presses{{'a', 0}, {0, 0x48}, {'b', 0}, {0, 0x3B}, {13, 0}}));
}

TEST(TerminalKeys, CharacterKeys)
{
    EXPECT_EQ(decode("\r\t\x08"), (Presses{{13, 0}, {9, 0}, {8, 0}}));
    EXPECT_EQ(decode("\x7f"), (Presses{{8, 0}}));  // Backspace as most terminals send it
    EXPECT_EQ(decode("\x01"), (Presses{{1, 0}}));
    EXPECT_EQ(decode("\x1bOM"), (Presses{{13, 0}}));  // keypad Enter, application mode
    EXPECT_EQ(decode("\x1bOq"), (Presses{{'1', 0}}));
}

TEST(TerminalKeys, Utf8CharactersBecomeOneCodePage437Key)
{
    EXPECT_EQ(decode("\xc3\xa9"), (Presses{{0x82, 0}}));  // é
    EXPECT_EQ(decode("\xc3\xb6"), (Presses{{0x94, 0}}));  // ö
    EXPECT_EQ(decode("\xe2\x96\x91"), (Presses{{0xB0, 0}}));  // light shade
    EXPECT_EQ(decode("\xe2\x82\xac"), (Presses{{'?', 0}}));  // € is not in the code page
    EXPECT_EQ(decode("\xc3" "a"), (Presses{{'?', 0}, {'a', 0}}));
    EXPECT_EQ(decode("\xc3", false), Presses{});
    EXPECT_EQ(decode("\xc3"), (Presses{{'?', 0}}));
    EXPECT_EQ(decode("\xa9"), (Presses{{'?', 0}}));
}

TEST(KeyCodes, CodePageLookupCoversBothHalves)
{
    EXPECT_EQ(cp437_of(U'A'), 'A');
    EXPECT_EQ(cp437_of(U'\u00c7'), 0x80);  // Ç, the first of the upper half
    EXPECT_EQ(cp437_of(U'\u00a0'), 0xFF);  // no-break space, the last
    EXPECT_EQ(cp437_of(U'\u03c0'), 0xE3);  // π
    EXPECT_EQ(cp437_of(U'\u4e00'), '?');
}

}  // namespace
