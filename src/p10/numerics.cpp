#include "p10/numerics.h"

#include <array>

namespace tessel {

namespace {

constexpr unsigned char invaliddigit = 255;

constexpr std::array<unsigned char, 256> makedecodetable() {
    std::array<unsigned char, 256> table{};
    for (auto& v : table)
        v = invaliddigit;
    for (size_t i = 0; i < numericdigits.size(); ++i)
        table[static_cast<unsigned char>(numericdigits[i])] = static_cast<unsigned char>(i);
    // Some servers write a backslash where "A" belongs; it counts as zero.
    table[static_cast<unsigned char>('\\')] = 0;
    return table;
}

constexpr auto decodetable = makedecodetable();

} // namespace

std::string encodenumeric(uint32_t value, int width) {
    if (value >= 64 && width < 2) width = 2;
    if (width < 0) width = 0;
    std::string text(static_cast<size_t>(width), 'A');
    for (int i = width - 1; i >= 0; --i) {
        text[static_cast<size_t>(i)] = numericdigits[value & 63];
        value /= 64;
    }
    return text;
}

int32_t decodenumeric(std::string_view text) {
    uint32_t result = 0;
    unsigned shift = 0;
    for (size_t i = text.size(); i-- > 0;) {
        unsigned char digit = decodetable[static_cast<unsigned char>(text[i])];
        if (digit == invaliddigit) return -1;
        result |= uint32_t{digit} << shift;
        shift = (shift + 6) % 32;
    }
    return static_cast<int32_t>(result);
}

std::string normalisenumeric(std::string_view text) {
    switch (text.size()) {
    case 1:
    case 4:
        return "A" + std::string(text);
    case 2:
    case 5:
        return std::string(text);
    case 3:
        return std::string{'A', text[0], 'A', text[1], text[2]};
    default:
        return {};
    }
}

std::string numericiptext(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 255) + "." +
           std::to_string((v >> 8) & 255) + "." + std::to_string(v & 255);
}

} // namespace tessel
