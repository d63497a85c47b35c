#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/harness.h"
#include "support/lines.h"
#include "support/netpicture.h"

namespace {

using Lines = std::vector<std::string>;
using tesseltest::Harness;
using tesseltest::startingwith;

// A ping whose whole line is exactly `length` bytes long.
std::string pingline(size_t length) {
    const std::string head = "AK G :";
    return head + std::string(length - head.size(), 'x');
}

TEST(Dispatch, LineOf510BytesIsProcessedAnd511IsRefused) {
    Harness h;
    const std::string ok = pingline(510);
    h.feed(ok);
    EXPECT_EQ(h.take(), Lines{"AB Z services.test :" + ok.substr(6)});

    const std::string toolong = pingline(511);
    h.feed(toolong);
    EXPECT_EQ(h.take(), Lines{"AB WA :received too long message, length 511 [" +
                              toolong.substr(0, 50) + "]"});
}

TEST(Dispatch, PingIsAnsweredWithItsLastWord) {
    Harness h;
    h.feed("AK G :AB");
    h.feed("AK G !1796870091.135105 services.test 1796870091.135105");
    h.feed("ak g :lower");
    EXPECT_EQ(h.take(), (Lines{"AB Z services.test :AB", "AB Z services.test :1796870091.135105",
                               "AB Z services.test :lower"}));
}

struct EndOfBurstCase {
    const char* line;
    bool acknowledged;
};

TEST(Dispatch, EndOfBurstIsAcknowledgedOnlyForTheHubsExactNumeric) {
    const EndOfBurstCase cases[] = {
        {"AK EB ", true}, // the hub writes a trailing blank
        {"AK eb", true},  // the token matches in any case ...
        {"Ak EB", false}, // ... the numeric does not
        {"AL EB", false}, // another server's end of burst
        {"AKAAA EB", false},
    };
    for (const auto& c : cases) {
        Harness h;
        h.feed(c.line);
        EXPECT_EQ(h.take(), c.acknowledged ? Lines{"AB EA"} : Lines{}) << c.line;
    }
}

struct TalkCall {
    int bot;
    int32_t user;
    bool addressed;
    std::string text;
    bool operator==(const TalkCall&) const = default;
};

void PrintTo(const TalkCall& c, std::ostream* os) {
    *os << "{bot " << c.bot << ", user " << c.user << (c.addressed ? ", addressed, " : ", ")
        << testing::PrintToString(c.text) << "}";
}

class BotRouting : public testing::Test {
protected:
    BotRouting() {
        alice = h.adduser("alice", "AKAAA");
        h.take();
        h.form.bottalkobserver = [this](int bot, int32_t user, bool addressed,
                                        const std::string& text) {
            calls.push_back({bot, user, addressed, text});
        };
    }
    Harness h;
    int32_t alice = -1;
    std::vector<TalkCall> calls;
};

TEST_F(BotRouting, PrivateMessagesReachTheAddressedService) {
    struct Case {
        const char* line;
        int bot; // -1: no service is addressed
        bool addressed;
    };
    const Case cases[] = {
        {"AKAAA P ABAAB :help me", 0, false},
        {"AKAAA P NickServ@services.test :help me", 0, true},
        {"AKAAA P nickserv@SERVICES.TEST :help me", 0, true},
        {"AKAAA P ABAAA :help me", 1, false},
        {"AKAAA P CHANSERV@Services.Test :help me", 1, true},
        {"AKAAA P ABAAC :help me", 2, false},
        {"AKAAA P OperServ@services.test :help me", 3, true},
        {"AKAAA P ABAAD :help me", 3, false},
        {"AKAAA P ABAAE :help me", -1, false},
        {"AKAAA P NickServ@other.test :help me", -1, false},
        {"AKAAA P #channel :help me", -1, false},
        {"AKAAZ P ABAAB :help me", -1, false}, // nobody the services know
    };
    for (const auto& c : cases) {
        calls.clear();
        h.feed(c.line);
        if (c.bot < 0) {
            EXPECT_TRUE(calls.empty()) << c.line;
        } else {
            EXPECT_EQ(calls, (std::vector<TalkCall>{{c.bot, alice, c.addressed, "help me"}}))
                << c.line;
        }
    }
}

TEST_F(BotRouting, ServerNoticesFeedTheScannerAndUserNoticesAreIgnored) {
    h.feed("AK O ABAAB :SCANNER 1.2.3.4 open proxy");
    h.feed("AKAAA O ABAAA :hello there");
    EXPECT_EQ(calls, (std::vector<TalkCall>{{100, 0, false, "SCANNER 1.2.3.4 open proxy"}}));
}

TEST_F(BotRouting, AnErrorInAHandlerIsReportedAndTheLineAbandoned) {
    h.form.bottalkobserver = [](int, int32_t, bool, const std::string&) {
        throw std::runtime_error("boom");
    };
    testing::internal::CaptureStdout();
    h.feed("AKAAA P ABAAB :help");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "exception in parsecommand: boom\n");
    EXPECT_EQ(h.takeexceptions(), Lines{"boom"});
    // The dispatcher goes on with the next line.
    h.feed("AK G :AB");
    EXPECT_EQ(h.take(), Lines{"AB Z services.test :AB"});
}

TEST(Dispatch, WordsSplitAtBlanksUntilAColonAndTargetsAtCommas) {
    Harness h;
    const int32_t u = h.adduser("alice", "AKAAA");
    std::vector<std::string> texts;
    h.form.bottalkobserver = [&](int, int32_t, bool, const std::string& text) {
        texts.push_back(text);
    };
    h.feed("AKAAA   P   ABAAB   :  two  blanks: kept ");
    h.feed("AKAAA P ABAAB");        // no text: the target is the last word
    h.feed("AKAAA P ABAAB :");      // empty text
    h.feed("AKAAA P ABAAB single"); // a last word without colon
    EXPECT_EQ(texts, (std::vector<std::string>{"  two  blanks: kept ", "ABAAB", "", "single"}));

    h.feed("AKAAA J #a,,#b, 1796870000");
    const auto& chans = h.form.user(u).channels;
    EXPECT_EQ(h.form.channel(chans[0]).name, "#a");
    EXPECT_EQ(h.form.channel(chans[1]).name, "#b");
    EXPECT_EQ(chans[2], -1);
}

TEST(Dispatch, NickPrefixedLinesResolveTheSourceByNick) {
    Harness h;
    const int32_t u = h.adduser("alice", "AKAAA");
    h.feed(":ALICE Q :bye");
    EXPECT_FALSE(h.form.net.users.valid(u));
}

TEST(Dispatch, AtMostTwentyTargetsAreTaken) {
    Harness h;
    const int32_t u = h.adduser("alice", "AKAAA");
    std::string list;
    for (int i = 0; i < 25; ++i)
        list += (i ? ",#c" : "#c") + std::to_string(i);
    h.feed("AKAAA J " + list);
    EXPECT_NE(h.form.GETCHANNAME("#c19"), -1);
    EXPECT_EQ(h.form.GETCHANNAME("#c20"), -1);
    for (int32_t chan : h.form.user(u).channels)
        EXPECT_NE(chan, -1);
}

TEST(Dispatch, QuitAndKillRemoveTheUser) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x7fff);
    const int32_t a = h.adduser("alice", "AKAAA", "", "~alice", "a.example");
    const int32_t b = h.adduser("bob", "AKAAB");
    h.feed("AKAAA Q :Quit: bye");
    h.feed("AKAAA D AKAAB :hub.test!alice (go away)");
    h.feed("AK D ABAAB :hub.test (overruled by older nick)"); // a service: not a user
    EXPECT_FALSE(h.form.net.users.valid(a));
    EXPECT_FALSE(h.form.net.users.valid(b));
    EXPECT_EQ(startingwith(log.messages(), "Client quit: "),
              Lines{"Client quit: alice (~alice@a.example)"});
    EXPECT_EQ(startingwith(log.messages(), "Kill: "),
              Lines{"Kill: AKAAB (hub.test!alice (go away))"});
    EXPECT_TRUE(h.take().empty());
}

TEST(Dispatch, ErrorAndWallopsAreLogged) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x7fff);
    h.feed("AKAAA WA :wallops from alice");
    h.form.link.linkstate = 1; // the hub says ERROR while the link is being set up
    h.feed("ERROR :Closing Link: services.test");
    h.form.link.linkstate = 2;
    h.feed("AK Y :Ghost");
    EXPECT_EQ(log.messages(),
              (Lines{"Wallops: wallops from alice", "received ERROR: Closing Link: services.test",
                     "received ERROR: Ghost"}));
}

// Lines that are cut short, garbled or name things nobody knows change
// nothing and crash nothing.
TEST(Dispatch, MalformedLinesLeaveThePictureAlone) {
    Harness h;
    const int32_t u = h.adduser("alice", "AKAAA");
    h.feed("AKAAA J #keep");
    h.take();
    const char* lines[] = {
        "",
        "AK",
        "AK ",
        ":",
        ": P",
        "AKAAA :",
        "AK B",
        "AK B #x",
        "AK B #keep notanumber +lk",
        "AK B #keep 1 +l",
        "AK J #nobody",
        "AKAAZ J #ghost",
        "AKAAZ C #ghost 5",
        "AKAAZ L #keep",
        "AK M",
        "AK M #nowhere +o AKAAA",
        "AK M #keep +o",
        "AK M #keep +v ]]]]]",
        "AK M nobody :+o",
        "AK OM #keep",
        "AK K #keep",
        "AK K #nowhere AKAAA",
        "AK T",
        "AK CM",
        "AK CM #nowhere",
        "AK SQ",
        "AK SQ unknown.test",
        "AK D",
        "AK D ]]",
        "AK Q",
        "AK S",
        "AK S x 2 0 0 J10 !! +s :bad numeric",
        "AK N",
        "AKAAZ N someone 12",
        "AK N bob 1 notanumber u h B]AAAB AZAAA :on an unknown server",
        "AK N bob 1 1 u h B]AAAB !!!!! :garbled numeric",
        "AK EB",
        "AK P",
        "AK O",
        "AK V",
        "AK UNKNOWNTOKEN a b c",
        "AK SVSNICK AKAAA newnick",
        "AKAAA N",                              // a nick change without a nick
        "AK S dup.test 2 0 1 J10 AKAA] + :dup", // the hub's numeric again
    };
    for (const char* line : lines)
        h.feed(line);
    EXPECT_EQ(h.form.GETNICK("alice"), u);
    EXPECT_EQ(h.form.GETNICK("bob"), -1);
    const int32_t keep = h.form.GETCHANNAME("#keep");
    ASSERT_NE(keep, -1);
    EXPECT_EQ(h.form.channel(keep).membercount, 1);
    EXPECT_EQ(h.form.channel(keep).members[h.form.user(u).memberslots[0]], u);
    EXPECT_EQ(h.form.GETCHANNAME("#ghost"), -1);
    EXPECT_EQ(h.form.GETCHANNAME("#nobody"), -1);
    EXPECT_TRUE(h.form.net.servers[1].inuse);
    EXPECT_FALSE(h.form.net.servers[2].inuse);
}

TEST(Dispatch, AtMostOneHundredWordsAreTaken) {
    Harness h;
    h.adduser("alice", "AKAAA");
    std::vector<std::string> texts;
    h.form.bottalkobserver = [&](int, int32_t, bool, const std::string& text) {
        texts.push_back(text);
    };
    std::string line = "AKAAA P ABAAB";
    for (int i = 3; i <= 120; ++i)
        line += " w" + std::to_string(i);
    h.feed(line);
    EXPECT_EQ(texts, std::vector<std::string>{"w100"});
}

} // namespace
