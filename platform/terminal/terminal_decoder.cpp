// The decoder of the bytes a terminal sends for its keys.
#include "platform/terminal/terminal_decoder.hpp"

#include <string_view>

#include "gfx/code_page.hpp"

namespace {

constexpr unsigned char escape = 0x1B;

// The modifier of a sequence's modifier parameter: 1 + (1 Shift, 2 Alt, 4 Ctrl, 8 Meta).
KeyModifier modifier_of_parameter(int parameter)
{
    const int bits = parameter > 1 ? parameter - 1 : 0;
    if (bits & (2 | 8)) return KeyModifier::alt;
    if (bits & 4) return KeyModifier::control;
    if (bits & 1) return KeyModifier::shift;
    return KeyModifier::none;
}

// The key of a sequence's final letter (CSI or SS3), if it names one.
bool key_of_letter(char final, NamedKey& key)
{
    switch (final) {
    case 'A': key = NamedKey::up; return true;
    case 'B': key = NamedKey::down; return true;
    case 'C': key = NamedKey::right; return true;
    case 'D': key = NamedKey::left; return true;
    case 'H': key = NamedKey::home; return true;
    case 'F': key = NamedKey::end; return true;
    case 'P': key = NamedKey::f1; return true;
    case 'Q': key = NamedKey::f2; return true;
    case 'R': key = NamedKey::f3; return true;
    case 'S': key = NamedKey::f4; return true;
    case 'Z': key = NamedKey::back_tab; return true;
    default: return false;
    }
}

// The key of a "CSI number ~" sequence, if the number names one.
bool key_of_number(int number, NamedKey& key)
{
    switch (number) {
    case 1: case 7: key = NamedKey::home; return true;
    case 2: key = NamedKey::insert; return true;
    case 3: key = NamedKey::delete_key; return true;
    case 4: case 8: key = NamedKey::end; return true;
    case 5: key = NamedKey::page_up; return true;
    case 6: key = NamedKey::page_down; return true;
    case 11: case 12: case 13: case 14: case 15:
        key = static_cast<NamedKey>(static_cast<int>(NamedKey::f1) + number - 11);
        return true;
    case 17: case 18: case 19: case 20: case 21:
        key = static_cast<NamedKey>(static_cast<int>(NamedKey::f6) + number - 17);
        return true;
    case 23: key = NamedKey::f11; return true;
    case 24: key = NamedKey::f12; return true;
    default: return false;
    }
}

// Up to two numbers separated by ';'; false for anything else (private
// sequences such as "?1;2c" are not keys).
bool parse_parameters(std::string_view text, int& first, int& second)
{
    first = second = 0;
    int* target = &first;
    for (char c : text) {
        if (c == ';' && target == &first) {
            target = &second;
        } else if (c >= '0' && c <= '9') {
            *target = *target * 10 + (c - '0');
            if (*target > 9999) return false;
        } else {
            return false;
        }
    }
    return true;
}

// Application keypad keys sent as "SS3 letter".
bool keypad_character(char final, unsigned char& character)
{
    constexpr std::string_view keypad = "*+,-./0123456789";  // 'j' .. 'y'
    if (final >= 'j' && final <= 'y') {
        character = static_cast<unsigned char>(keypad[static_cast<std::size_t>(final - 'j')]);
        return true;
    }
    switch (final) {
    case 'M': character = 13; return true;
    case 'I': character = 9; return true;
    case 'X': character = '='; return true;
    default: return false;
    }
}

int utf8_length(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

}  // namespace

void TerminalKeyDecoder::feed(unsigned char byte)
{
    if (pending_.empty()) {
        if (byte == escape || utf8_length(byte) > 0)
            pending_ = static_cast<char>(byte);
        else
            feed_plain(byte);
        return;
    }
    if (static_cast<unsigned char>(pending_[0]) == escape) {
        pending_ += static_cast<char>(byte);
        decode_escape();
        return;
    }
    if (byte >= 0x80 && byte <= 0xBF) {
        pending_ += static_cast<char>(byte);
        decode_utf8();
        return;
    }
    // A broken UTF-8 character: it shows as '?', and the byte starts afresh.
    pending_.clear();
    emit('?');
    feed(byte);
}

void TerminalKeyDecoder::finish_pending()
{
    if (pending_.empty()) return;
    const std::string rest = pending_.substr(1);
    const bool was_escape = static_cast<unsigned char>(pending_[0]) == escape;
    pending_.clear();
    if (!was_escape) {
        emit('?');
        return;
    }
    emit(escape);
    for (char c : rest) feed_plain(static_cast<unsigned char>(c));
}

bool TerminalKeyDecoder::next(KeyPress& key)
{
    if (ready_.empty()) return false;
    key = ready_.front();
    ready_.pop_front();
    return true;
}

void TerminalKeyDecoder::feed_plain(unsigned char byte)
{
    if (byte == 0x7F) {
        emit(8);  // the Backspace key of most terminals
    } else if (byte >= 0x80) {
        emit('?');  // not the start of a UTF-8 character
    } else {
        emit(byte);
    }
}

void TerminalKeyDecoder::decode_utf8()
{
    const auto lead = static_cast<unsigned char>(pending_[0]);
    const int length = utf8_length(lead);
    if (static_cast<int>(pending_.size()) < length) return;
    char32_t point = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (std::size_t i = 1; i < pending_.size(); ++i)
        point = (point << 6) | (static_cast<unsigned char>(pending_[i]) & 0x3F);
    pending_.clear();
    emit(cp437_of(point));
}

void TerminalKeyDecoder::decode_escape()
{
    const std::size_t length = pending_.size();
    const char introducer = pending_[1];
    const auto last = static_cast<unsigned char>(pending_.back());
    if (length == 2) {
        if (introducer == '[' || introducer == 'O') return;
        // Esc followed by another key: two presses.
        pending_.clear();
        emit(escape);
        feed(last);
        return;
    }
    const bool console_function_key = introducer == '[' && pending_[2] == '[';
    if (console_function_key && length == 3) return;
    // Some terminals end shifted editing keys with '$', otherwise an intermediate byte.
    const bool dollar_shifted = introducer == '[' && last == '$' && length > 3;
    const bool parameter_byte = last >= 0x20 && last <= 0x3F && !dollar_shifted;
    const bool final_byte = (last >= 0x40 && last <= 0x7E) || dollar_shifted;
    if (!console_function_key && parameter_byte && length < 16) return;
    if (!final_byte) {
        // Not a sequence after all: drop it, the byte starts afresh.
        pending_.clear();
        if (!parameter_byte) feed(last);
        return;
    }
    const std::string_view body(pending_.data() + 2, length - 3);
    const char final = static_cast<char>(last);
    NamedKey key{};
    int number = 0, modifier = 0;
    unsigned char character = 0;
    if (console_function_key) {
        if (final >= 'A' && final <= 'E')
            ready_.push_back(named_key_press(static_cast<NamedKey>(static_cast<int>(NamedKey::f1) + final - 'A')));
    } else if (!parse_parameters(body, number, modifier)) {
        // a private or unknown sequence: no key
    } else if (introducer == 'O' && keypad_character(final, character)) {
        emit(character);
    } else if (key_of_letter(final, key)) {
        // "CSI 1;5A", and the older "SS3 5A", carry the modifier last.
        const int parameter = introducer == 'O' && modifier == 0 ? number : modifier;
        ready_.push_back(named_key_press(key, modifier_of_parameter(parameter)));
    } else if (introducer == '[' && key_of_number(number, key)) {
        KeyModifier held = modifier_of_parameter(modifier);
        if (final == '$') held = KeyModifier::shift;
        if (final == '^' || final == '@') held = KeyModifier::control;
        if (final == '~' || final == '$' || final == '^' || final == '@') ready_.push_back(named_key_press(key, held));
    }
    pending_.clear();
}
