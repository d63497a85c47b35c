#pragma once

#include <cstdint>
#include <string>

namespace tessel {

inline constexpr int kGlineCapacity = 1024;
inline constexpr int kJupeCapacity = 64;
inline constexpr int kSeenCapacity = 1024;

struct tgline {
    bool used = false;
    std::string setter; // operator nick, or "-scanner-"
    std::string mask;
    int32_t expires = 0;
    std::string reason;
};

struct tjupe {
    bool used = false;
    std::string servername;
    std::string numeric; // two-character server numeric
    std::string reason;
};

struct tseen {
    std::string mask; // empty = free
    std::string gecos;
    int32_t time = 0;
};

} // namespace tessel
