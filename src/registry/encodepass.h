#pragma once

#include <string>

namespace tessel {

// The stored form of a password. With `cryptpass` (the CRYPTPASS setting) on,
// a non-empty password becomes a 13-character one-way digest over
// "a".."z", "A".."Z", "0".."9", "." and "\"; otherwise, and for the empty
// password, the text is returned unchanged. Typed passwords are compared in
// this form, and the databases hold it, so the digest must never change.
std::string encodepass(const std::string& password, bool cryptpass);

} // namespace tessel
