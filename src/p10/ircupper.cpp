#include "p10/ircupper.h"

#include <array>

namespace tessel {

namespace {

constexpr std::array<unsigned char, 256> makeuppertable() {
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] = static_cast<unsigned char>(c - 'a' + 'A');
    table['{'] = '[';
    table['|'] = '\\';
    table['}'] = ']';
    return table;
}

constexpr auto uppertable = makeuppertable();

} // namespace

char ircupper(char c) {
    return static_cast<char>(uppertable[static_cast<unsigned char>(c)]);
}

std::string ircupper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = ircupper(c);
    return result;
}

} // namespace tessel
