#include "registry/wildmatch.h"

#include <string>

namespace tessel {

namespace {

// Both sides are wrapped in this byte; "?" never matches it, so the first and
// the last piece of the pattern can only fit at the ends of the text.
constexpr char kSentinel = '\x01';

bool fitsat(std::string_view segment, std::string_view text, size_t pos) {
    for (size_t i = 0; i < segment.size(); ++i) {
        const char p = segment[i];
        const char t = text[pos + i];
        if (p == t) continue;
        if (p == '?' && t != kSentinel) continue;
        return false;
    }
    return true;
}

} // namespace

bool wildmatch(std::string_view pattern, std::string_view text) {
    if (pattern == text) return true;

    std::string wrappedpattern;
    wrappedpattern.reserve(pattern.size() + 2);
    wrappedpattern += kSentinel;
    wrappedpattern += pattern;
    wrappedpattern += kSentinel;
    std::string wrappedtext;
    wrappedtext.reserve(text.size() + 2);
    wrappedtext += kSentinel;
    wrappedtext += text;
    wrappedtext += kSentinel;

    const std::string_view pat = wrappedpattern;
    const std::string_view txt = wrappedtext;
    size_t pos = 0;
    size_t start = 0;
    while (true) {
        const size_t star = pat.find('*', start);
        const std::string_view segment = pat.substr(
            start, star == std::string_view::npos ? std::string_view::npos : star - start);
        // Leftmost place at or after pos where the segment fits.
        bool placed = false;
        for (size_t at = pos; at + segment.size() <= txt.size(); ++at) {
            if (fitsat(segment, txt, at)) {
                pos = at + segment.size();
                placed = true;
                break;
            }
        }
        if (!placed) return false;
        if (star == std::string_view::npos) return true;
        start = star + 1;
    }
}

} // namespace tessel
