#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessel {

// The value of a decimal word from the network: an optional sign followed by
// digits only, within the 32-bit signed range. Anything else (empty, blanks,
// letters, overflow) has no value.
std::optional<int32_t> decimalvalue(std::string_view text);

// The value of a decimal word, or `fallback` when it has none.
int32_t decimalor(std::string_view text, int32_t fallback = 0);

// The value of 1 to `maxdigits` decimal digits (at most 9, so it always fits)
// and nothing else, no sign included; -1 for any other text.
int32_t digitsvalue(std::string_view text, size_t maxdigits);

} // namespace tessel
