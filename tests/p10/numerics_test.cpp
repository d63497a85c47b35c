#include "p10/numerics.h"

#include <gtest/gtest.h>

#include <string>

using namespace tessel;

TEST(Numerics, EncodeWritesFixedWidthMostSignificantFirst) {
    struct Case {
        uint32_t value;
        int width;
        std::string text;
    };
    const Case cases[] = {
        {0, 2, "AA"},
        {4095, 2, "]]"},
        {1, 2, "AB"},
        {64, 2, "BA"},
        {70, 1, "BG"}, // width raised to 2
        {63, 1, "]"},
        {5, 3, "AAF"},
        {262143, 3, "]]]"},
        {4096, 2, "AA"}, // digits above the width are dropped
        {0xFFFFFFFFu, 6, "D]]]]]"},
        {0x7F000001u, 6, "B]AAAB"},
        {0, 0, ""},
        {9, -3, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(encodenumeric(c.value, c.width), c.text) << c.value << " width " << c.width;
}

TEST(Numerics, DecodeReadsFromTheLastCharacter) {
    struct Case {
        std::string text;
        int32_t value;
    };
    const Case cases[] = {
        {"", 0},
        {"A", 0},
        {"AB", 1},
        {"BA", 64},
        {"]]", 4095},
        {"AKAP]", (10 << 18) | (15 << 6) | 63},
        {"\\A", 0}, // backslash counts as "A"
        {"A\\", 0},
        {"B\\", 64},
        {"A-", -1}, // invalid anywhere poisons the whole value
        {"-A", -1},
        {"AB ", -1},
        {std::string("A\0", 2), -1},
        {"\xff"
         "A",
         -1},
        // 6-character IP fields keep the low 32 bits of 36.
        {"AAAAAA", 0},
        {"B]AAAB", 0x7F000001},
        {"]]]]]]", -1},         // all ones, indistinguishable from "invalid"
        {"E]]]]]", 0x3FFFFFFF}, // the top digit's upper bits fall off
        {"CAAAAA", int32_t(0x80000000u)},
        // Past 32 bits the shift wraps: the 7th digit from the right lands at bit 4.
        {"BAAAAAA", 16},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodenumeric(c.text), c.value) << c.text;
}

TEST(Numerics, DecodeUndoesEncodeForServerAndClientWidths) {
    for (uint32_t v : {0u, 1u, 63u, 64u, 4095u})
        EXPECT_EQ(decodenumeric(encodenumeric(v, 2)), int32_t(v));
    for (uint32_t v : {0u, 4096u, 262143u})
        EXPECT_EQ(decodenumeric(encodenumeric(v, 3)), int32_t(v));
}

TEST(Numerics, DecodeSurvivesLongGarbage) {
    std::string longtext(100000, ']');
    EXPECT_EQ(decodenumeric(longtext), -1); // every bit position gets set
    longtext.back() = '*';
    EXPECT_EQ(decodenumeric(longtext), -1);
    std::string allbytes;
    for (int b = 0; b < 256; ++b)
        allbytes += char(b);
    EXPECT_EQ(decodenumeric(allbytes), -1);
}

TEST(Numerics, NormaliseWidensShortForms) {
    struct Case {
        std::string text;
        std::string normal;
    };
    const Case cases[] = {
        {"B", "AB"},        {"BC", "BC"},   {"BCD", "ABACD"}, {"BCDE", "ABCDE"},
        {"ABCDE", "ABCDE"}, {"ABCDEF", ""}, {"", ""},         {std::string(600, 'A'), ""},
        {"?", "A?"}, // no validation here; decoding rejects it later
    };
    for (const auto& c : cases)
        EXPECT_EQ(normalisenumeric(c.text), c.normal) << c.text;
}

TEST(Numerics, IpFieldRendersBigEndianDottedQuad) {
    struct Case {
        std::string field;
        std::string text;
    };
    const Case cases[] = {
        {"AAAAAA", "0.0.0.0"},
        {"B]AAAB", "127.0.0.1"}, // as a hub sends it for a loopback client
        {"DAqAoB", "192.168.10.1"},
        {"D]]]]]", "255.255.255.255"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numericiptext(decodenumeric(c.field)), c.text) << c.field;
}
