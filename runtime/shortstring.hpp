// A byte string of at most 255 bytes, as the program's titles are: bytes in
// the DOS code page (0x82 is e-acute, 0x94 is o-umlaut), kept in static
// storage so that no title goes to the heap.
#pragma once

#include <cstddef>
#include <string_view>

class ShortString {
public:
    static constexpr std::size_t capacity = 255;

    ShortString() = default;
    // Longer texts are cut at 255 bytes, as a string assignment would.
    ShortString(std::string_view bytes) { assign(bytes); }

    void assign(std::string_view bytes);
    ShortString& operator+=(std::string_view bytes);
    std::size_t size() const { return length_; }
    const char* data() const { return bytes_; }
    std::string_view view() const { return {bytes_, length_}; }
    operator std::string_view() const { return view(); }

private:
    unsigned char length_ = 0;
    char bytes_[capacity] = {};
};

ShortString operator+(const ShortString& a, std::string_view b);

// Decimal text of a number, with a leading "-" when negative, no blanks.
ShortString decimal_text(long value);
