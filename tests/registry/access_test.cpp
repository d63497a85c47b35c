#include <gtest/gtest.h>

#include <string>

#include "support/picturetest.h"

using namespace tessel;
using namespace tesseltest;

namespace {

class Access : public PictureTest {
protected:
    int next = 2; // client numbers handed out

    int32_t add(const std::string& nick, const std::string& ident, const std::string& host,
                const std::string& ip, bool identified = false, bool oper = false) {
        userfields s;
        s.nick = nick;
        s.numeric = "AKA" + std::string(1, numericchar(next / 64)) + numericchar(next % 64);
        ++next;
        s.ident = ident;
        s.host = host;
        s.ip = ip;
        s.oper = oper;
        const int32_t u = placeuser(form, s);
        form.user(u).identified = identified;
        return u;
    }
    static char numericchar(int v) {
        return "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789[]"[v];
    }
};

TEST_F(Access, NickAccessNeedsAMaskBeforeThePasswordCounts) {
    form.cfg.cryptpass = false;
    const int32_t ns = placenickreg(form, "bob", "secret");
    form.nickreg(ns).access.set(0, "*@host.example");
    form.nickreg(ns).access.set(4, "bob@10.1.*"); // free entries in between

    struct Case {
        std::string ident, host, ip, password;
        int32_t result;
    };
    const Case cases[] = {
        {"user", "host.example", "10.0.0.1", "secret", 2},
        {"User", "HOST.Example", "10.0.0.1", "secret", 2},
        {"user", "host.example", "10.0.0.1", "Secret", 1},
        {"user", "host.example", "10.0.0.1", "", 1},
        {"bob", "else.net", "10.1.2.3", "secret", 2}, // by address
        {"bob", "else.net", "10.2.0.1", "secret", 0}, // right password, wrong host
        {"eve", "else.net", "10.1.2.3", "secret", 0},
    };
    for (const Case& c : cases) {
        const int32_t u = add("bob", c.ident, c.host, c.ip);
        EXPECT_EQ(form.NICKACCESS(u, ns, c.password), c.result) << c.ident << "@" << c.host;
        form.REMOVEUSER(u);
    }

    const int32_t u = add("bob", "user", "host.example", "10.0.0.1");
    EXPECT_EQ(form.NICKACCESS(u, -1, "secret"), -1);
    EXPECT_EQ(form.NICKACCESS(u, 4000, "secret"), -1); // no record in that slot
    const int32_t bare = placenickreg(form, "carol", "secret");
    EXPECT_EQ(form.NICKACCESS(u, bare, "secret"), 0); // an empty list recognises nobody
}

TEST_F(Access, NickAccessComparesTheStoredDigest) {
    form.cfg.cryptpass = true;
    const int32_t ns = placenickreg(form, "bob", form.encodepass("secret"));
    form.nickreg(ns).access.set(0, "*@*");
    const int32_t u = add("bob", "user", "host.example", "10.0.0.1");
    EXPECT_EQ(form.NICKACCESS(u, ns, "secret"), 2);
    EXPECT_EQ(form.NICKACCESS(u, ns, "Secret"), 1);
    form.nickreg(ns).password = "secret"; // stored as typed: no longer equal
    EXPECT_EQ(form.NICKACCESS(u, ns, "secret"), 1);
}

TEST_F(Access, ChannelLevelsFollowSlotOrderNickThenMask) {
    const int32_t cs = placechanreg(form, "#room", "Founder");
    Tchanserv& rec = form.chanreg(cs);
    rec.lists[LIST_AOP].set(0, "AopNick");
    rec.lists[LIST_SOP].set(5, "aopnick"); // later slot: the AOP entry wins
    rec.lists[LIST_SOP].set(4, "sopnick");
    rec.lists[LIST_AKICK].set(1, "kicked");
    rec.lists[LIST_AKICK].set(2, "*!*@bad.host");
    rec.lists[LIST_VOP].set(3, "*!*@voice.host");
    rec.lists[LIST_SOP].set(6, "*!*@10.9.*");
    rec.strictop = true;

    struct Case {
        std::string nick, host, ip;
        bool identified, oper, operop;
        int32_t level;
        bool founder;
    };
    const Case cases[] = {
        {"Founder", "home", "1.1.1.1", true, false, false, 4, true},
        {"FOUNDER", "home", "1.1.1.1", false, false, false, 0, false},
        {"aopnick", "home", "1.1.1.1", true, false, false, 2, false},
        {"aopnick", "home", "1.1.1.1", false, false, false, 0, false},
        {"sopnick", "home", "1.1.1.1", true, false, false, 3, false},
        {"kicked", "home", "1.1.1.1", true, false, false, 0, false},
        {"kicked", "voice.host", "1.1.1.1", true, false, false, 1, false},
        {"anyone", "bad.host", "1.1.1.1", false, false, false, -1, false},
        {"anyone", "BAD.HOST", "1.1.1.1", true, false, false, -1, false},
        {"anyone", "home", "10.9.0.1", false, false, false, 3, false},
        {"anyone", "bad.host", "1.1.1.1", false, true, true, 2, false}, // operop lifts AKICK
        {"anyone", "home", "1.1.1.1", false, true, true, 2, false},
        {"anyone", "home", "1.1.1.1", false, true, false, 0, false},
        {"anyone", "voice.host", "1.1.1.1", false, true, true, 2, false},
        {"sopnick", "home", "1.1.1.1", true, true, true, 3, false},
        {"anyone", "home", "1.1.1.1", false, false, false, 0, false},
    };
    for (const Case& c : cases) {
        rec.operop = c.operop;
        const int32_t u = add(c.nick, "user", c.host, c.ip, c.identified, c.oper);
        const cprivsrec p = form.CHANACCESS(cs, u);
        const std::string label = c.nick + "@" + c.host;
        EXPECT_TRUE(p.registered) << label;
        EXPECT_EQ(p.level, c.level) << label;
        EXPECT_EQ(p.founder, c.founder) << label;
        EXPECT_EQ(p.canvoice, c.level >= 1) << label;
        EXPECT_EQ(p.canop, c.level >= 2) << label;
        EXPECT_TRUE(p.strictop) << label;
        form.REMOVEUSER(u);
    }
}

TEST_F(Access, UnregisteredChannelsAndUnknownUsersGetFullLevel) {
    const int32_t cs = placechanreg(form, "#room", "Founder");
    const int32_t u = add("anyone", "user", "home", "1.1.1.1");
    struct Case {
        int32_t cs, user;
        bool registered;
    };
    const Case cases[] = {{-1, u, false}, {777, u, false}, {cs, -1, true}, {cs, 9999, true}};
    for (const Case& c : cases) {
        const cprivsrec p = form.CHANACCESS(c.cs, c.user);
        EXPECT_EQ(p.registered, c.registered) << c.cs << "/" << c.user;
        EXPECT_EQ(p.level, 4) << c.cs << "/" << c.user;
        EXPECT_FALSE(p.canop);
        EXPECT_FALSE(p.canvoice);
    }
}

TEST_F(Access, ServicesOperatorIsAnIdentifiedOperMatchingASopMask) {
    form.cfg.soplist[0] = "Admin*";
    form.cfg.soplist[7] = "ro?t";
    struct Case {
        std::string nick;
        bool identified, oper, servicesop;
    };
    const Case cases[] = {
        {"Admin1", true, true, true},   {"admin{x}", true, true, true},
        {"Admin1", false, true, false}, {"Admin1", true, false, false},
        {"root", true, true, true},     {"rooty", true, true, false},
        {"someone", true, true, false},
    };
    for (const Case& c : cases) {
        const int32_t u = add(c.nick, "user", "home", "1.1.1.1", c.identified, c.oper);
        form.user(u).servicesop = true; // stale flag from before
        form.CHECKSOP(u);
        EXPECT_EQ(form.user(u).servicesop, c.servicesop) << c.nick;
        form.REMOVEUSER(u);
    }
}

TEST_F(Access, IgnoreEntriesNameRegisteredNicksOnly) {
    const int32_t bob = placenickreg(form, "bob");
    const int32_t carol = placenickreg(form, "Carol");
    const int32_t dave = placenickreg(form, "dave");
    const int32_t dropped = placenickreg(form, "gone");
    form.nickreg(bob).ignore.set(3, "CAROL");
    form.nickreg(bob).ignore.set(9, "gone");

    EXPECT_TRUE(form.ONIGNORE(bob, carol));
    EXPECT_FALSE(form.ONIGNORE(bob, dave));
    EXPECT_FALSE(form.ONIGNORE(carol, bob));
    EXPECT_TRUE(form.ONIGNORE(bob, dropped));

    // Dropped, and its slot taken by another registration.
    form.SETNS(dropped, "");
    form.reg.nicks.inuse[dropped] = 0;
    form.reg.nicks.recs[dropped].reset();
    const int32_t taker = placenickreg(form, "newcomer");
    ASSERT_EQ(taker, dropped);
    EXPECT_FALSE(form.ONIGNORE(bob, taker));
    EXPECT_FALSE(form.ONIGNORE(-1, carol));
}

TEST_F(Access, NewRegistrationsTakeTheLowestFreeSlot) {
    EXPECT_EQ(placenickreg(form, "a"), 0);
    EXPECT_EQ(placenickreg(form, "b"), 1);
    EXPECT_EQ(placenickreg(form, "c"), 2);
    EXPECT_EQ(form.reg.nicks.highwater, 2);
    form.reg.nicks.inuse[1] = 0;
    EXPECT_EQ(form.newnsslot(), 1);
    EXPECT_EQ(form.reg.nicks.highwater, 2);

    // After loading a file without records the high-water mark is -1.
    form.reg.chans.highwater = -1;
    EXPECT_EQ(form.newcsslot(), 0);
    EXPECT_EQ(form.reg.chans.highwater, 0);

    std::fill(form.reg.chans.inuse.begin(), form.reg.chans.inuse.end(), 1);
    EXPECT_EQ(form.newcsslot(), -1);
}

} // namespace
