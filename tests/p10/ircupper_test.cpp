#include "p10/ircupper.h"

#include <gtest/gtest.h>

#include <string>

using namespace tessel;

TEST(Ircupper, MapsLettersAndBracesOnly) {
    struct Case {
        std::string text;
        std::string upper;
    };
    const Case cases[] = {
        {"nick{a}", "NICK[A]"},
        {"a|b", "A\\B"},
        {"~^_-`", "~^_-`"}, // "~" and "^" are not folded
        {"[B0B]{x}|^", "[B0B][X]\\^"},
        {"#Chan.Name", "#CHAN.NAME"},
        {"\xe4\xff\x7f", "\xe4\xff\x7f"}, // bytes above 127 stay
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ircupper(c.text), c.upper) << c.text;
}

TEST(Ircupper, EveryByteMapsToItselfUnlessFolded) {
    for (int b = 0; b < 256; ++b) {
        const char c = char(b);
        char expected = c;
        if (b >= 'a' && b <= 'z') expected = char(b - 32);
        if (b == '{') expected = '[';
        if (b == '|') expected = '\\';
        if (b == '}') expected = ']';
        EXPECT_EQ(ircupper(c), expected) << b;
    }
    // Embedded NUL bytes keep the length.
    EXPECT_EQ(ircupper(std::string("a\0b", 3)), std::string("A\0B", 3));
}
