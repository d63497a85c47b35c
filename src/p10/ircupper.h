#pragma once

#include <string>
#include <string_view>

namespace tessel {

// The IRC case mapping: "a".."z" to "A".."Z" and "{", "|", "}" to "[", "\",
// "]"; every other byte (including "~", "^" and bytes above 127) is itself.
char ircupper(char c);
// Every byte mapped through the case mapping; two names are the same for IRC
// when their upper-cased forms are byte-equal.
std::string ircupper(std::string_view text);

} // namespace tessel
