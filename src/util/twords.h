#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tessel {

// A line cut into at most 101 blank-separated words (elements 0..100); the
// elements after the last word are empty.
using twords = std::array<std::string, 101>;

// Splits a line into words: a word is a maximal run of non-blank bytes.
// Words beyond the 101st are dropped.
twords splitwords(std::string_view line);

} // namespace tessel
