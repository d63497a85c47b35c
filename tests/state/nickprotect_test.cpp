#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/picturetest.h"

using namespace tessel;
using namespace tesseltest;

namespace {

const std::string kOwned =
    "ABAAB O AKAAB :This nick is owned by someone else. Please choose another.";
const std::string kHint =
    "ABAAB O AKAAB :If this is your nick, type: /msg NickServ IDENTIFY <password>";
const std::string k40 =
    "ABAAB O AKAAB :You now have 40 seconds to change your nick. The nick you are "
    "currently using is registered to another user.";
const std::string k20 = "ABAAB O AKAAB :You now have 20 seconds to change your nick. If you do not "
                        "comply, I will change your nick for you. This is your final warning.";

class Nickprotect : public PictureTest {
protected:
    int32_t ns = -1;

    void SetUp() override {
        ns = placenickreg(form, "bob");
        form.nickreg(ns).lastdate = form.clock.now; // far from expiry
        form.nickreg(ns).access.set(0, "owner@home.example");
        form.nickreg(ns).TS = 1000;
        form.nickreg(ns).lastmask = "bob!owner@home.example";
    }
    int32_t arrive(const std::string& nick, const std::string& ident, const std::string& host,
                   int32_t nickts = 999, bool oper = false) {
        userfields s;
        s.nick = nick;
        s.numeric = "AKAAB";
        s.ident = ident;
        s.host = host;
        s.nickts = nickts;
        s.oper = oper;
        const int32_t u = placeuser(form, s);
        form.NICKCHANGED(u);
        return u;
    }
    std::vector<std::string> step() {
        form.TIMER2TIMER();
        return flushed();
    }
};

// A stranger on a registered nick is warned at once and on three timer
// steps; the fourth renames (or with USEKILL kills) the user.
TEST_F(Nickprotect, StrangerIsWarnedThreeTimesThenRenamedOrKilled) {
    struct Case {
        bool usekill;
        std::string nick;
        std::string sixty; // the first step's warning
        std::string last;  // the fourth step's lines, one per line of the pattern
    };
    const Case cases[] = {
        {false, "Bob",
         "ABAAB O AKAAB :Your nick will be changed in 60 seconds if you do not comply.",
         "ABAAB O AKAAB :Your nick has been changed to (Guest[1-9][0-9]{4})\\.\n"
         "AB SN AKAAB \\1"},
        {true, "bob", "ABAAB O AKAAB :You will be disconnected in 60 seconds if you do not comply.",
         "ABAAB D AKAAB :services\\.test!NickServ \\(User did not identify\\)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.usekill ? "USEKILL=1" : "USEKILL=0");
        form.cfg.usekill = c.usekill;
        const int32_t u = arrive(c.nick, "eve", "elsewhere");
        EXPECT_EQ(flushed(), std::vector<std::string>{kOwned});
        EXPECT_EQ(form.user(u).nagstate, 1);
        EXPECT_FALSE(form.user(u).recognised);

        EXPECT_EQ(step(), std::vector<std::string>{c.sixty});
        EXPECT_EQ(step(), std::vector<std::string>{k40});
        EXPECT_EQ(step(), std::vector<std::string>{k20});
        std::string last;
        for (const std::string& line : step())
            last += (last.empty() ? "" : "\n") + line;
        EXPECT_TRUE(std::regex_match(last, std::regex(c.last))) << last;

        if (c.usekill) {
            EXPECT_FALSE(form.net.users.valid(u));
            EXPECT_EQ(form.GETNICK("bob"), -1);
            EXPECT_EQ(form.oper.seen[form.oper.seenindex].mask, "bob!eve@elsewhere");
        } else {
            EXPECT_EQ(form.user(u).nagstate, -1);
            EXPECT_EQ(form.user(u).nick, "Bob"); // renamed only when the network says so
            // The rename may be lost: no warning ever again.
            EXPECT_TRUE(step().empty());
            form.REMOVEUSER(u);
        }
    }
}

TEST_F(Nickprotect, AccessMaskEarnsTheIdentifyHint) {
    form.cfg.msgcommand = "P";
    const int32_t u = arrive("bob", "Owner", "HOME.example");
    const std::string p = "ABAAB P AKAAB :";
    EXPECT_EQ(flushed(), (std::vector<std::string>{
                             p + "This nick is owned by someone else. Please choose another.",
                             p + "If this is your nick, type: /msg NickServ IDENTIFY <password>"}));
    EXPECT_TRUE(form.user(u).recognised);
    EXPECT_FALSE(form.user(u).identified);
}

TEST_F(Nickprotect, OperatorGetsOnlyTheFirstWarning) {
    const int32_t u = arrive("bob", "eve", "elsewhere", 999, true);
    EXPECT_EQ(flushed(), std::vector<std::string>{kOwned});
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(step().empty());
    EXPECT_TRUE(form.net.users.valid(u));
}

TEST_F(Nickprotect, ReturningOwnerIsRecognisedSilently) {
    struct Case {
        std::string nick, ident, host;
        int32_t nickts;
        bool privmsg;
        bool recognised;
    };
    const Case cases[] = {
        {"bob", "owner", "home.example", 1000, false, true},
        {"bob", "owner", "home.example", 1000, true, true},
        {"Bob", "owner", "home.example", 1000, false, false}, // mask compared exactly
        {"bob", "owner", "HOME.example", 1000, false, false},
        {"bob", "owner", "home.example", 1001, false, false},
        {"bob", "owner", "home.example", 0, false, false}, // no timestamp, no trust
    };
    for (const Case& c : cases) {
        form.nickreg(ns).privmsg = c.privmsg;
        form.nickreg(ns).TS = c.nickts == 0 ? 0 : 1000;
        const int32_t u = arrive(c.nick, c.ident, c.host, c.nickts);
        const std::vector<std::string> lines = flushed();
        const std::string label =
            c.nick + "!" + c.ident + "@" + c.host + " " + std::to_string(c.nickts);
        EXPECT_EQ(form.user(u).identified, c.recognised) << label;
        if (c.recognised) {
            EXPECT_EQ(lines,
                      std::vector<std::string>{std::string("ABAAB ") + (c.privmsg ? "P" : "O") +
                                               " AKAAB :You are recognised and identified"})
                << label;
            EXPECT_EQ(form.nickreg(ns).identuser, u);
        } else {
            ASSERT_FALSE(lines.empty()) << label;
            EXPECT_EQ(lines[0], kOwned) << label;
        }
        form.REMOVEUSER(u);
    }
}

TEST_F(Nickprotect, IntroductionsFromTheHubAreCheckedOnArrival) {
    form.nickreg(ns).lastmask = "bob!user@host.example";
    const int32_t owner = h.adduser("bob", "AKAAB", "", "user", "host.example", 1000);
    EXPECT_EQ(h.take(),
              std::vector<std::string>{"ABAAB O AKAAB :You are recognised and identified"});
    EXPECT_TRUE(form.user(owner).identified);

    h.feed("AKAAB Q :gone");
    h.take();
    const int32_t stranger = h.adduser("BOB", "AKAAC", "", "user", "host.example", 1001);
    EXPECT_EQ(h.take(), std::vector<std::string>{
                            "ABAAB O AKAAC :This nick is owned by someone else. Please choose "
                            "another."});
    EXPECT_EQ(form.user(stranger).nagstate, 1);
}

TEST_F(Nickprotect, IdentifiedUserMovingToAnotherRegisteredNickStartsOver) {
    const int32_t other = placenickreg(form, "carol");
    form.nickreg(other).lastdate = form.clock.now;
    const int32_t u = arrive("bob", "owner", "home.example", 1000);
    ASSERT_TRUE(form.user(u).identified);
    flushed();
    form.nickreg(ns).lastdate = 5;

    form.SETNICK(u, "carol");
    form.NICKCHANGED(u);
    EXPECT_FALSE(form.user(u).identified);
    EXPECT_EQ(form.user(u).nsindex, other);
    EXPECT_EQ(form.user(u).nagstate, 1);
    EXPECT_EQ(form.nickreg(ns).identuser, -1);
    EXPECT_EQ(form.nickreg(ns).lastdate, form.clock.now);
    EXPECT_EQ(flushed(), std::vector<std::string>{kOwned});

    // To an unregistered nick: no registration, no warnings.
    form.SETNICK(u, "free");
    form.NICKCHANGED(u);
    EXPECT_EQ(form.user(u).nsindex, -1);
    EXPECT_EQ(form.user(u).nagstate, 0);
    EXPECT_TRUE(flushed().empty());
    EXPECT_TRUE(step().empty());
}

TEST_F(Nickprotect, IdentifiedWithoutRegistrationBreaksTheLink) {
    const int32_t u = arrive("free", "eve", "elsewhere");
    form.user(u).identified = true;
    form.NICKCHANGED(u);
    EXPECT_EQ(flushed(),
              std::vector<std::string>{"AB SQ hub.test 0 :Invalid: internal error in nickchanged"});
    EXPECT_TRUE(form.user(u).identified);
}

} // namespace
