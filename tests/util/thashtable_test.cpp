#include "util/thashtable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessel;

TEST(Thashtable, HashofFollowsShiftXorAndFold) {
    struct Case {
        std::string key;
        uint32_t bucket;
    };
    const Case cases[] = {
        {"", 0},
        {"A", 65},
        // (65 << 6) ^ 66 = 4160 ^ 66: bit 64 is in both and cancels.
        {"AB", 4098},
        // Bytes are unsigned.
        {"\xff", 255},
        {"NICK", 439},
        // Longer than 32 bits of shifting: the high bits fall off and the
        // upper half is folded into the lower before masking.
        {"[B0B]{X}", 9486},
        {"ABCDEFGH", 13464},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thashtable::hashof(c.key), c.bucket) << c.key;
}

TEST(Thashtable, LaterAddShadowsEarlierAndRemoveUncoversIt) {
    thashtable table;
    EXPECT_EQ(table.find("NICK"), 0);
    table.remove("NICK"); // absent key on an empty table: nothing happens

    table.add("NICK", 1);
    table.add("OTHER", 7);
    table.add("NICK", 2);
    EXPECT_EQ(table.find("NICK"), 2);
    EXPECT_EQ(table.find("nick"), 0); // keys compare exactly
    EXPECT_EQ(table.find("NIC"), 0);

    table.remove("NICK");
    EXPECT_EQ(table.find("NICK"), 1);
    table.remove("ABSENT");
    EXPECT_EQ(table.find("NICK"), 1);
    EXPECT_EQ(table.find("OTHER"), 7);
    table.remove("NICK");
    EXPECT_EQ(table.find("NICK"), 0);
    EXPECT_EQ(table.find("OTHER"), 7);
}

TEST(Thashtable, KeysSharingABucketStayApart) {
    // Two-byte keys (a << 6) ^ b = 4098: "AB" and every a with b = (a << 6) ^ 4098.
    const std::vector<std::string> same = {"AB", "@\x02", "B\x82", "C\xc2"};
    for (const auto& key : same)
        ASSERT_EQ(thashtable::hashof(key), 4098u);

    thashtable table;
    for (size_t i = 0; i < same.size(); ++i)
        table.add(same[i], int32_t(i + 1));
    for (size_t i = 0; i < same.size(); ++i)
        EXPECT_EQ(table.find(same[i]), int32_t(i + 1));

    table.remove(same[1]); // middle
    table.remove(same[3]); // head (newest)
    table.remove(same[0]); // tail (oldest)
    EXPECT_EQ(table.find(same[0]), 0);
    EXPECT_EQ(table.find(same[1]), 0);
    EXPECT_EQ(table.find(same[2]), 3);
    EXPECT_EQ(table.find(same[3]), 0);
}

TEST(Thashtable, ItemsAreFreedByRemoveClearAndDestruction) {
    const long before = tlinklist::livecount();
    {
        thashtable table;
        for (int i = 0; i < 100; ++i)
            table.add("USER" + std::to_string(i), i + 1);
        table.add("USER5", 500);
        EXPECT_EQ(tlinklist::livecount(), before + 101);
        table.remove("USER5");
        table.remove("USER5");
        table.remove("USER5"); // already gone
        EXPECT_EQ(tlinklist::livecount(), before + 99);

        table.clear();
        EXPECT_EQ(tlinklist::livecount(), before);
        EXPECT_EQ(table.find("USER1"), 0);
        table.add("USER1", 1); // usable again after clear
        EXPECT_EQ(table.find("USER1"), 1);

        thashtable moved(std::move(table));
        EXPECT_EQ(moved.find("USER1"), 1);
        thashtable assigned;
        assigned.add("X", 9);
        assigned = std::move(moved); // frees X, takes USER1
        EXPECT_EQ(tlinklist::livecount(), before + 1);
        EXPECT_EQ(assigned.find("USER1"), 1);
        EXPECT_EQ(assigned.find("X"), 0);
    }
    EXPECT_EQ(tlinklist::livecount(), before);
}
