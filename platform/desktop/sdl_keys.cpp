// Window keys to key presses.
#include "platform/desktop/sdl_keys.hpp"

#include "platform/terminal/terminal_decoder.hpp"

namespace {

KeyModifier modifier_of(Uint16 modifiers)
{
    if (modifiers & KMOD_ALT) return KeyModifier::alt;
    if (modifiers & KMOD_CTRL) return KeyModifier::control;
    if (modifiers & KMOD_SHIFT) return KeyModifier::shift;
    return KeyModifier::none;
}

bool named_key(SDL_Keycode code, NamedKey& key)
{
    switch (code) {
    case SDLK_UP: key = NamedKey::up; return true;
    case SDLK_DOWN: key = NamedKey::down; return true;
    case SDLK_LEFT: key = NamedKey::left; return true;
    case SDLK_RIGHT: key = NamedKey::right; return true;
    case SDLK_HOME: key = NamedKey::home; return true;
    case SDLK_END: key = NamedKey::end; return true;
    case SDLK_PAGEUP: key = NamedKey::page_up; return true;
    case SDLK_PAGEDOWN: key = NamedKey::page_down; return true;
    case SDLK_INSERT: key = NamedKey::insert; return true;
    case SDLK_DELETE: key = NamedKey::delete_key; return true;
    default: break;
    }
    if (code >= SDLK_F1 && code <= SDLK_F12) {
        key = static_cast<NamedKey>(static_cast<int>(NamedKey::f1) + (code - SDLK_F1));
        return true;
    }
    return false;
}

// The keypad's editing keys, when Num Lock does not make them digits.
bool keypad_key(SDL_Keycode code, NamedKey& key)
{
    switch (code) {
    case SDLK_KP_8: key = NamedKey::up; return true;
    case SDLK_KP_2: key = NamedKey::down; return true;
    case SDLK_KP_4: key = NamedKey::left; return true;
    case SDLK_KP_6: key = NamedKey::right; return true;
    case SDLK_KP_7: key = NamedKey::home; return true;
    case SDLK_KP_1: key = NamedKey::end; return true;
    case SDLK_KP_9: key = NamedKey::page_up; return true;
    case SDLK_KP_3: key = NamedKey::page_down; return true;
    case SDLK_KP_0: key = NamedKey::insert; return true;
    case SDLK_KP_PERIOD: key = NamedKey::delete_key; return true;
    default: return false;
    }
}

// Ctrl with a letter or one of "[\]" gives a control character; typing
// text is not reported for those.
bool control_character(SDL_Keycode code, unsigned char& character)
{
    if (code >= SDLK_a && code <= SDLK_z) {
        character = static_cast<unsigned char>(code - SDLK_a + 1);
        return true;
    }
    switch (code) {
    case SDLK_LEFTBRACKET: character = 27; return true;
    case SDLK_BACKSLASH: character = 28; return true;
    case SDLK_RIGHTBRACKET: character = 29; return true;
    default: return false;
    }
}

}  // namespace

bool window_key_press(const SDL_Keysym& key, KeyPress& press)
{
    const KeyModifier modifier = modifier_of(key.mod);
    const bool control = (key.mod & KMOD_CTRL) != 0;
    NamedKey named{};
    unsigned char character = 0;
    if (named_key(key.sym, named) || (!(key.mod & KMOD_NUM) && keypad_key(key.sym, named))) {
        press = named_key_press(named, modifier);
        return true;
    }
    switch (key.sym) {
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER: press = {static_cast<unsigned char>(control ? 10 : 13), 0}; return true;
    case SDLK_ESCAPE: press = {27, 0}; return true;
    case SDLK_BACKSPACE: press = {static_cast<unsigned char>(control ? 127 : 8), 0}; return true;
    case SDLK_TAB:
        press = modifier == KeyModifier::shift ? named_key_press(NamedKey::back_tab) : KeyPress{9, 0};
        return true;
    default: break;
    }
    if (control && !(key.mod & KMOD_ALT) && control_character(key.sym, character)) {
        press = {character, 0};
        return true;
    }
    return false;
}

bool is_interrupt_key(const SDL_Keysym& key)
{
    return key.sym == SDLK_c && (key.mod & KMOD_CTRL) && !(key.mod & (KMOD_ALT | KMOD_SHIFT));
}

void text_key_presses(const char* utf8, std::deque<KeyPress>& presses)
{
    TerminalKeyDecoder decoder;
    for (const char* c = utf8; *c; ++c) decoder.feed(static_cast<unsigned char>(*c));
    decoder.finish_pending();
    KeyPress press{};
    while (decoder.next(press)) presses.push_back(press);
}

