#include "util/twords.h"

#include <gtest/gtest.h>

using tessel::splitwords;

TEST(Splitwords, RunsOfBlanksSeparateWordsAndTheRestStaysEmpty) {
    auto w = splitwords("  nick=Bob   access=*@host  ");
    EXPECT_EQ(w[0], "nick=Bob");
    EXPECT_EQ(w[1], "access=*@host");
    EXPECT_EQ(w[2], "");
    EXPECT_EQ(w[100], "");
}

TEST(Splitwords, KeepsAtMost101Words) {
    std::string line;
    for (int i = 0; i < 150; ++i)
        line += "w" + std::to_string(i) + " ";
    auto w = splitwords(line);
    EXPECT_EQ(w[0], "w0");
    EXPECT_EQ(w[100], "w100");
}
