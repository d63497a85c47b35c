#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/harness.h"
#include "support/lines.h"
#include "support/netpicture.h"

namespace {

using Lines = std::vector<std::string>;
using tesseltest::Harness;
using tesseltest::startingwith;

TEST(UserIntroduction, EveryFieldIsTakenFromTheLine) {
    Harness h;
    h.feed("AK N x 1 123 u h +oiwk AAAAAA AKAAB :real name");
    const int32_t u = h.form.GETNICK("x");
    ASSERT_NE(u, -1);
    const tessel::Tuser& x = h.form.user(u);
    EXPECT_EQ(x.nickts, 123);
    EXPECT_EQ(x.ident, "u");
    EXPECT_EQ(x.host, "h");
    EXPECT_EQ(x.realname, "real name");
    EXPECT_EQ(x.numeric, "AKAAB");
    EXPECT_EQ(x.ip, "0.0.0.0");
    EXPECT_EQ(x.server, 1);
    EXPECT_EQ(x.clientnum, 1);
    EXPECT_TRUE(x.umode_o && x.umode_i && x.umode_w && x.umode_k);
    EXPECT_FALSE(x.umode_s || x.umode_d || x.umode_x || x.umode_g || x.umode_r);
    EXPECT_EQ(h.form.GETP10ID("AKAAB"), u);
}

// Mode parameters (an account after +r) sit between the modes and the
// address; address and numeric are read from the end.
TEST(UserIntroduction, ModeParametersDoNotShiftAddressAndNumeric) {
    Harness h;
    h.feed("AK N [b0b]{x}|^ 1 1796869971 ~bob 127.0.0.1 +r bobacct B]AAAB AKAAB :Bob Special");
    h.feed("AK N dave 1 1796869972 ~dave 127.0.0.1 B]AAAB AKAAD :Dave");
    const int32_t bob = h.form.GETNICK("[B0B][X]\\^");
    ASSERT_NE(bob, -1);
    EXPECT_EQ(h.form.user(bob).ip, "127.0.0.1");
    EXPECT_EQ(h.form.user(bob).numeric, "AKAAB");
    EXPECT_EQ(h.form.user(bob).realname, "Bob Special");
    const int32_t dave = h.form.GETNICK("dave");
    ASSERT_NE(dave, -1);
    EXPECT_EQ(h.form.user(dave).numeric, "AKAAD");
    EXPECT_FALSE(h.form.user(dave).umode_i);
}

struct CollisionCase {
    const char* holder;
    const char* line;
};

TEST(UserIntroduction, ANickHeldByAnotherUserBreaksTheLink) {
    const CollisionCase cases[] = {
        {"[a]", "AK N {A} 1 5 u h B]AAAB AKAAC :collides by case mapping"},
        {"Carol", "AK N cAROL 1 5 u h +i B]AAAB AKAAC :collides by letter case"},
        {"[a]", "AKAAB N {a} 6"}, // a nick change onto someone else's nick
    };
    for (const auto& c : cases) {
        Harness h;
        tesseltest::logcapture log(h.form, 0x7fff);
        const int32_t holder = h.adduser(c.holder, "AKAAA");
        h.adduser("other", "AKAAB");
        h.take();
        h.feed(c.line);
        const std::string reason = std::string("Invalid: nick collision: ") + c.line;
        EXPECT_EQ(h.take(), Lines{"AB SQ hub.test 0 :" + reason}) << c.line;
        EXPECT_EQ(startingwith(log.messages(), "Invalid: "), Lines{reason}) << c.line;
        EXPECT_EQ(h.form.GETNICK(c.holder), holder) << c.line;
        EXPECT_EQ(h.form.GETP10ID("AKAAC"), -1) << c.line;
        EXPECT_EQ(h.form.user(h.form.GETP10ID("AKAAB")).nick, "other") << c.line;
    }
}

TEST(UserIntroduction, TooFewWordsBreakTheLinkWithoutCreatingAUser) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x7fff);
    const std::string line = "AK N x 1 123 u h AAAAAA AKAAB";
    h.feed(line);
    const std::string reason =
        "Invalid: Received nick for not yet existing user with not enough params: " + line;
    EXPECT_EQ(h.take(), Lines{"AB SQ hub.test 0 :" + reason});
    EXPECT_EQ(log.messages(), Lines{reason});
    EXPECT_EQ(h.form.GETNICK("x"), -1);
    EXPECT_EQ(h.form.net.users.highwater, 1);
}

TEST(UserIntroduction, ClientsThatCannotBePlacedAreRefused) {
    const char* lines[] = {
        "AK N x 1 5 u h B]AAAB AZAAA :server AZ is unknown",
        "AK N x 1 5 u h B]AAAB ABAAE :the services' own server",
        "AK N x 1 5 u h B]AAAB AK!AA :garbled client number",
        "AK N x 1 5 u h B]AAAB AKAAAAA :too long",
    };
    for (const char* line : lines) {
        Harness h;
        tesseltest::logcapture log(h.form, 0x7fff);
        h.feed(line);
        EXPECT_EQ(h.form.GETNICK("x"), -1) << line;
        EXPECT_EQ(
            startingwith(log.messages(), "Invalid: client introduced on an unknown server").size(),
            1u)
            << line;
        EXPECT_TRUE(h.take().empty()) << line;
    }
}

// A numeric still held in the picture belongs to a client that left without
// the services noticing; the newcomer takes its place.
TEST(UserIntroduction, AReusedNumericReplacesTheStaleClient) {
    Harness h;
    h.adduser("ghost", "AKAAC");
    h.feed("AKAAC J #room");
    const int32_t u = h.adduser("carol", "AKAAC");
    ASSERT_NE(u, -1);
    EXPECT_EQ(h.form.GETNICK("ghost"), -1);
    EXPECT_EQ(h.form.GETP10ID("AKAAC"), u);
    EXPECT_EQ(h.form.GETCHANNAME("#room"), -1);
}

TEST(UserIntroduction, AFullUserTableRefusesTheClient) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x7fff);
    auto& users = h.form.net.users;
    std::fill(users.inuse.begin(), users.inuse.end(), 1); // no slot left
    h.feed("AK N x 1 5 u h B]AAAB AKAAB :no room");
    std::fill(users.inuse.begin(), users.inuse.end(), 0);
    EXPECT_EQ(h.form.net.servers[1].slots[1], -1);
    EXPECT_EQ(startingwith(log.messages(), "Invalid: user table full").size(), 1u);
}

TEST(NickChange, ALetterCaseChangeKeepsIdentification) {
    Harness h;
    const int32_t ns = tesseltest::placenickreg(h.form, "Nick");
    const int32_t u = h.adduser("Nick", "AKAAA");
    h.take();
    tessel::Tuser& usr = h.form.user(u);
    usr.identified = true;
    usr.nsindex = ns;
    usr.nagstate = -1;
    h.form.nickreg(ns).identuser = u;

    h.feed("AKAAA N NICK 1796870010");
    EXPECT_EQ(usr.nick, "NICK");
    EXPECT_EQ(usr.nickts, 1796870010);
    EXPECT_TRUE(usr.identified);
    EXPECT_EQ(usr.nagstate, -1);
    EXPECT_EQ(h.form.GETNICK("nick"), u);
    EXPECT_TRUE(h.take().empty());

    h.feed("AKAAA N Other 1796870020");
    EXPECT_EQ(usr.nick, "Other");
    EXPECT_EQ(h.form.GETNICK("NICK"), -1);
    EXPECT_EQ(h.form.GETNICK("other"), u);
    EXPECT_FALSE(usr.identified); // the protection check ran for the new nick
    EXPECT_EQ(usr.nsindex, -1);
}

TEST(NickChange, AChangeFromAnUnknownClientChangesNothing) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x7fff);
    h.adduser("alice", "AKAAA");
    h.take();
    h.feed("AKAAZ N ghost 1796870158");
    h.feed("AKAAZ N alice 1796870159"); // not even onto a nick in use
    EXPECT_TRUE(h.take().empty());
    EXPECT_EQ(h.form.GETNICK("ghost"), -1);
    EXPECT_EQ(h.form.user(h.form.GETNICK("alice")).numeric, "AKAAA");
    EXPECT_EQ(startingwith(log.messages(), "Invalid: nick change from an unknown client").size(),
              2u);
}

} // namespace
