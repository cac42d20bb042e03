// Keys pressed in the graphics window, as ReadKey hands them out.
#include <gtest/gtest.h>

#include <deque>

#include "platform/desktop/sdl_keys.hpp"

namespace {

SDL_Keysym key(SDL_Keycode code, Uint16 modifiers = KMOD_NONE)
{
    SDL_Keysym symbol{};
    symbol.sym = code;
    symbol.mod = modifiers;
    return symbol;
}

// (character, scan code), or (-1, -1) for no press.
std::pair<int, int> press_of(SDL_Keysym symbol)
{
    KeyPress press{};
    if (!window_key_press(symbol, press)) return {-1, -1};
    return {press.character, press.scan_code};
}

using Press = std::pair<int, int>;
const Press none{-1, -1};

TEST(WindowKeys, KeysWithoutACharacterGiveTheirScanCode)
{
    EXPECT_EQ(press_of(key(SDLK_RIGHT)), Press(0, 0x4D));
    EXPECT_EQ(press_of(key(SDLK_PAGEDOWN)), Press(0, 0x51));
    EXPECT_EQ(press_of(key(SDLK_DELETE)), Press(0, 0x53));
    EXPECT_EQ(press_of(key(SDLK_F1)), Press(0, 0x3B));
    EXPECT_EQ(press_of(key(SDLK_F10)), Press(0, 0x44));
    EXPECT_EQ(press_of(key(SDLK_F12)), Press(0, 0x86));
    EXPECT_EQ(press_of(key(SDLK_F2, KMOD_LSHIFT)), Press(0, 0x55));
    EXPECT_EQ(press_of(key(SDLK_LEFT, KMOD_RCTRL)), Press(0, 0x73));
    EXPECT_EQ(press_of(key(SDLK_TAB, KMOD_LSHIFT)), Press(0, 0x0F));
}

TEST(WindowKeys, KeypadIsEditingKeysWithoutNumLockAndTextWithIt)
{
    EXPECT_EQ(press_of(key(SDLK_KP_8)), Press(0, 0x48));
    EXPECT_EQ(press_of(key(SDLK_KP_PERIOD)), Press(0, 0x53));
    EXPECT_EQ(press_of(key(SDLK_KP_8, KMOD_NUM)), none);
    EXPECT_EQ(press_of(key(SDLK_KP_5)), none);
    EXPECT_EQ(press_of(key(SDLK_KP_ENTER, KMOD_NUM)), Press(13, 0));
}

TEST(WindowKeys, ControlCharactersComeFromTheKeyItself)
{
    EXPECT_EQ(press_of(key(SDLK_RETURN)), Press(13, 0));
    EXPECT_EQ(press_of(key(SDLK_ESCAPE)), Press(27, 0));
    EXPECT_EQ(press_of(key(SDLK_BACKSPACE)), Press(8, 0));
    EXPECT_EQ(press_of(key(SDLK_TAB)), Press(9, 0));
    EXPECT_EQ(press_of(key(SDLK_a, KMOD_LCTRL)), Press(1, 0));
    EXPECT_EQ(press_of(key(SDLK_z, KMOD_RCTRL)), Press(26, 0));
    EXPECT_EQ(press_of(key(SDLK_LEFTBRACKET, KMOD_LCTRL)), Press(27, 0));
}

TEST(WindowKeys, TextKeysAndModifiersAloneGiveNoPressOfTheirOwn)
{
    EXPECT_EQ(press_of(key(SDLK_a)), none);  // its character comes as text
    EXPECT_EQ(press_of(key(SDLK_a, KMOD_LSHIFT)), none);
    for (SDL_Keycode modifier : {SDLK_LSHIFT, SDLK_RSHIFT, SDLK_LCTRL, SDLK_RALT, SDLK_CAPSLOCK, SDLK_NUMLOCKCLEAR,
                                 SDLK_SCROLLLOCK, SDLK_LGUI})
        EXPECT_EQ(press_of(key(modifier)), none) << SDL_GetKeyName(modifier);
}

TEST(WindowKeys, TypedTextIsOneKeyPerCharacter)
{
    std::deque<KeyPress> presses;
    text_key_presses("a\xc3\xb6" "B", presses);  // a, ö, B
    ASSERT_EQ(presses.size(), 3u);
    EXPECT_EQ(presses[0].character, 'a');
    EXPECT_EQ(presses[1].character, 0x94);
    EXPECT_EQ(presses[2].character, 'B');
}

TEST(WindowKeys, OnlyPlainCtrlCInterrupts)
{
    EXPECT_TRUE(is_interrupt_key(key(SDLK_c, KMOD_LCTRL)));
    EXPECT_FALSE(is_interrupt_key(key(SDLK_c)));
    EXPECT_FALSE(is_interrupt_key(key(SDLK_c, KMOD_LCTRL | KMOD_LALT)));
    EXPECT_FALSE(is_interrupt_key(key(SDLK_d, KMOD_LCTRL)));
}

}  // namespace
