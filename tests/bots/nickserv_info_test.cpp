#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/botfixture.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

class NickServInfo : public BotTest {
protected:
    // A registration for `nick` that left the network, with fixed dates.
    tessel::Tnickserv& stored(const std::string& nick) {
        offlinerecord(nick);
        tessel::Tnickserv& rec = record(nick);
        rec.regdate = h.form.clock.now - 90061;
        rec.lastdate = h.form.clock.now - 59;
        return rec;
    }
    Lines ask(const std::string& from, const std::string& text) { return say(from, text); }
};

} // namespace

TEST_F(NickServInfo, ShowsAnOfflineRecordWithHiddenHostAndEmailForOperatorsOnly) {
    tessel::Tnickserv& rec = stored("Bob");
    rec.url = "http://bob.example";
    h.adduser("alice", "AKAAA");
    h.adduser("oper", "AKAAB", "+o");
    const std::string registeredline = "       Registered: 1 days, 1:01:01 ago";
    const std::string seenline = "        Last seen: 0 days, 0:00:59 ago";

    Lines sent = ask("AKAAA", "info bob");
    EXPECT_EQ(sent, notices("AKAAA", {"Bob is Real Name", "Last seen address: Bob!user@hidden",
                                      "              URL: http://bob.example", registeredline,
                                      seenline}));
    sent = ask("AKAAB", "info BOB");
    EXPECT_EQ(
        sent,
        notices("AKAAB", {"Bob is Real Name", "Last seen address: Bob!user@host.example",
                          "    Email Address: Bob@mail.example",
                          "              URL: http://bob.example", registeredline, seenline}));

    h.form.cfg.hiddenhost = false;
    rec.gecos.clear();
    sent = ask("AKAAA", "info bob");
    EXPECT_EQ(sent,
              notices("AKAAA", {"Information about Bob", "Last seen address: Bob!user@host.example",
                                "              URL: http://bob.example", registeredline,
                                seenline}));
}

TEST_F(NickServInfo, AgesAreDurationTexts) {
    stored("bob");
    h.adduser("alice", "AKAAA");
    Lines sent = ask("AKAAA", "info bob");
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2], notice("AKAAA", "       Registered: 1 days, 1:01:01 ago"));
    EXPECT_EQ(sent[3], notice("AKAAA", "        Last seen: 0 days, 0:00:59 ago"));
}

TEST_F(NickServInfo, OnlineOwnerIsPointedAtInsteadOfLastSeen) {
    registered("Carol", "AKAAC");
    say("AKAAC", "set email c@x");
    h.adduser("alice", "AKAAA");
    Lines sent = ask("AKAAA", "info carol");
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], notice("AKAAA", "Carol is Real Name"));
    EXPECT_EQ(
        sent[2],
        notice("AKAAA", "This user is currently online, type /whois Carol for more information."));
}

TEST_F(NickServInfo, PrivateRecordIsShownOnlyToItsOwnerAndOperators) {
    registered("carol", "AKAAC");
    say("AKAAC", "set private on");
    h.adduser("alice", "AKAAA");
    h.adduser("oper", "AKAAB", "+o");
    EXPECT_EQ(ask("AKAAA", "info carol"),
              Lines{notice("AKAAA", "information about nick carol is private")});
    EXPECT_GE(ask("AKAAC", "info carol").size(), 3u);
    Lines oper = ask("AKAAB", "info carol");
    ASSERT_GE(oper.size(), 2u);
    EXPECT_EQ(oper[1], notice("AKAAB", "    Email Address: carol@mail.example"));
}

TEST_F(NickServInfo, ErrorsAndIgnoreNote) {
    registered("alice", "AKAAA");
    EXPECT_EQ(ask("AKAAA", "info"),
              Lines{notice("AKAAA", "Not enough parameters. Syntax is INFO <nick>")});
    EXPECT_EQ(ask("AKAAA", "info Nobody"),
              Lines{notice("AKAAA", "Nobody is not a registered nickname")});

    registered("bob", "AKAAB");
    EXPECT_EQ(say("AKAAB", "ignore add ALICE"),
              Lines{notice("AKAAB", "ALICE nick has been added to your IGNORE list.")});
    EXPECT_EQ(ask("AKAAA", "info bob"),
              notices("AKAAA", {"bob is Real Name", "       Registered: 0 days, 0:00:00 ago",
                                "This user is currently online, type /whois bob for more "
                                "information.",
                                "This user has you on ignore."}));
    // Only an identified asker learns about it.
    h.feed("AKAAA Q :bye");
    h.adduser("alice", "AKAAD", "", "user", "host.example", 2000);
    EXPECT_EQ(ask("AKAAD", "info bob"),
              notices("AKAAD", {"bob is Real Name", "       Registered: 0 days, 0:00:00 ago",
                                "This user is currently online, type /whois bob for more "
                                "information."}));
}

TEST_F(NickServInfo, ListSyntaxNeedsPatternAndMax) {
    h.adduser("alice", "AKAAA");
    EXPECT_EQ(ask("AKAAA", "list *"),
              notices("AKAAA", {"Syntax: LIST <pattern> [max]",
                                "Type /msg NickServ HELP LIST for more information."}));
}

TEST_F(NickServInfo, ListIsSortedPaddedAndSkipsPrivateRecords) {
    stored("zed");
    stored("Amy");
    stored("a_very_long_nickname_beyond2");
    stored("hidden").private_ = true;
    registered("mia", "AKAAM");
    h.adduser("alice", "AKAAA");
    EXPECT_EQ(ask("AKAAA", "list * 50"),
              notices("AKAAA",
                      {"    Amy                         Amy!user@hidden",
                       "    a_very_long_nickname_beyond2 a_very_long_nickname_beyond2!user@hidden",
                       "    mia                         << ONLINE >>",
                       "    zed                         zed!user@hidden",
                       "End of list - 4/4 matches shown."}));
    EXPECT_EQ(ask("AKAAA", "list A* 50"),
              notices("AKAAA",
                      {"    Amy                         Amy!user@hidden",
                       "    a_very_long_nickname_beyond2 a_very_long_nickname_beyond2!user@hidden",
                       "End of list - 2/2 matches shown."}));
}

TEST_F(NickServInfo, ListShowsPrivateRecordsToServicesOperators) {
    stored("hidden").private_ = true;
    h.form.cfg.soplist[0] = "boss";
    registered("boss", "AKAAB", "secret", "+o");
    ASSERT_TRUE(user(h.form.GETNICK("boss")).servicesop);
    Lines sent = ask("AKAAB", "list h* 5");
    EXPECT_EQ(sent, notices("AKAAB", {"    hidden                      hidden!user@host.example",
                                      "End of list - 1/1 matches shown."}));
}

TEST_F(NickServInfo, ListMaxIsCappedAndOddValuesShowOneLine) {
    for (int i = 0; i < 105; ++i) {
        std::string n = std::to_string(i);
        stored("n" + std::string(3 - n.size(), '0') + n);
    }
    h.adduser("alice", "AKAAA");
    struct Case {
        const char* max;
        size_t lines;
        const char* last;
    } cases[] = {
        {"500", 100, "End of list - 100/105 matches shown."},
        {"3", 3, "End of list - 3/105 matches shown."},
        {"0", 1, "End of list - 1/105 matches shown."},
        {"1000", 1, "End of list - 1/105 matches shown."},
        {"x", 1, "End of list - 1/105 matches shown."},
    };
    for (const auto& c : cases) {
        Lines sent = ask("AKAAA", std::string("list n* ") + c.max);
        ASSERT_EQ(sent.size(), c.lines + 1) << c.max;
        EXPECT_EQ(sent[0], notice("AKAAA", "    n000                        n000!user@hidden"));
        EXPECT_EQ(sent.back(), notice("AKAAA", c.last)) << c.max;
    }
}

TEST_F(NickServInfo, HelpTopics) {
    h.adduser("alice", "AKAAA");
    struct Case {
        const char* text;
        std::vector<std::string> first; // leading lines
    } cases[] = {
        {"help register", {"REGISTER <password> <email>"}},
        {"help Identify", {"IDENTIFY <password>", "Use this command to identify for your nick "}},
        {"help recover",
         {"RECOVER <nick> <password>", "Use this command to kill someone who is using your nick."}},
        {"help info",
         {"Shows information about a registered nick. It also tells you if he has you on his "
          "ignore list."}},
        {"help drop",
         {"DROP <password>",
          "Removes your nick from the database. You then no longer own the nick, and it is "
          "available for other users. A nick is automatically dropped if you don't identify for "
          "30 days."}},
        {"help access",
         {"ACCESS ADD <mask>         Add a mask to the list",
          "ACCESS DEL <mask>         Remove a mask from the list",
          "ACCESS                    Show mask list",
          "Sets masks from which you can identify for the nick. Masks are in the format "
          "userid@host. When you register a nick, mask *@* is in the list as default."}},
        {"help",
         {"NickServ allows you to register a nickname. You then own the nickname. Having a "
          "registered nickname allows you to register channels, send and read memos, and "
          "stop other users from using your nick.",
          "NickServ commands", "===================================="}},
    };
    for (const auto& c : cases) {
        Lines sent = ask("AKAAA", c.text);
        ASSERT_GE(sent.size(), c.first.size()) << c.text;
        for (size_t i = 0; i < c.first.size(); ++i)
            EXPECT_EQ(sent[i], notice("AKAAA", c.first[i])) << c.text;
    }
}

TEST_F(NickServInfo, GeneralHelpEndsWithTheExpiryOnlyWhenNicksExpire) {
    h.adduser("alice", "AKAAA");
    const std::string abuse = "NickServ may not be abused to \"steal\" nicks. Doing so will result "
                              "in, at least, loss of the registered nicks.";
    h.form.cfg.nickexpire = 45;
    Lines sent = ask("AKAAA", "help whatever");
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2], notice("AKAAA", abuse));
    EXPECT_EQ(sent.back(),
              notice("AKAAA", "A nick is automatically dropped after not being used for 45 days."));
    h.form.cfg.nickexpire = 0;
    sent = ask("AKAAA", "help");
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), notice("AKAAA", abuse));
}
