#pragma once

#include <string_view>

namespace tessel {

// Mask matching as every access list, G-line and jupe uses it: "*" matches any
// run of bytes (also none), "?" exactly one byte, every other byte itself;
// there is no escape. The pattern is anchored at both ends of the text. The
// comparison is byte for byte: callers IRC-upper-case both sides first.
bool wildmatch(std::string_view pattern, std::string_view text);

} // namespace tessel
