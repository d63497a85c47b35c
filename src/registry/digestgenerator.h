#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessel {

// The byte generator behind the password digest: 17 words filled by a
// xorshift sequence from the seed, then a lagged rotate-and-add step between
// words 0 and 10. Stored passwords depend on every detail of it.
class DigestGenerator {
public:
    // A seed of 0 is taken as all bits set (xorshift would stay at zero).
    // The first 10 bytes after seeding are drawn and thrown away.
    explicit DigestGenerator(uint32_t seed);

    // Next byte: the top 8 bits of the updated word 0.
    uint8_t next();

private:
    static constexpr std::size_t lagged = 0; // the word that is updated
    static constexpr std::size_t lag = 10;   // the word it is mixed with
    std::array<uint32_t, 17> words_{};
};

} // namespace tessel
