// DOM key names to key presses, with the scan codes that the terminal and
// the desktop window give for the same keys.
#include "platform/web_keys.hpp"

#include <array>
#include <utility>

#include "gfx/code_page.hpp"
#include "platform/key_codes.hpp"

namespace {

constexpr std::array<std::pair<std::string_view, NamedKey>, 22> named_keys{{
    {"ArrowUp", NamedKey::up}, {"ArrowDown", NamedKey::down}, {"ArrowLeft", NamedKey::left},
    {"ArrowRight", NamedKey::right}, {"Home", NamedKey::home}, {"End", NamedKey::end},
    {"PageUp", NamedKey::page_up}, {"PageDown", NamedKey::page_down}, {"Insert", NamedKey::insert},
    {"Delete", NamedKey::delete_key}, {"F1", NamedKey::f1}, {"F2", NamedKey::f2}, {"F3", NamedKey::f3},
    {"F4", NamedKey::f4}, {"F5", NamedKey::f5}, {"F6", NamedKey::f6}, {"F7", NamedKey::f7},
    {"F8", NamedKey::f8}, {"F9", NamedKey::f9}, {"F10", NamedKey::f10}, {"F11", NamedKey::f11},
    {"F12", NamedKey::f12},
}};

// The one code point of a key that types a character; false for a name.
bool single_character(std::string_view utf8, char32_t& code_point)
{
    if (utf8.empty()) return false;
    const auto lead = static_cast<unsigned char>(utf8[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || utf8.size() != length) return false;
    code_point = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(utf8[i]);
        if ((next & 0xC0) != 0x80) return false;
        code_point = code_point << 6 | (next & 0x3F);
    }
    return true;
}

}  // namespace

void web_key_presses(std::string_view dom_key, bool shift, std::deque<KeyPress>& presses)
{
    const KeyModifier modifier = shift ? KeyModifier::shift : KeyModifier::none;
    for (const auto& [name, key] : named_keys)
        if (dom_key == name) {
            presses.push_back(named_key_press(key, modifier));
            return;
        }
    if (dom_key == "Enter") presses.push_back({13, 0});
    else if (dom_key == "Escape") presses.push_back({27, 0});
    else if (dom_key == "Backspace") presses.push_back({8, 0});
    else if (dom_key == "Tab") presses.push_back(shift ? named_key_press(NamedKey::back_tab) : KeyPress{9, 0});
    else if (char32_t code_point = 0; single_character(dom_key, code_point))
        presses.push_back({cp437_of(code_point), 0});
}
