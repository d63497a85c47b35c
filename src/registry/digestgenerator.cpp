#include "registry/digestgenerator.h"

#include <bit>

namespace tessel {

DigestGenerator::DigestGenerator(uint32_t seed) {
    uint32_t s = seed == 0 ? 0xFFFFFFFFu : seed;
    for (auto& word : words_) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        word = s;
    }
    for (int i = 0; i < 10; ++i)
        next();
}

uint8_t DigestGenerator::next() {
    words_[lagged] = std::rotl(words_[lag], 13) + std::rotl(words_[lagged], 9);
    return static_cast<uint8_t>(words_[lagged] >> 24);
}

} // namespace tessel
