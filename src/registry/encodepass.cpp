#include "registry/encodepass.h"

#include "registry/digestgenerator.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <string_view>

namespace tessel {

namespace {

constexpr std::string_view digestalphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.\\";

constexpr size_t fieldbits = 512;
constexpr size_t fieldbytes = fieldbits / 8;
constexpr size_t digestlength = 13;

using field = std::bitset<fieldbits>;

// Byte j holds bits 8j..8j+7, bit 8j in its least significant position.
std::array<uint8_t, fieldbytes> pack(const field& bits) {
    std::array<uint8_t, fieldbytes> bytes{};
    for (size_t i = 0; i < fieldbits; ++i)
        if (bits[i]) bytes[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
    return bytes;
}

field unpack(const std::array<uint8_t, fieldbytes>& bytes) {
    field bits;
    for (size_t i = 0; i < fieldbits; ++i)
        bits[i] = (bytes[i / 8] >> (i % 8)) & 1;
    return bits;
}

// new[i] = old[(i + r) mod 512]
field rotatedown(const field& bits, size_t r) {
    r %= fieldbits;
    if (r == 0) return bits;
    return (bits >> r) | (bits << (fieldbits - r));
}

// Weighted sum of the password bytes, starting at byte (k + 1) mod n and
// wrapping around; the weights are powers of 17 that restart at 1 once they
// pass 2^24.
uint32_t roundseed(std::string_view password, size_t k) {
    const size_t n = password.size();
    uint32_t sum = 0;
    uint32_t factor = 1;
    for (size_t i = 1; i <= n; ++i) {
        sum += factor * static_cast<unsigned char>(password[(k + i) % n]);
        factor *= 17;
        if (factor > 16777216) factor = 1;
    }
    return sum;
}

std::string digest(std::string_view password) {
    field bits;
    for (size_t k = 1; k <= password.size(); ++k) {
        auto bytes = pack(bits);
        DigestGenerator generator(roundseed(password, k));
        for (auto& b : bytes)
            b = static_cast<uint8_t>(b + generator.next());
        bits = rotatedown(unpack(bytes), generator.next());
    }
    std::string result(digestlength, ' ');
    for (size_t g = 0; g < digestlength; ++g) {
        unsigned v = 0;
        for (size_t m = 0; m < 6; ++m)
            v |= unsigned(bits[6 * g + m]) << m;
        result[g] = digestalphabet[v];
    }
    return result;
}

} // namespace

std::string encodepass(const std::string& password, bool cryptpass) {
    if (!cryptpass || password.empty()) return password;
    return digest(password);
}

} // namespace tessel
