// Byte strings of at most 255 bytes.
#include "runtime/shortstring.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

void ShortString::assign(std::string_view bytes)
{
    length_ = static_cast<unsigned char>(std::min(bytes.size(), capacity));
    std::memcpy(bytes_, bytes.data(), length_);
}

ShortString& ShortString::operator+=(std::string_view bytes)
{
    const std::size_t room = capacity - length_;
    const std::size_t taken = std::min(bytes.size(), room);
    std::memcpy(bytes_ + length_, bytes.data(), taken);
    length_ = static_cast<unsigned char>(length_ + taken);
    return *this;
}

ShortString operator+(const ShortString& a, std::string_view b)
{
    ShortString result = a;
    result += b;
    return result;
}

ShortString decimal_text(long value)
{
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%ld", value);
    return ShortString(std::string_view(digits, static_cast<std::size_t>(length)));
}
