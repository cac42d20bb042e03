// Virtual-key codes of Windows turned into the key codes of ReadKey.
#include "platform/windows/windows_keys.hpp"

#include <windows.h>

namespace {

bool named_of(unsigned virtual_key, NamedKey& key)
{
    switch (virtual_key) {
    case VK_UP: key = NamedKey::up; return true;
    case VK_DOWN: key = NamedKey::down; return true;
    case VK_LEFT: key = NamedKey::left; return true;
    case VK_RIGHT: key = NamedKey::right; return true;
    case VK_HOME: key = NamedKey::home; return true;
    case VK_END: key = NamedKey::end; return true;
    case VK_PRIOR: key = NamedKey::page_up; return true;
    case VK_NEXT: key = NamedKey::page_down; return true;
    case VK_INSERT: key = NamedKey::insert; return true;
    case VK_DELETE: key = NamedKey::delete_key; return true;
    default: break;
    }
    if (virtual_key >= VK_F1 && virtual_key <= VK_F12) {
        key = static_cast<NamedKey>(static_cast<int>(NamedKey::f1) + static_cast<int>(virtual_key - VK_F1));
        return true;
    }
    return false;
}

}  // namespace

KeyModifier windows_modifier(bool shift, bool control, bool alt)
{
    if (alt) return KeyModifier::alt;
    if (control) return KeyModifier::control;
    return shift ? KeyModifier::shift : KeyModifier::none;
}

bool windows_named_key(unsigned virtual_key, KeyModifier modifier, KeyPress& press)
{
    NamedKey key{};
    if (virtual_key == VK_TAB && modifier == KeyModifier::shift) {
        press = named_key_press(NamedKey::back_tab);
        return true;
    }
    if (!named_of(virtual_key, key)) return false;
    press = named_key_press(key, modifier);
    return true;
}

bool windows_key_press(unsigned virtual_key, KeyModifier modifier, wchar_t character, KeyPress& press)
{
    if (windows_named_key(virtual_key, modifier, press)) return true;
    if (character == 0) return false;
    press = {cp437_of(static_cast<char32_t>(character)), 0};
    return true;
}
