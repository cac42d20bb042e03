// DOM key names to the page's key presses: one press for every key.
#include "platform/web/web_keys.hpp"

#include <algorithm>
#include <array>

#include "gfx/code_page.hpp"

namespace {

// The keys without a character that count as a press.
constexpr std::array<std::string_view, 22> named_keys{
    "ArrowUp", "ArrowDown", "ArrowLeft", "ArrowRight", "Home", "End", "PageUp", "PageDown", "Insert", "Delete",
    "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12",
};

constexpr KeyPress enter_press{13, 0};

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

bool web_key_press(std::string_view dom_key, KeyPress& press)
{
    char32_t code_point = 0;
    if (dom_key == "Enter" || std::find(named_keys.begin(), named_keys.end(), dom_key) != named_keys.end())
        press = enter_press;
    else if (dom_key == "Escape")
        press = {27, 0};
    else if (dom_key == "Backspace")
        press = {8, 0};
    else if (dom_key == "Tab")
        press = {9, 0};
    else if (single_character(dom_key, code_point))
        press = {cp437_of(code_point), 0};
    else
        return false;
    return true;
}
