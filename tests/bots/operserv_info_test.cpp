#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/operservfixture.h"

using namespace tesseltest;

namespace {

class OperServInfo : public OperServTest {
protected:
    OperServInfo() { callers(); }

    // A departure at a known moment: the user joins the seen ring.
    void departs(const std::string& nick, const std::string& ident, const std::string& host,
                 int32_t at) {
        h.form.clock.now = at;
        h.adduser(nick, "AKAZZ", "", ident, host);
        h.feed("AKAZZ Q :bye");
        h.take();
    }
};

} // namespace

TEST_F(OperServInfo, HelpListsTheCommands) {
    EXPECT_EQ(
        ask("AKAAO", "help whatever"),
        oslines("AKAAO",
                {"OperServ commands",
                 "  MODE <parameters>    Forced mode change (channel hack)",
                 "  RAW  <message>       Make the services send any raw command",
                 "  NEWS <message>       Send a notice message to everyone on the network",
                 "  GLINE +<nick|mask> <duration> <reason>",
                 "    GLINE -<mask>      Add/remove a G-line. giving a nick will search *!*@host. "
                 "duration can also be h, d, w, m, y (example: 2w means 2 weeks)",
                 "  JUPE <add|list|del>  Set or remove jupe servers",
                 "  SETNICKPASS <nick> <newpass>   Change the password of a registered nick (to be "
                 "used in case of lost passwords)",
                 "  NICKDROP <nick>      Drop a registered nick",
                 "  RESET                Re-join and re-op chanserv, re-send G-lines, reset time.",
                 "  SAVEDB               Save databases.",
                 "  GLIST                Show G-lines",
                 "  DISCONNECT           Disconnect the services from the network.",
                 "  DIE                  terminate services.",
                 "  INIT                 Disconnect, load the configuration and databases, connect",
                 "  KILL <nick|channel>  Kill user, or all users in a channel",
                 "  INVITE <channel>     Get yourself invited to a channel",
                 "  KILLCHANNEL <name>   Terminates a channel (makes it unusable) but don't kill "
                 "users",
                 "  OPTIONS * <params>   Send options message (params are the same format as "
                 "tessd.ini)",
                 "  SEEN <nick|mask> [num]    Search through service's seen list."}));
}

TEST_F(OperServInfo, SeenListsNewestFirstWithAgesAndCounts) {
    const int32_t t0 = 1796870000;
    departs("Bob", "bob", "a.example", t0);
    departs("carol", "c", "b.example", t0 + 5);
    departs("bob", "other", "b.example", t0 + 10);
    h.form.clock.now = t0 + 20;

    struct question {
        std::string text;
        Lines answer;
    };
    const std::vector<question> questions = {
        // A bare nick: that nick with any user name and host, newest first.
        {"SEEN BOB",
         {"       10 bob!other@b.example   Real Name", "       20 Bob!bob@a.example   Real Name",
          "2 of 2 entries listed."}},
        // A dot makes it a mask as typed: here every user of one host.
        {"SEEN *b.example",
         {"       10 bob!other@b.example   Real Name", "       15 carol!c@b.example   Real Name",
          "2 of 2 entries listed."}},
        {"SEEN * 2",
         {"       10 bob!other@b.example   Real Name", "       15 carol!c@b.example   Real Name",
          "2 of 3 entries listed."}},
        {"SEEN *!bob@*", {"       20 Bob!bob@a.example   Real Name", "1 of 1 entries listed."}},
        {"SEEN Dave", {"i can't remember seeing Dave"}},
    };
    for (const question& q : questions) {
        SCOPED_TRACE(q.text);
        EXPECT_EQ(ask("AKAAO", q.text), oslines("AKAAO", q.answer));
    }
}

TEST_F(OperServInfo, SeenWalksBackRoundTheRingAndShowsTenByDefault) {
    // The ring is written just before its end: the newest entries sit at
    // its start.
    h.form.oper.seenindex = tessel::kSeenCapacity - 6;
    const int32_t t0 = 1796870000;
    for (int i = 0; i < 12; ++i)
        departs("u" + std::to_string(i), "x", "h.example", t0 + i);
    h.form.clock.now = t0 + 123456789;
    Lines expected;
    for (int i = 11; i >= 2; --i)
        expected.push_back(std::to_string(123456789 - i) + " u" + std::to_string(i) +
                           "!x@h.example   Real Name");
    expected.push_back("10 of 12 entries listed.");
    // Ages of nine digits fill the column exactly.
    EXPECT_EQ(ask("AKAAO", "SEEN"), oslines("AKAAO", expected));
    // A longer age is not cut.
    h.form.oper.seen[h.form.oper.seenindex].time = 0;
    h.form.clock.now = t0;
    EXPECT_EQ(ask("AKAAO", "SEEN u11 1"),
              oslines("AKAAO", {"1796870000 u11!x@h.example   Real Name", "1 of 1 entries listed."}));
}

TEST_F(OperServInfo, GlistShowsExpiryInUniversalTime) {
    h.form.clock.zoneoffset = 3600; // the listing must not show the local shift
    h.form.ADDGLINE("*@spam.example", 1796870000, "go away", "sop");
    h.form.ADDGLINE("ident@*.example", 2147483647, "forever", "-scanner-");
    const Lines expected = oslines("AKAAP", {"G-lines - mask expiration sender reason",
                                             "*@spam.example <Thu Dec 10 02:33:20 2026 sop> go away",
                                             "ident@*.example <Tue Jan 19 03:14:07 2038 -scanner-> "
                                             "forever"});
    EXPECT_EQ(ask("AKAAP", "GLIST"), expected);
}

TEST_F(OperServInfo, ServersListsSlotsNumericsAndUplinks) {
    h.feed("AK S leaf.test 2 0 1796860000 J10 AM]]] +h :a leaf");
    h.take();
    EXPECT_EQ(ask("AKAAP", "servers"),
              oslines("AKAAP", {"servers on network - num name", "0 AB services.test -1",
                                "1 AK hub.test -1", "2 AM leaf.test 1"}));
}

TEST_F(OperServInfo, ChannelsWrapPastFourHundredCharacters) {
    h.feed("AKAAO C #big 1796000000");
    for (int i = 0; i < 60; ++i) {
        const std::string numeric = "AKAB" + std::string(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"[i]);
        h.adduser("member" + std::string(i < 10 ? "0" : "") + std::to_string(i), numeric);
        h.feed(numeric + " J #big 1796000000");
    }
    h.feed("AKAAO M #big +v AKABA");
    h.feed("AKAAI C #small 1796000001");
    h.take();

    // "#big -1 1796000000 61 @oper" is 27 characters, each member adds 9.
    Lines expected = {"Channels on network - name chanserv TS size users"};
    std::string line = "#big -1 1796000000 61 @oper";
    for (int i = 0; i < 60; ++i) {
        line += std::string(" ") + (i == 0 ? "+" : "") + "member" + (i < 10 ? "0" : "") +
                std::to_string(i);
        if (line.size() > 400) {
            expected.push_back(line);
            line.clear();
        }
    }
    expected.push_back(line);
    expected.push_back("#small -1 1796000001 1 @idop");
    const Lines sent = ask("AKAAO", "CHANNELS");
    EXPECT_EQ(sent, oslines("AKAAO", expected));
    // The first line ends with member41 at 406 characters.
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(expected[1].size(), 406u);
    EXPECT_EQ(expected[2], " member42 member43 member44 member45 member46 member47 member48 "
                           "member49 member50 member51 member52 member53 member54 member55 "
                           "member56 member57 member58 member59");
}

TEST_F(OperServInfo, UsersShowsRegistrationServerTimestampAndChannels) {
    h.feed("AKAAI C #a 1796000000");
    h.feed("AKAAS J #a 1796000000");
    h.feed("AKAAI M #a +v AKAAS");
    h.feed("AKAAS C #b 1796000001");
    h.take();
    const int32_t idop = h.form.GETNS("idop");
    const int32_t sop = h.form.GETNS("sop");
    EXPECT_EQ(ask("AKAAO", "USERS"),
              oslines("AKAAO", {"Users on network - nick nickserv server TS numeric channels",
                                "plain -1 1 1000 AKAAP", "oper -1 1 1000 AKAAO",
                                "idop " + std::to_string(idop) + " 1 1000 AKAAI @#a",
                                "sop " + std::to_string(sop) + " 1 1000 AKAAS +#a @#b"}));
    EXPECT_EQ(ask("AKAAO", "USERS *OP"),
              oslines("AKAAO", {"Users on network - nick nickserv server TS numeric channels",
                                "idop " + std::to_string(idop) + " 1 1000 AKAAI @#a",
                                "sop " + std::to_string(sop) + " 1 1000 AKAAS +#a @#b"}));
}

TEST_F(OperServInfo, ChaninfoShowsModesTimestampAndBans) {
    h.form.clock.zoneoffset = 3600; // the timestamp is shown in local time
    h.feed("AKAAO C #c 1796870000");
    h.feed("AKAAO M #c +stnmlk 25 sesame");
    h.feed("AKAAO M #c +bb *!*@bad.example x!*@*");
    h.feed("AKAAO M #c -b *!*@bad.example");
    h.feed("AKAAO C #plain 1796870000");
    h.feed("AKAAO M #plain -nt");
    h.take();
    EXPECT_EQ(ask("AKAAO", "chaninfo #C"),
              oslines("AKAAO", {"#c modes: +ntmskl sesame 25",
                                "#c TS: 1796870000 (Thu Dec 10 03:33:20 2026)",
                                "Banlist of #c  x!*@*"}));
    EXPECT_EQ(ask("AKAAO", "chaninfo #plain"),
              oslines("AKAAO", {"#plain modes: +", "#plain TS: 1796870000 (Thu Dec 10 03:33:20 2026)",
                                "Banlist of #plain"}));
    EXPECT_EQ(ask("AKAAO", "chaninfo #none"), Lines{os("AKAAO", "no such channel: #none")});
}

TEST_F(OperServInfo, TimeIsUniversalWithTheClockValue) {
    h.form.clock.zoneoffset = -7200;
    EXPECT_EQ(ask("AKAAP", "time"),
              Lines{os("AKAAP", "Thu Dec 10 02:33:20 2026 GMT (1796870000)")});
}

TEST_F(OperServInfo, WhoisShowsHostModesAndNumericToOperatorsOnly) {
    h.feed("AKAAS M sop +iwg");
    registered("owner", "AKAAW");
    h.feed("AKAAW Q :gone");
    h.adduser("owner", "AKAAX", "", "user", "host.example", 1000); // mask matches *@*
    h.form.user(h.form.GETNICK("owner")).recognised = true;
    h.form.user(h.form.GETNICK("owner")).identified = false;
    h.take();

    struct view {
        std::string from, text;
        Lines answer;
    };
    const std::vector<view> views = {
        {"AKAAO", "whois SOP",
         {"sop (user@host.example)  modes: +oiwg  numeric: AKAAS", "  Has identified",
          "  Is Services Operator and IRC operator"}},
        {"AKAAP", "whois SOP", {"sop", "  Has identified", "  Is Services Operator and IRC operator"}},
        {"AKAAO", "whois plain",
         {"plain (user@host.example)  numeric: AKAAP", "  Is not a registered nick"}},
        {"AKAAP", "whois oper", {"oper", "  Is not a registered nick", "  Is IRC Operator"}},
        {"AKAAP", "whois owner", {"owner", "  Has not identified but mask matches ACCESS list"}},
        {"AKAAP", "whois nobody", {"nobody: No such nick"}},
    };
    for (const view& v : views) {
        SCOPED_TRACE(v.text + " from " + v.from);
        EXPECT_EQ(ask(v.from, v.text), oslines(v.from, v.answer));
    }
    h.form.user(h.form.GETNICK("owner")).recognised = false;
    EXPECT_EQ(ask("AKAAP", "whois owner"),
              oslines("AKAAP",
                      {"owner", "  Has not identified and mask does not match ACCESS list"}));
}
