// The terminal's key decoder: the bytes a terminal sends, into the key
// codes the console hands out.
#pragma once

#include <deque>
#include <string>

#include "platform/key_codes.hpp"

// Turns the bytes a terminal sends into key presses: escape sequences of
// cursor, editing and function keys, UTF-8 characters, and single bytes.
class TerminalKeyDecoder {
public:
    void feed(unsigned char byte);
    // An escape sequence or a UTF-8 character has begun and is not complete.
    bool waiting_for_more() const { return !pending_.empty(); }
    // The rest of a begun sequence is not coming: a lone Esc is the Esc key.
    void finish_pending();
    // The next decoded key, oldest first.
    bool next(KeyPress& key);

private:
    void feed_plain(unsigned char byte);
    void decode_escape();
    void decode_utf8();
    void emit(unsigned char character) { ready_.push_back({character, 0}); }

    std::string pending_;  // the begun sequence, its first byte included
    std::deque<KeyPress> ready_;
};
