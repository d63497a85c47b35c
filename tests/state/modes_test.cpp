#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/harness.h"
#include "support/netpicture.h"

namespace {

using Lines = std::vector<std::string>;
using tessel::kStatusOp;
using tessel::kStatusVoice;
using tesseltest::Harness;
using tesseltest::memberstatusof;

// #c with alice (AKAAA) as its only member, nothing queued or sent yet.
class ModeQueue : public testing::Test {
protected:
    ModeQueue() {
        alice = h.adduser("alice", "AKAAA");
        h.feed("AKAAA J #c");
        chan = h.form.GETCHANNAME("#c");
        h.take();
    }
    Harness h;
    int32_t alice = -1;
    int32_t chan = -1;
};

// A letter without parameter still adds its blank to the parameter list.
TEST_F(ModeQueue, QueuedChangesGoOutAsOneChanServLine) {
    h.form.SETCHANMODE(chan, true, 'm', "");
    h.form.SETCHANMODE(chan, true, 'o', "AKAAA");
    EXPECT_EQ(h.flushed(), Lines{"ABAAA M #c +mo  AKAAA"});
    // The picture follows the services' own change.
    EXPECT_TRUE(h.form.channel(chan).cmode_m);
    EXPECT_EQ(memberstatusof(h.form, chan, alice), kStatusOp);
    EXPECT_TRUE(h.form.modes.pendingchannels.empty());
}

TEST_F(ModeQueue, TheSixthLetterFlushesAndTheSeventhStartsANewLine) {
    for (char letter : std::string("mntsi"))
        h.form.SETCHANMODE(chan, true, letter, "");
    h.form.SENDFLUSH();
    EXPECT_TRUE(h.take().empty());
    h.form.SETCHANMODE(chan, false, 'o', "AKAAA");
    h.form.SENDFLUSH();
    EXPECT_EQ(h.take(), Lines{"ABAAA M #c +mntsi-o      AKAAA"});
    h.form.SETCHANMODE(chan, true, 'l', "25");
    EXPECT_EQ(h.flushed(), Lines{"ABAAA M #c +l 25"});
    EXPECT_EQ(h.form.channel(chan).limit, 25);
}

TEST_F(ModeQueue, TheServerSendsWhenUmodeIsTwo) {
    h.form.cfg.umode = 2;
    h.form.SETCHANMODE(chan, false, 't', "");
    EXPECT_EQ(h.flushed(), Lines{"AB M #c -t "});
}

// However many changes are queued, the list of pending channels stays
// bounded and nothing queued is lost.
TEST_F(ModeQueue, ThePendingListStaysBounded) {
    size_t longest = 0;
    for (int i = 0; i < 3000; ++i) {
        h.form.SETCHANMODE(chan, i % 2 == 0, 'v', "AKAAA");
        longest = std::max(longest, h.form.modes.pendingchannels.size());
    }
    h.form.FLUSHALLCHANMODE();
    h.form.SENDFLUSH();
    EXPECT_LE(longest, 501u);
    size_t letters = 0;
    for (const std::string& line : h.take()) {
        const std::string modes = line.substr(11, line.find(' ', 11) - 11); // after "ABAAA M #c "
        letters += std::count(modes.begin(), modes.end(), 'v');
    }
    EXPECT_EQ(letters, 3000u);
    EXPECT_EQ(memberstatusof(h.form, chan, alice), 0); // the last change removed the voice
}

TEST_F(ModeQueue, ChangesForChannelsNotInUseAreDropped) {
    h.form.SETCHANMODE(-1, true, 'm', "");
    h.form.SETCHANMODE(9999, true, 'm', "");
    h.form.FLUSHCHANMODE(9999);
    EXPECT_TRUE(h.flushed().empty());
}

// A registered channel #c with alice (AKAAA) on its AOP list and bob
// (AKAAB), carol (AKAAC) and dave (AKAAD) without rights, all members.
class Enforcement : public testing::Test {
protected:
    Enforcement() {
        reg = tesseltest::placechanreg(h.form, "#c", "nobody");
        rec().lists[tessel::LIST_AOP].set(0, "alice!*@*");
        alice = h.adduser("alice", "AKAAA");
        bob = h.adduser("bob", "AKAAB");
        carol = h.adduser("carol", "AKAAC");
        dave = h.adduser("dave", "AKAAD");
        for (const char* n : {"AKAAA", "AKAAB", "AKAAC", "AKAAD"})
            h.feed(std::string(n) + " J #c");
        chan = h.form.GETCHANNAME("#c");
        h.take();
    }
    tessel::Tchanserv& rec() { return h.form.chanreg(reg); }
    const tessel::Tchannel& ch() { return h.form.channel(chan); }
    Harness h;
    int32_t reg = -1, chan = -1;
    int32_t alice = -1, bob = -1, carol = -1, dave = -1;
};

TEST_F(Enforcement, TheLockIsRestoredAndTheFlagsFollowTheEcho) {
    rec().mlockon = "nt";
    rec().mlockoff = "s";
    h.feed("AKAAA M #c +t 1");
    ASSERT_TRUE(ch().cmode_t);
    h.take();
    h.feed("AKAAA M #c -t+s 1796869979");
    EXPECT_EQ(h.take(), Lines{"ABAAA M #c +t-s  "});
    EXPECT_TRUE(ch().cmode_t);
    EXPECT_FALSE(ch().cmode_s);
}

TEST_F(Enforcement, LockedKeyAndLimitAreRestored) {
    rec().mlockon = "l";
    rec().mlockoff = "k";
    h.feed("AK OM #c +l 7"); // unchecked: applied as it is
    ASSERT_EQ(ch().limit, 7);
    h.take();
    h.feed("AKAAA M #c +k-l secret");
    EXPECT_EQ(h.take(), Lines{"ABAAA M #c +l-k 7 secret"});
    EXPECT_EQ(ch().limit, 7);
    EXPECT_EQ(ch().key, "");
}

TEST_F(Enforcement, StrictOpDeopsEveryOpWithoutRights) {
    rec().strictop = true;
    h.feed("AK OM #c +ooo AKAAA AKAAB AKAAC"); // alice has rights, bob and carol not
    h.take();
    h.feed("AKAAA M #c +o AKAAD 1796869979");
    EXPECT_EQ(h.take(), Lines{"ABAAA M #c -ooo AKAAD AKAAB AKAAC"});
    EXPECT_EQ(memberstatusof(h.form, chan, alice), kStatusOp);
    for (int32_t u : {bob, carol, dave})
        EXPECT_EQ(memberstatusof(h.form, chan, u), 0);
}

struct OpCase {
    const char* name;
    bool strictop;
    int32_t umode;
    const char* line;
    const char* target;
    bool accepted;
};

TEST_F(Enforcement, WhoMayOpWhom) {
    const OpCase cases[] = {
        {"aop opped by a user", true, 1, "AKAAB M #c +o AKAAA", "AKAAA", true},
        {"no rights, by another user", false, 1, "AKAAA M #c +o AKAAB", "AKAAB", true},
        {"no rights, strictop", true, 1, "AKAAA M #c +o AKAAB", "AKAAB", false},
        {"no rights, by itself", false, 1, "AKAAB M #c +o AKAAB", "AKAAB", false},
        {"no rights, by a server, ChanServ in channels", false, 1, "AK M #c +o AKAAB", "AKAAB",
         true},
        {"no rights, by a server, ChanServ outside", false, 2, "AK M #c +o AKAAB", "AKAAB", false},
        {"no rights, unchecked", true, 1, "AK OM #c +o AKAAB", "AKAAB", true},
    };
    for (const auto& c : cases) {
        rec().strictop = c.strictop;
        h.form.cfg.umode = c.umode;
        h.feed("AK OM #c -oo AKAAA AKAAB");
        h.take();
        h.feed(c.line);
        const int32_t target = h.form.GETP10ID(c.target);
        EXPECT_EQ(memberstatusof(h.form, chan, target), c.accepted ? kStatusOp : 0) << c.name;
        // A refusal is answered with a de-op of the target.
        const std::string source = c.umode == 2 ? "AB" : "ABAAA";
        EXPECT_EQ(h.take(), c.accepted ? Lines{} : Lines{source + " M #c -o " + c.target})
            << c.name;
    }
}

TEST_F(Enforcement, ANetworkServiceIsNeverRefused) {
    rec().strictop = true;
    h.feed("AK N svc 1 1 s services.example +k B]AAAB AKAAS :a service");
    h.feed("AKAAS J #c");
    h.take();
    h.feed("AKAAA M #c +o AKAAS");
    EXPECT_EQ(memberstatusof(h.form, chan, h.form.GETNICK("svc")), kStatusOp);
    EXPECT_TRUE(h.take().empty());
}

TEST_F(Enforcement, AnUnknownOrAbsentTargetStopsTheWholeLine) {
    const char* lines[] = {
        "AKAAA M #c +otm AKAZZ", // nobody has that numeric
        "AKAAA M #c +vtm ]]AAA", // no such server
        "AKAAA M #c +otm ABAAB", // a service client is no member
    };
    for (const char* line : lines) {
        h.feed(line);
        EXPECT_FALSE(ch().cmode_t || ch().cmode_m) << line;
    }
    h.adduser("erin", "AKAAE");
    h.feed("AKAAA M #c +otm AKAAE"); // known, but not in #c
    EXPECT_FALSE(ch().cmode_t || ch().cmode_m);
    h.feed("AKAAA M #c +vtm AKAAB");
    EXPECT_TRUE(ch().cmode_t && ch().cmode_m);
    EXPECT_EQ(memberstatusof(h.form, chan, bob), kStatusVoice);
}

TEST_F(Enforcement, BansAreStoredOnceInAnyCase) {
    h.feed("AKAAA M #c +bb *!*@Evil.example *!*@EVIL.EXAMPLE");
    h.feed("AKAAA M #c +b *!*@other.example");
    EXPECT_EQ(ch().bans[0], "*!*@Evil.example");
    EXPECT_EQ(ch().bans[1], "*!*@other.example");
    h.feed("AKAAA M #c -b+ov *!*@evil.EXAMPLE AKAAD AKAAD 1796869979");
    EXPECT_EQ(ch().bans[0], "");
    EXPECT_EQ(memberstatusof(h.form, chan, dave), kStatusOp | kStatusVoice);
    h.feed("AKAAA M #c +b *!*@third.example");
    EXPECT_EQ(ch().bans[0], "*!*@third.example");
}

struct UserModeCase {
    const char* text;
    bool tessel::Tuser::*flag;
    bool expected;
};

TEST(UserModes, LettersSetAndClearTheirFlags) {
    const UserModeCase cases[] = {
        {"+x", &tessel::Tuser::umode_x, true},    {"+wg", &tessel::Tuser::umode_g, true},
        {"+d-d", &tessel::Tuser::umode_d, false}, {"+r", &tessel::Tuser::umode_r, true},
        {"+k", &tessel::Tuser::umode_k, true},    {"-i", &tessel::Tuser::umode_i, false},
        {"+o", &tessel::Tuser::umode_o, true},    {"-o", &tessel::Tuser::servicesop, false},
        {"-o", &tessel::Tuser::umode_o, false},
    };
    for (const auto& c : cases) {
        Harness h;
        const int32_t u = h.adduser("carol", "AKAAC", "+io");
        h.form.user(u).servicesop = true;
        h.feed(std::string("AKAAC M carol :") + c.text);
        EXPECT_EQ(h.form.user(u).*c.flag, c.expected) << c.text;
    }
}

TEST(UserModes, GainingOperatorChecksServicesOperatorStatus) {
    Harness h;
    h.form.cfg.soplist[0] = "car*";
    const int32_t u = h.adduser("carol", "AKAAC");
    h.form.user(u).identified = true;
    h.feed("AKAAC M carol :+o");
    EXPECT_TRUE(h.form.user(u).servicesop);
}

struct LockCase {
    const char* text;
    const char* on;
    const char* off;
};

TEST(ModeLock, TextIsSplitIntoLettersOnAndOff) {
    const LockCase cases[] = {
        {"+nt-s", "nt", "s"}, {"+lk 5", "lk 5", ""}, {"-k", "", "k"},
        {"nt+i", "i", ""},    {"+n-t+s", "ns", "t"}, {"", "", ""},
    };
    for (const auto& c : cases) {
        Harness h;
        const int32_t reg = tesseltest::placechanreg(h.form, "#c", "");
        h.form.chanreg(reg).mlockon = "tn";
        h.form.PARSEMODELOCK(reg, c.text);
        EXPECT_EQ(h.form.chanreg(reg).mlockon, c.on) << c.text;
        EXPECT_EQ(h.form.chanreg(reg).mlockoff, c.off) << c.text;
    }
}

// A lock text with a parameter locks its letters on one by one.
TEST(ModeLock, LockedLimitAndKeyLettersAreEnforced) {
    Harness h;
    const int32_t reg = tesseltest::placechanreg(h.form, "#c", "");
    h.form.PARSEMODELOCK(reg, "+lk 5");
    h.adduser("alice", "AKAAA");
    h.feed("AKAAA J #c");
    h.take();
    h.feed("AKAAA M #c -k old");
    EXPECT_EQ(h.take(), Lines{"ABAAA M #c +k old"});
}

// Closing a channel: every op and voice is removed wherever the member sits.
TEST(KillChannel, ClosesTheChannelFromTheServer) {
    Harness h;
    for (const char* n : {"AKAAA", "AKAAB", "AKAAC", "AKAAD"})
        h.adduser(std::string("u") + n, n);
    h.feed("AK B #c 1 AKAAA,AKAAB,AKAAC:o,AKAAD:v");
    h.feed("AKAAA L #c");
    h.feed("AKAAB L #c"); // two members left, sitting at positions 2 and 3
    h.take();
    const int32_t chan = h.form.GETCHANNAME("#c");
    h.form.KILLCHANNEL(chan);
    h.form.SENDFLUSH();
    EXPECT_EQ(h.take(),
              (Lines{"ABAAD J #c", "AB M #c +mntsb-o     *!*@* AKAAC", "AB M #c -v AKAAD"}));
    const tessel::Tchannel& c = h.form.channel(chan);
    EXPECT_TRUE(c.cmode_m && c.cmode_n && c.cmode_t && c.cmode_s);
    EXPECT_EQ(c.bans[0], "*!*@*");
    EXPECT_EQ(c.memberstatus[2], 0);
    EXPECT_EQ(c.memberstatus[3], 0);
    EXPECT_FALSE(h.form.modes.closingchannel);
}

} // namespace
