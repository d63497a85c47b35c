#pragma once

#include <array>
#include <string>

namespace tessel {

inline constexpr int kLineWords = 100;
inline constexpr int kLineTargets = 20;

// One inbound line cut into words by the dispatcher: words as received, their
// IRC-upper-cased forms, and the second word split at commas into targets.
struct tlinewords {
    std::string line;   // the whole line as received
    std::string source; // normalised numeric, or the nick of a ":" prefix
    int32_t sourceuser = -1;
    std::array<std::string, kLineWords> words;
    std::array<std::string, kLineWords> upwords;
    int wordcount = 0;
    std::array<std::string, kLineTargets> targets;
    std::array<std::string, kLineTargets> uptargets;
    int targetcount = 0;

    // The last word (empty when the line has no words).
    const std::string& lastword() const {
        static const std::string empty;
        return wordcount > 0 ? words[wordcount - 1] : empty;
    }
};

} // namespace tessel
