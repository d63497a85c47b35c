#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "p10/numerics.h"
#include "support/harness.h"
#include "support/lines.h"
#include "support/netpicture.h"

namespace {

using Lines = std::vector<std::string>;
using tessel::kStatusOp;
using tessel::kStatusVoice;
using tesseltest::Harness;
using tesseltest::startingwith;

// Status bits of a user in a channel, or -1 when it is not a member.
int statusof(Harness& h, const std::string& chan, const std::string& numeric) {
    return tesseltest::memberstatusof(h.form, h.form.GETCHANNAME(chan), h.form.GETP10ID(numeric));
}

int membercount(Harness& h, const std::string& chan) {
    const int32_t c = h.form.GETCHANNAME(chan);
    return c < 0 ? -1 : h.form.channel(c).membercount;
}

TEST(Join, ARepeatedChannelRecordsASecondMembership) {
    Harness h;
    const int32_t u = h.adduser("alice", "AKAAA");
    h.feed("AKAAA J #a,#b,#a 1796870000");
    const int32_t a = h.form.GETCHANNAME("#a");
    const int32_t b = h.form.GETCHANNAME("#b");
    const auto& chans = h.form.user(u).channels;
    EXPECT_EQ(chans[0], a);
    EXPECT_EQ(chans[1], b);
    EXPECT_EQ(chans[2], a);
    EXPECT_EQ(membercount(h, "#a"), 2);
    EXPECT_EQ(membercount(h, "#b"), 1);
}

TEST(Join, ZeroPartsEveryChannel) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x7fff);
    const int32_t u = h.adduser("eve", "AKAAE");
    h.adduser("bob", "AKAAB");
    h.feed("AKAAE J #a,#b,#a");
    h.feed("AKAAB J #b");
    h.feed("AKAAE J 0");
    for (int32_t chan : h.form.user(u).channels)
        EXPECT_EQ(chan, -1);
    EXPECT_EQ(h.form.GETCHANNAME("#a"), -1);
    EXPECT_EQ(membercount(h, "#b"), 1);
    EXPECT_EQ(statusof(h, "#b", "AKAAB"), 0);
    EXPECT_EQ(startingwith(log.messages(), "Channel create: "),
              (Lines{"Channel create: #a eve", "Channel create: #b eve"}));
}

TEST(Join, CreatingAChannelMakesTheCreatorItsOperator) {
    Harness h;
    h.adduser("dave", "AKAAD");
    h.feed("AKAAD C #newroom 1796870025");
    const int32_t c = h.form.GETCHANNAME("#newroom");
    ASSERT_NE(c, -1);
    EXPECT_EQ(h.form.channel(c).chants, 1796870025);
    EXPECT_EQ(statusof(h, "#newroom", "AKAAD"), kStatusOp);
    EXPECT_TRUE(h.take().empty());
}

TEST(Join, AChannelWithAFullMemberArrayRecordsNoMembership) {
    Harness h;
    for (int i = 0; i < tessel::kChannelMembers; ++i) {
        const std::string numeric = "AK" + tessel::encodenumeric(static_cast<uint32_t>(i), 3);
        h.adduser("u" + std::to_string(i), numeric);
        h.feed(numeric + " J #big");
    }
    // The hub's 1,024 client numbers are taken: the latecomer is on a leaf.
    h.feed("AK S leaf.test 2 0 1 J10 ALAA] + :leaf");
    const int32_t late = h.adduser("late", "ALAAA");
    h.feed("ALAAA J #big,#small");
    const tessel::Tuser& usr = h.form.user(late);
    EXPECT_EQ(usr.channels[0], h.form.GETCHANNAME("#small"));
    EXPECT_EQ(usr.channels[1], -1);
    EXPECT_EQ(membercount(h, "#big"), tessel::kChannelMembers + 1);
    // The counter still balances when the user leaves again.
    h.feed("ALAAA L #big");
    EXPECT_EQ(membercount(h, "#big"), tessel::kChannelMembers);
}

// With no channel slot left, joins and bursts for new channels change nothing.
TEST(Join, AFullChannelTableRefusesNewChannels) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x4000);
    const int32_t u = h.adduser("alice", "AKAAA");
    auto& inuse = h.form.net.channels.inuse;
    std::fill(inuse.begin(), inuse.end(), 1);
    h.feed("AKAAA J #new");
    h.feed("AKAAA C #new2 5");
    h.feed("AK B #new3 5 AKAAA:o");
    std::fill(inuse.begin(), inuse.end(), 0);
    for (int32_t chan : h.form.user(u).channels)
        EXPECT_EQ(chan, -1);
    EXPECT_EQ(startingwith(log.messages(), "Invalid: channel table full").size(), 3u);
}

// Leaving a channel one is not in must not empty it under its members.
TEST(ChannelTraffic, DeparturesOfNonMembersLeaveTheChannelAlone) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x4000);
    const int32_t alice = h.adduser("alice", "AKAAA");
    h.adduser("bob", "AKAAB");
    h.feed("AKAAA J #a");
    h.feed("AKAAB L #a");
    h.feed("AKAAA K #a AKAAB :not here");
    EXPECT_EQ(membercount(h, "#a"), 1);
    EXPECT_EQ(statusof(h, "#a", "AKAAA"), 0);
    EXPECT_EQ(log.messages().size(), 2u);
    h.feed("AKAAA Q :bye");
    EXPECT_EQ(h.form.GETCHANNAME("#a"), -1);
    EXPECT_FALSE(h.form.net.users.valid(alice));
}

class RegisteredJoin : public testing::Test {
protected:
    RegisteredJoin() {
        reg = tesseltest::placechanreg(h.form, "#Reg", "founder");
        alice = h.adduser("alice", "AKAAA", "", "user", "alice.example");
        h.take();
    }
    tessel::Tchanserv& rec() { return h.form.chanreg(reg); }
    Harness h;
    int32_t reg = -1;
    int32_t alice = -1;
};

// When ChanServ stays out of channels (UMODE 2), the ban goes out from the
// server, and a kicked lone user leaves no channel behind.
TEST_F(RegisteredJoin, AnAkickedUserOnAnEmptyUnheldChannelLeavesNothing) {
    h.form.cfg.umode = 2;
    rec().lists[tessel::LIST_AKICK].set(0, "*!*@alice.example");
    h.feed("AKAAA J #reg");
    EXPECT_EQ(h.take(), (Lines{
                            "ABAAA O AKAAA :#reg is a registered channel. Access privileges apply.",
                            "AB M #reg +b *!*@alice.example",
                            "ABAAA K #reg AKAAA :You are banned from this channel",
                        }));
    EXPECT_EQ(h.form.GETCHANNAME("#reg"), -1);
    EXPECT_EQ(rec().chanindex, -1);
    EXPECT_EQ(h.form.user(alice).channels[0], -1);
}

TEST_F(RegisteredJoin, AnUnheldChannelIsConfiguredWhenCreated) {
    h.form.cfg.umode = 0;
    rec().mlockon = "nt";
    rec().mlockoff = "k";
    rec().topic = "kept topic";
    rec().welcome = "hello";
    rec().lists[tessel::LIST_AOP].set(0, "alice!*@*");
    h.feed("AKAAA J #reg");
    EXPECT_EQ(h.take(), (Lines{
                            "ABAAA M #Reg +nt-k",
                            "ABAAA T #reg :kept topic",
                            "ABAAA O AKAAA :(#Reg) hello",
                            "ABAAA M #reg +o AKAAA",
                        }));
    EXPECT_EQ(statusof(h, "#reg", "AKAAA"), kStatusOp);
}

TEST_F(RegisteredJoin, AHeldChannelTakesTheRegisteredTimestampAndVoicesAVop) {
    rec().TS = 1234;
    rec().lists[tessel::LIST_VOP].set(0, "*!*@alice.example");
    h.feed("AKAAA J #reg");
    EXPECT_EQ(h.take(), Lines{"ABAAA M #reg +v AKAAA"});
    EXPECT_EQ(h.form.channel(h.form.GETCHANNAME("#reg")).chants, 1234);
    EXPECT_EQ(statusof(h, "#reg", "AKAAA"), kStatusVoice);
}

TEST_F(RegisteredJoin, AnOperatorOnlyChannelKicksOrdinaryUsers) {
    rec().operonly = true;
    h.adduser("oper", "AKAAO", "+o");
    h.feed("AKAAA J #reg");
    h.feed("AKAAO J #reg");
    EXPECT_EQ(h.take(),
              Lines{"ABAAA K #reg AKAAA :Only IRC Operators are allowed in this channel."});
    EXPECT_EQ(statusof(h, "#reg", "AKAAA"), -1);
    EXPECT_EQ(statusof(h, "#reg", "AKAAO"), 0);
    EXPECT_EQ(membercount(h, "#reg"), 1);
}

TEST_F(RegisteredJoin, TheFounderIsSeenPresent) {
    const int32_t f = h.adduser("Founder", "AKAAF");
    h.form.user(f).identified = true;
    h.form.clock.now = 1796870500;
    h.feed("AKAAF J #reg");
    EXPECT_TRUE(rec().ownerpresent);
    EXPECT_EQ(rec().lastdate, 1796870500);
    EXPECT_EQ(h.take(), Lines{"ABAAA M #reg +o AKAAF"});
}

TEST(Burst, MemberStatusCarriesOverToTheFollowingMembers) {
    Harness h;
    for (const char* n : {"AKAAB", "AKAAC", "AKAAD"})
        h.adduser(std::string("u") + n, n);
    h.feed("AK B #c 1796870000 AKAAB:o,AKAAC,AKAAD:v");
    EXPECT_EQ(statusof(h, "#c", "AKAAB"), kStatusOp);
    EXPECT_EQ(statusof(h, "#c", "AKAAC"), kStatusOp);
    EXPECT_EQ(statusof(h, "#c", "AKAAD"), kStatusVoice);
    EXPECT_EQ(membercount(h, "#c"), 3);
    EXPECT_EQ(h.form.channel(h.form.GETCHANNAME("#c")).chants, 1796870000);
    EXPECT_TRUE(h.take().empty());
}

struct TimestampCase {
    const char* name;
    const char* burst;
    int32_t chants;
    bool applied; // the burst's modes and ops took effect
};

TEST(Burst, ANewerTimestampKeepsTheChannelButStillJoinsTheMembers) {
    const TimestampCase cases[] = {
        {"newer", "AK B #c 200 +lk 10 abc AKAAB:o", 100, false},
        {"older", "AK B #c 50 +lk 10 abc AKAAB:o", 50, true},
        {"same", "AK B #c 100 +lk 10 abc AKAAB:o", 100, true},
        {"garbled", "AK B #c 1x +lk 10 abc AKAAB:o", 100, false},
    };
    for (const auto& c : cases) {
        Harness h;
        h.adduser("alice", "AKAAA");
        h.adduser("bob", "AKAAB");
        h.feed("AKAAA J #c");
        const int32_t chan = h.form.GETCHANNAME("#c");
        h.form.channel(chan).chants = 100;
        h.feed(c.burst);
        const tessel::Tchannel& ch = h.form.channel(chan);
        EXPECT_EQ(ch.chants, c.chants) << c.name;
        EXPECT_EQ(ch.limit, c.applied ? 10 : 0) << c.name;
        EXPECT_EQ(ch.key, c.applied ? "abc" : "") << c.name;
        EXPECT_EQ(statusof(h, "#c", "AKAAB"), c.applied ? kStatusOp : 0) << c.name;
        EXPECT_EQ(ch.membercount, 2) << c.name;
    }
}

TEST(Burst, AHeldChannelKeepsItsOlderRegisteredTimestamp) {
    Harness h;
    const int32_t reg = tesseltest::placechanreg(h.form, "#held", "");
    h.form.chanreg(reg).TS = 500;
    h.adduser("bob", "AKAAB");
    h.feed("AK B #held 900 +m AKAAB:o");
    const tessel::Tchannel& ch = h.form.channel(h.form.GETCHANNAME("#held"));
    EXPECT_EQ(ch.chants, 500);
    EXPECT_FALSE(ch.cmode_m);
    EXPECT_EQ(statusof(h, "#held", "AKAAB"), 0);

    // An older burst lowers the registered timestamp instead.
    const int32_t reg2 = tesseltest::placechanreg(h.form, "#older", "");
    h.form.chanreg(reg2).TS = 500;
    h.feed("AK B #older 300 +m AKAAB:o");
    EXPECT_EQ(h.form.chanreg(reg2).TS, 300);
    EXPECT_TRUE(h.form.channel(h.form.GETCHANNAME("#older")).cmode_m);
}

// Banning an AKICK-listed member flushes at once; the members after it are
// still checked against the channel's rights.
TEST(Burst, EnforcementOutlastsAnAkickInTheSameBurst) {
    Harness h;
    const int32_t reg = tesseltest::placechanreg(h.form, "#s", "");
    h.form.chanreg(reg).strictop = true;
    h.form.chanreg(reg).lists[tessel::LIST_AKICK].set(0, "*!*@bad.example");
    h.adduser("mallory", "AKAAA", "", "m", "bad.example");
    h.adduser("bob", "AKAAB");
    h.take();
    h.feed("AK B #s 1 AKAAA,AKAAB:o");
    EXPECT_EQ(h.take(),
              (Lines{"ABAAA M #s +b *!*@bad.example",
                     "ABAAA K #s AKAAA :You are banned from this channel", "ABAAA M #s -o AKAAB"}));
    EXPECT_EQ(statusof(h, "#s", "AKAAA"), -1);
    EXPECT_EQ(statusof(h, "#s", "AKAAB"), 0);
}

TEST(Burst, BanListsAreAppliedInGroupsOfSix) {
    Harness h;
    std::string bans;
    std::vector<std::string> masks;
    for (int i = 0; i < 13; ++i) {
        masks.push_back("*!*@b" + std::to_string(i) + ".example");
        bans += (i ? " " : "") + masks.back();
    }
    h.feed("AK B #c 1796870000 +m :%" + bans);
    const tessel::Tchannel& ch = h.form.channel(h.form.GETCHANNAME("#c"));
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(ch.bans[i], masks[i]);
    EXPECT_EQ(ch.bans[13], "");
    EXPECT_TRUE(ch.cmode_m);
}

TEST(Burst, MoreBansThanSlotsFillTheTableAndStop) {
    Harness h;
    std::string bans;
    for (int i = 0; i < 125; ++i)
        bans += (i ? " " : "") + std::to_string(i);
    h.feed("AK B #c 1 :%" + bans);
    const tessel::Tchannel& ch = h.form.channel(h.form.GETCHANNAME("#c"));
    EXPECT_EQ(ch.bans[119], "119");
    EXPECT_EQ(ch.bans.stored(), 120u);
}

// The hub's own burst, as captured: op levels, +A/+U passwords, combined
// status flags and newest-first ban lists.
TEST(Burst, TheRealHubsBurstBuildsThePicture) {
    Harness h;
    const char* lines[] = {
        "AK N alice 1 1796869971 ~alice 127.0.0.1 +owg B]AAAB AKAAA :Alice Oper",
        "AK N [b0b]{x}|^ 1 1796869971 ~bob 127.0.0.1 B]AAAB AKAAB :Bob Special",
        "AK N carol 1 1796869972 ~carol 127.0.0.1 +i B]AAAB AKAAC :Carol",
        "AK N dave 1 1796869972 ~dave 127.0.0.1 B]AAAB AKAAD :Dave",
        "AK N eve 1 1796869972 ~eve 0::1 +x AAAAAA AKAAE :Eve over IPv6",
        "AK B #bans 1796870004 +m AKAAA:o :%*!*@*.three.example *!*@10.0.0.* *!baduser@* "
        "nick3!*@* *!*@two.example *!*@one.example",
        "AK B #apass 1796869997 +AU adminpass userpass AKAAD:0",
        "AK B #secret 1796869994 +pmi AKAAC:o",
        "AK B #limited 1796869990 +l 10 AKAAC:v,AKAAB:o",
        "AK B #test 1796869979 +tnk sekrit AKAAE,AKAAD,AKAAB:v,AKAAA:o,AKAAC:vo "
        ":%*!*@evil.example *!*@bad.example",
        "AK B #OperServ 1796866409",
        "AK EB ",
    };
    for (const char* line : lines)
        h.feed(line);
    EXPECT_EQ(h.take(), Lines{"AB EA"});

    EXPECT_EQ(statusof(h, "#apass", "AKAAD"), kStatusOp);
    EXPECT_EQ(membercount(h, "#apass"), 1);
    const tessel::Tchannel& test = h.form.channel(h.form.GETCHANNAME("#test"));
    EXPECT_TRUE(test.cmode_t && test.cmode_n);
    EXPECT_EQ(test.key, "sekrit");
    EXPECT_EQ(test.bans[0], "*!*@evil.example");
    EXPECT_EQ(test.bans[1], "*!*@bad.example");
    EXPECT_EQ(statusof(h, "#test", "AKAAE"), 0);
    EXPECT_EQ(statusof(h, "#test", "AKAAD"), 0);
    EXPECT_EQ(statusof(h, "#test", "AKAAB"), kStatusVoice);
    EXPECT_EQ(statusof(h, "#test", "AKAAA"), kStatusOp);
    EXPECT_EQ(statusof(h, "#test", "AKAAC"), kStatusOp | kStatusVoice);
    EXPECT_EQ(h.form.channel(h.form.GETCHANNAME("#limited")).limit, 10);
    const tessel::Tchannel& secret = h.form.channel(h.form.GETCHANNAME("#secret"));
    EXPECT_TRUE(secret.cmode_p && secret.cmode_m && secret.cmode_i);
    EXPECT_EQ(h.form.channel(h.form.GETCHANNAME("#bans")).bans[5], "*!*@one.example");
    EXPECT_EQ(membercount(h, "#OperServ"), 0);
}

TEST(ChannelTraffic, PartKickTopicAndClearModes) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x7fff);
    h.adduser("alice", "AKAAA");
    h.adduser("bob", "AKAAB");
    h.feed("AK B #c 1 +ntlk 5 key AKAAA:ov,AKAAB :%*!*@x.example");

    h.feed("AKAAA T #c 1 1796870033 :A new topic");
    EXPECT_EQ(h.form.channel(h.form.GETCHANNAME("#c")).topic, "A new topic");

    h.feed("AK CM #c ov");
    EXPECT_EQ(statusof(h, "#c", "AKAAA"), 0);
    const tessel::Tchannel& c = h.form.channel(h.form.GETCHANNAME("#c"));
    EXPECT_TRUE(c.cmode_n);
    h.feed("AK CM #c");
    EXPECT_FALSE(c.cmode_n || c.cmode_t);
    EXPECT_EQ(c.limit, 0);
    EXPECT_EQ(c.key, "");
    EXPECT_EQ(c.bans[0], "");

    h.feed("AKAAA K #c AKAAB :kicked by alice");
    EXPECT_EQ(statusof(h, "#c", "AKAAB"), -1);
    EXPECT_EQ(startingwith(log.messages(), "Kick: "), Lines{"Kick: #c bob"});
    h.feed("AKAAA L #c :bye now");
    EXPECT_EQ(h.form.GETCHANNAME("#c"), -1);
}

TEST(ChannelTraffic, OnlyAopsAndServersChangeTheKeptTopic) {
    struct Case {
        const char* line;
        const char* kept;
    };
    const Case cases[] = {
        {"AKAAA T #reg 1 2 :by an aop", "by an aop"},
        {"AKAAB T #reg 1 2 :by a vop", "old"},
        {"AK T #reg :by a server", "by a server"},
    };
    for (const auto& c : cases) {
        Harness h;
        const int32_t reg = tesseltest::placechanreg(h.form, "#reg", "");
        h.form.chanreg(reg).topic = "old";
        h.form.chanreg(reg).lists[tessel::LIST_AOP].set(0, "alice!*@*");
        h.form.chanreg(reg).lists[tessel::LIST_VOP].set(0, "bob!*@*");
        h.adduser("alice", "AKAAA");
        h.adduser("bob", "AKAAB");
        h.feed(c.line);
        EXPECT_EQ(h.form.chanreg(reg).topic, c.kept) << c.line;
    }
}

} // namespace
