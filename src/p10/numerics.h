#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

// P10 base64 digits, value 0 first.
inline constexpr std::string_view numericdigits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789[]";

// `value` as exactly `width` base64 digits, most significant first. A value of
// 64 or more is never written with fewer than 2 digits; higher digits that do
// not fit the width are dropped.
std::string encodenumeric(uint32_t value, int width);

// Value of a numeric text: the last character supplies bits 0..5, the one
// before bits 6..11 and so on, each shift taken modulo 32, so a 6-character IP
// field yields the low 32 bits of its 36-bit number. A backslash counts as
// "A"; any other byte outside the alphabet makes the result -1. "" gives 0.
int32_t decodenumeric(std::string_view text);

// The long form of a server (2-character) or client (5-character) numeric:
// the short forms of 1, 3 and 4 characters are widened with "A" digits, 2 and
// 5 characters stay as they are, every other length gives "".
std::string normalisenumeric(std::string_view text);

// Dotted IPv4 text of a decoded 6-character IP field, most significant byte
// first ("AAAAAA" renders "0.0.0.0").
std::string numericiptext(int32_t value);

} // namespace tessel
