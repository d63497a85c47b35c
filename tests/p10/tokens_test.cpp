#include "p10/tokens.h"

#include <gtest/gtest.h>

#include <set>

using namespace tessel;

TEST(Tokens, TableHoldsEachCommandOnceInProtocolOrder) {
    EXPECT_EQ(p10tokens.front().command, "PRIVMSG");
    EXPECT_EQ(p10tokens.back().command, "CREATE");
    std::set<std::string_view> commands;
    for (const auto& entry : p10tokens) {
        EXPECT_FALSE(entry.token.empty()) << entry.command;
        EXPECT_TRUE(commands.insert(entry.command).second) << entry.command;
    }
}

TEST(Tokens, LookupBothWays) {
    struct Case {
        std::string_view command;
        std::string_view token;
    };
    const Case cases[] = {
        {"PRIVMSG", "P"}, {"NOTICE", "O"}, {"WALLOPS", "WA"},      {"KILL", "D"},
        {"USER", "USER"}, {"NAMES", "E"},  {"END_OF_BURST", "EB"}, {"EOB_ACK", "EA"},
        {"CREATE", "C"},  {"WHOWAS", "X"}, {"INFO", "F"},          {"STATS", "R"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(p10tokenof(c.command), c.token) << c.command;
        EXPECT_EQ(p10commandof(c.token), c.command) << c.token;
    }
    // NICKSERV and NS share a token; the first name wins.
    EXPECT_EQ(p10tokenof("NS"), "NS");
    EXPECT_EQ(p10commandof("NS"), "NICKSERV");
    EXPECT_EQ(p10tokenof("privmsg"), "");
    EXPECT_EQ(p10tokenof("UNKNOWN"), "");
    EXPECT_EQ(p10commandof("ZZ"), "");
}
