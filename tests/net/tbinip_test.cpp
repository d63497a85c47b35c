#include "net/tbinip.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tessel;

namespace {

tbinip v4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    tbinip ip;
    ip.family = 2;
    ip.addr[0] = a;
    ip.addr[1] = b;
    ip.addr[2] = c;
    ip.addr[3] = d;
    return ip;
}

tbinip v6(std::vector<uint16_t> groups) {
    tbinip ip;
    ip.family = 10;
    for (size_t i = 0; i < 8; ++i) {
        ip.addr[2 * i] = static_cast<uint8_t>(groups[i] >> 8);
        ip.addr[2 * i + 1] = static_cast<uint8_t>(groups[i] & 0xff);
    }
    return ip;
}

::testing::AssertionResult sameaddress(const tbinip& got, const tbinip& want) {
    if (sameip(got, want)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got family " << got.family << " " << formatip(got) << ", want family " << want.family
           << " " << formatip(want);
}

struct parsecase {
    const char* text;
    tbinip want;
};

} // namespace

TEST(Parseip, AcceptsLiteralAddresses) {
    const parsecase cases[] = {
        {"127.0.0.1", v4(127, 0, 0, 1)},
        {"0.0.0.0", v4(0, 0, 0, 0)},
        {"255.255.255.255", v4(255, 255, 255, 255)},
        {"10.00.0.1", v4(10, 0, 0, 1)}, // "00" reads as 0
        {"::1", v6({0, 0, 0, 0, 0, 0, 0, 1})},
        {"1::", v6({1, 0, 0, 0, 0, 0, 0, 0})},
        {"::", v6({0, 0, 0, 0, 0, 0, 0, 0})},
        {"2001:DB8::ff00:42:8329", v6({0x2001, 0xdb8, 0, 0, 0, 0xff00, 0x42, 0x8329})},
        {"1:2:3:4:5:6:7:8", v6({1, 2, 3, 4, 5, 6, 7, 8})},
        {"1:2:3::8", v6({1, 2, 3, 0, 0, 0, 0, 8})},
        {"::3:4:5:6:7:8", v6({0, 0, 3, 4, 5, 6, 7, 8})},
        {"::ffff:10.0.0.1", v6({0, 0, 0, 0, 0, 0xffff, 0x0a00, 0x0001})},
        {"1:2:3:4:5:6:192.168.1.2", v6({1, 2, 3, 4, 5, 6, 0xc0a8, 0x0102})},
        {"::0.0.0.0", v6({0, 0, 0, 0, 0, 0, 0, 0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(sameaddress(parseip(c.text), c.want));
    }
}

TEST(Parseip, RejectsEverythingElse) {
    const char* const cases[] = {
        "",
        "127.0.0.01", // leading zero
        "256.1.1.1",
        "1.2.3",
        "1.2.3.4.5",
        "1.2.3.",
        ".1.2.3",
        "1..2.3",
        " 1.2.3.4",
        "1.2.3.4 ",
        "+1.2.3.4",
        "-1.2.3.4",
        "1.2.3.0x4",
        "00.0.0.0", // zero only counts written as 0.0.0.0
        "localhost",
        "1000.1.1.1",
        "1::2::3",
        ":::",
        "1:2",
        "1:2:3:4:5:6:7:8:9",
        "1:2:3:4:5:6:7",
        "1:2:3:4:5:6:7:8:",
        ":1:2:3:4:5:6:7",
        "1:2:3:4:5:6:7:",
        "12345::",
        "g::1",
        "::ffff:10.0.0.256",
        "::ffff:10.0.0.1:1",
        "1:2:3:4:5:6:7:1.2.3.4",
        "::1.2.3.4.5",
        "::1 ",
        "[::1]",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseip(text).family, 0);
    }
}

TEST(Formatip, WritesCanonicalText) {
    const struct {
        tbinip ip;
        const char* text;
    } cases[] = {
        {v4(127, 0, 0, 1), "127.0.0.1"},
        {v4(0, 0, 0, 0), "0.0.0.0"},
        {v4(255, 255, 255, 255), "255.255.255.255"},
        {v6({0, 0, 0, 0, 0, 0, 0, 0}), "::"},
        {v6({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
        {v6({1, 0, 0, 0, 0, 0, 0, 0}), "1::"},
        {v6({0x2001, 0xdb8, 0, 0, 0, 0xff00, 0x42, 0x8329}), "2001:db8::ff00:42:8329"},
        {v6({1, 0, 0, 2, 0, 0, 0, 3}), "1:0:0:2::3"},   // longest run wins
        {v6({1, 0, 0, 2, 0, 0, 3, 4}), "1::2:0:0:3:4"}, // first of equal runs
        {v6({1, 0, 2, 3, 4, 5, 6, 7}), "1:0:2:3:4:5:6:7"},
        {v6({0, 0, 0, 0, 0, 0xffff, 0x0a00, 0x0001}), "::ffff:10.0.0.1"},
        {v6({0xabcd, 0x0ef0, 1, 2, 3, 4, 5, 6}), "abcd:ef0:1:2:3:4:5:6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(formatip(c.ip), c.text);
        // What is written reads back as the same address.
        EXPECT_TRUE(sameaddress(parseip(formatip(c.ip)), c.ip));
    }
    EXPECT_EQ(formatip(tbinip{}), "");
}

TEST(Sameip, ComparesFamilyAndOnlyTheFamilysBytes) {
    EXPECT_TRUE(sameip(parseip("10.0.0.1"), parseip("10.0.0.1")));
    EXPECT_FALSE(sameip(parseip("10.0.0.1"), parseip("10.0.0.2")));
    EXPECT_FALSE(sameip(parseip("::ffff:10.0.0.1"), parseip("10.0.0.1")));
    EXPECT_FALSE(sameip(parseip("::1"), parseip("::2")));
    // Stray bytes beyond an IPv4 address do not take part.
    tbinip a = v4(1, 2, 3, 4), b = v4(1, 2, 3, 4);
    b.addr[10] = 99;
    EXPECT_TRUE(sameip(a, b));
}

TEST(Unmapip, TurnsOnlyMappedAddressesIntoIPv4) {
    tbinip ip = parseip("::ffff:10.0.0.1");
    ASSERT_EQ(ip.family, 10);
    unmapip(ip);
    EXPECT_TRUE(sameaddress(ip, v4(10, 0, 0, 1)));

    const char* const unchanged[] = {"::1", "::10.0.0.1", "1::ffff:10.0.0.1", "::fffe:10.0.0.1",
                                     "10.0.0.1"};
    for (const char* text : unchanged) {
        SCOPED_TRACE(text);
        tbinip before = parseip(text), after = before;
        unmapip(after);
        EXPECT_TRUE(sameaddress(after, before));
    }
}
