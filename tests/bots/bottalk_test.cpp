#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/botfixture.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

const std::string kIgnored = "You are temporarily ignored for flooding.";

class BotTalk : public BotTest {};

} // namespace

TEST_F(BotTalk, EighthMessageInOneSecondIsIgnoredOnceWithOneWallops) {
    h.adduser("alice", "AKAAA");
    for (int i = 1; i <= 7; ++i)
        ASSERT_EQ(atonce("AKAAA", "hi"),
                  Lines{notice("AKAAA", "Unknown command: hi. Type /msg NickServ HELP for a "
                                        "list of commands.")})
            << "message " << i;
    EXPECT_EQ(atonce("AKAAA", "hi"),
              (Lines{notice("AKAAA", kIgnored),
                     "AB WA :Temporary ignore for flood triggered on alice[user@host.example]"}));
    EXPECT_EQ(atonce("AKAAA", "hi"), Lines{});
    EXPECT_EQ(atonce("AKAAA", "hi", kOperServ), Lines{}); // the ignore covers every service

    // Ten messages pushed the flood clock 20 seconds ahead; it has to fall
    // behind the clock before the sender is heard again.
    h.form.clock.now += 20;
    EXPECT_EQ(atonce("AKAAA", "hi"), Lines{});
    h.form.clock.now += 3;
    EXPECT_EQ(atonce("AKAAA", "hi", kOperServ),
              Lines{notice("AKAAA", "Unknown command: hi.", kOperServ)});
}

// Neither a sender who keeps to one message every two seconds nor an IRC
// operator at any rate is ever ignored.
TEST_F(BotTalk, SlowSendersAndOperatorsAreNeverIgnored) {
    struct Case {
        const char* modes;
        int32_t pause; // seconds between two messages
        int messages;
    };
    const Case cases[] = {{"", 2, 30}, {"+o", 0, 20}};
    for (const Case& c : cases) {
        const std::string modes = c.modes;
        h.adduser("sender", "AKAAA", modes);
        for (int i = 0; i < c.messages; ++i) {
            ASSERT_EQ(atonce("AKAAA", "hi"),
                      Lines{notice("AKAAA", "Unknown command: hi. Type /msg NickServ HELP for a "
                                            "list of commands.")})
                << "modes \"" << modes << "\", message " << i;
            h.form.clock.now += c.pause;
        }
        h.feed("AKAAA Q :done");
    }
}

TEST_F(BotTalk, UnknownCommandRepliesNameTheServiceAndEchoTheWordAsTyped) {
    h.form.cfg.memonick = "Postman";
    h.adduser("alice", "AKAAA");
    struct Case {
        std::string target;
        std::string reply;
    } cases[] = {
        {kNickServ,
         notice("AKAAA", "Unknown command: fRob. Type /msg NickServ HELP for a list of commands.",
                kNickServ)},
        {kChanServ,
         notice("AKAAA", "Unknown command: fRob. Type /msg ChanServ HELP for a list of commands.",
                kChanServ)},
        {kMemoServ,
         notice("AKAAA", "Unknown command: fRob. Type /msg Postman HELP for a list of commands.",
                kMemoServ)},
        {kOperServ, notice("AKAAA", "Unknown command: fRob.", kOperServ)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(say("AKAAA", "  fRob  x", c.target), Lines{c.reply}) << c.target;
    }
}

TEST_F(BotTalk, RepliesUseTheConfiguredToken) {
    h.form.cfg.msgcommand = "P";
    h.adduser("alice", "AKAAA");
    EXPECT_EQ(say("AKAAA", "x", kOperServ), Lines{"ABAAD P AKAAA :Unknown command: x."});
}

TEST_F(BotTalk, PrivmsgPreferenceCountsOnlyOnceIdentified) {
    registered("alice", "AKAAA");
    // The reply to the change itself still goes out the old way.
    EXPECT_EQ(say("AKAAA", "set privmsg on"),
              Lines{notice("AKAAA", "Services now send messages as PRIVMSG")});
    EXPECT_EQ(say("AKAAA", "x", kChanServ),
              Lines{"ABAAA PRIVMSG AKAAA :Unknown command: x. Type /msg ChanServ HELP for a "
                    "list of commands."});

    // Same nick back on the network, not identified: default token again.
    h.feed("AKAAA Q :bye");
    h.adduser("alice", "AKAAB", "", "user", "host.example", 2000);
    EXPECT_EQ(say("AKAAB", "x", kOperServ),
              Lines{notice("AKAAB", "Unknown command: x.", kOperServ)});
}

TEST_F(BotTalk, FloodNoticeKeepsTheDefaultTokenForPrivmsgUsers) {
    registered("alice", "AKAAA");
    atonce("AKAAA", "set privmsg on");
    // REGISTER and SET were messages one and two.
    for (int i = 3; i <= 7; ++i)
        ASSERT_EQ(atonce("AKAAA", "x", kOperServ),
                  Lines{"ABAAD PRIVMSG AKAAA :Unknown command: x."});
    EXPECT_EQ(atonce("AKAAA", "x", kOperServ),
              (Lines{notice("AKAAA", kIgnored, kOperServ),
                     "AB WA :Temporary ignore for flood triggered on alice[user@host.example]"}));
}

TEST_F(BotTalk, MessagesFromUnknownSourcesAreDropped) {
    EXPECT_EQ(say("AKAAQ", "help"), Lines{});
    EXPECT_EQ(say("AK", "help"), Lines{});
}

TEST_F(BotTalk, WordsAsTypedReachTheCommand) {
    registered("alice", "AKAAA");
    EXPECT_EQ(say("AKAAA", "access  ADD   :*@Some.Host"),
              Lines{notice("AKAAA", "*@Some.Host mask has been added to your ACCESS list.")});
}

namespace {

class Scanner : public BotTest {
protected:
    void SetUp() override {
        h.form.cfg.scanner = true;
        h.form.cfg.scangduration = 3600;
        h.form.cfg.scanreasons[3] = {"1080", "Open SOCKS proxy"};
    }
    // Used G-line entries.
    std::vector<tessel::tgline> glines() {
        std::vector<tessel::tgline> out;
        for (const auto& g : h.form.oper.glines)
            if (g.used) out.push_back(g);
        return out;
    }
    Lines report(const std::string& text) {
        h.take();
        h.feed("AK O ABAAA :" + text);
        return h.take();
    }
};

} // namespace

TEST_F(Scanner, ReportGlinesTheHostWithTheReasonForThePort) {
    struct Case {
        std::string text;
        std::string mask;
        std::string reason;
    } cases[] = {
        {"SCANNER 10.0.0.5 23", "*@10.0.0.5", "Insecure port detected: 23"},
        {"scanner Proxy.Example 1080 open", "*@Proxy.Example", "Open SOCKS proxy"},
    };
    for (const auto& c : cases) {
        Lines sent = report(c.text);
        ASSERT_EQ(sent.size(), 1u) << c.text;
        const std::string head = "AB GL * +" + c.mask + " 3600 :Banned " + c.mask + " Until ";
        EXPECT_EQ(sent[0].substr(0, head.size()), head);
        const std::string tail =
            " GMT [" + std::to_string(h.form.clock.now + 3600) + "]: " + c.reason;
        ASSERT_GE(sent[0].size(), tail.size());
        EXPECT_EQ(sent[0].substr(sent[0].size() - tail.size()), tail);
    }
    auto g = glines();
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].mask, "*@10.0.0.5");
    EXPECT_EQ(g[0].setter, "-scanner-");
    EXPECT_EQ(g[0].expires, h.form.clock.now + 3600);
    EXPECT_EQ(g[0].reason, "Insecure port detected: 23");
    EXPECT_EQ(g[1].reason, "Open SOCKS proxy");
}

TEST_F(Scanner, MalformedOrUnwantedReportsChangeNothing) {
    const char* cases[] = {
        "SCANNER *.example.com 23", "SCANNER host?.example 23",
        "SCANNER user@host 23",     "SCANNER",
        "NOTSCANNER 10.0.0.5 23",   "hello there",
    };
    for (const char* text : cases)
        EXPECT_EQ(report(text), Lines{}) << text;
    h.form.cfg.scanner = false;
    EXPECT_EQ(report("SCANNER 10.0.0.5 23"), Lines{});
    EXPECT_TRUE(glines().empty());
}

// Reports come from servers only: a user's notice to the services with the
// same text, or a message to OperServ, bans nothing.
TEST_F(Scanner, UsersCannotReport) {
    h.adduser("alice", "AKAAA");
    struct Case {
        const char* line;
        Lines sent;
    } cases[] = {
        {"AKAAA O ABAAA :SCANNER 1.2.3.4 23", {}},
        {"AKAAA O ABAAD :SCANNER 1.2.3.4 23", {}},
        {"AKAAA O AB :SCANNER 1.2.3.4 23", {}},
        {"AKAAA O #ops :SCANNER 1.2.3.4 23", {}},
        {"AKAAA P ABAAD :SCANNER 1.2.3.4 23", {"ABAAD O AKAAA :Unknown command: SCANNER."}},
    };
    for (const auto& c : cases) {
        h.take();
        h.feed(c.line);
        EXPECT_EQ(h.take(), c.sent) << c.line;
    }
    EXPECT_TRUE(glines().empty());
}

TEST_F(Scanner, ExpiryOfAVeryLongBanSaturatesInsteadOfWrapping) {
    h.form.cfg.scangduration = 999999999;
    report("SCANNER 10.0.0.9 23");
    auto g = glines();
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].expires, 2147483647);
}
