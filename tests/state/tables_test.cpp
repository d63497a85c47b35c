#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/picturetest.h"

using namespace tessel;
using namespace tesseltest;

namespace {

class Tables : public PictureTest {};

TEST(TablesIndex, NickLookupFollowsTheIrcCaseMapping) {
    struct Case {
        std::string stored;
        std::string lookup;
        bool found;
    };
    const Case cases[] = {
        {"[a]", "{A}", true},  {"nick|x", "NICK\\X", true}, {"Bob", "bOB", true},
        {"a~", "A^", false},   {"x^", "X~", false},         {"Bob", "Bobby", false},
        {"{}|", "[]\\", true},
    };
    for (const Case& c : cases) {
        Harness h;
        userfields s;
        s.nick = c.stored;
        s.numeric = "AKAAB";
        const int32_t u = placeuser(h.form, s);
        EXPECT_EQ(h.form.GETNICK(c.lookup), c.found ? u : -1) << c.stored << " / " << c.lookup;
        EXPECT_EQ(h.form.GETNICK(c.stored), u) << c.stored;
    }
}

TEST_F(Tables, CollidingNicksShadowWithoutLosingTheNewerEntry) {
    const int32_t older = add("[x]", "AKAAB");
    const int32_t newer = add("{X}", "AKAAC");
    EXPECT_EQ(form.GETNICK("[X]"), newer);

    // The older holder leaving must not take the newer one out of the index.
    form.REMOVEUSER(older);
    EXPECT_EQ(form.GETNICK("{x}"), newer);
    form.REMOVEUSER(newer);
    EXPECT_EQ(form.GETNICK("{x}"), -1);

    // The other way round the older one is found again.
    const int32_t a = add("[y]", "AKAAD");
    const int32_t b = add("{y}", "AKAAE");
    form.REMOVEUSER(b);
    EXPECT_EQ(form.GETNICK("[Y]"), a);
    form.SETNICK(a, "renamed");
    EXPECT_EQ(form.GETNICK("[y]"), -1);
    EXPECT_EQ(form.GETNICK("RENAMED"), a);
}

TEST_F(Tables, CaseChangeKeepsTheUserUnderBothForms) {
    const int32_t u = add("bob", "AKAAB");
    form.SETNICK(u, "BoB");
    EXPECT_EQ(form.GETNICK("bob"), u);
    EXPECT_EQ(form.GETNICK("BOB"), u);
    EXPECT_EQ(form.user(u).nick, "BoB");
    EXPECT_EQ(form.user(u).nickkey, "BOB");

    form.SETNICK(u, "");
    EXPECT_EQ(form.GETNICK("bob"), -1);
    EXPECT_TRUE(form.user(u).nickkey.empty());
}

TEST_F(Tables, NewEntriesTakeTheLowestFreeSlot) {
    EXPECT_EQ(add("a", "AKAAB"), 0);
    EXPECT_EQ(form.net.users.highwater, 1);
    EXPECT_EQ(add("b", "AKAAC"), 1);
    EXPECT_EQ(add("c", "AKAAD"), 2);
    EXPECT_EQ(form.net.users.highwater, 2);
    form.REMOVEUSER(1);
    EXPECT_EQ(add("d", "AKAAE"), 1);
    EXPECT_EQ(form.net.users.highwater, 2);
    const Tuser& fresh = form.user(1);
    EXPECT_EQ(fresh.nsindex, -1);
    EXPECT_FALSE(fresh.identified);
    for (int32_t c : fresh.channels)
        EXPECT_EQ(c, -1);
}

TEST_F(Tables, FullTablesRefuseAndReuseAFreedSlot) {
    for (int i = 0; i < kUserCapacity; ++i)
        ASSERT_EQ(form.ADDUSER(), i);
    EXPECT_EQ(form.ADDUSER(), -1);
    EXPECT_EQ(form.net.users.highwater, kUserCapacity - 1);
    form.REMOVEUSER(777);
    EXPECT_EQ(form.ADDUSER(), 777);

    for (int i = 0; i < kChannelCapacity; ++i)
        ASSERT_EQ(form.ADDCHANNEL(), i);
    EXPECT_EQ(form.ADDCHANNEL(), -1);
    const Tchannel& c = form.channel(kChannelCapacity - 1);
    EXPECT_EQ(c.csindex, -1);
    EXPECT_EQ(c.members[kChannelMembers - 1], -1);
    EXPECT_EQ(c.members.stored(), 0u); // member positions cost nothing until used
}

TEST_F(Tables, LastMemberLeavingRemovesTheChannelUnlessChanServHoldsIt) {
    struct Case {
        int32_t umode;
        bool registered;
        bool kept;
    };
    const Case cases[] = {{1, true, true}, {1, false, false}, {0, true, false}, {2, true, false}};
    for (const Case& c : cases) {
        Harness h;
        TForm1& f = h.form;
        f.cfg.umode = c.umode;
        userfields s;
        s.nick = "bob";
        s.numeric = "AKAAB";
        const int32_t u = placeuser(f, s);
        const int32_t chan = placechannel(f, "#room");
        placemember(f, chan, u);
        const int32_t cs = c.registered ? placechanreg(f, "#room", "someone") : -1;

        f.REMOVEUSERCHANNEL(chan, u);
        EXPECT_EQ(f.GETCHANNAME("#ROOM"), c.kept ? chan : -1) << c.umode << c.registered;
        EXPECT_EQ(f.user(u).channels[0], -1);
        if (c.registered) {
            EXPECT_EQ(f.chanreg(cs).chanindex, c.kept ? chan : -1);
        }
        if (c.kept) {
            EXPECT_EQ(f.channel(chan).membercount, 0);
            EXPECT_EQ(f.channel(chan).members[0], -1);
        }
    }
}

TEST_F(Tables, OnlyTheIdentifiedFounderLeavingStampsTheRegistration) {
    for (const bool identified : {true, false}) {
        Harness h;
        TForm1& f = h.form;
        userfields s;
        s.nick = "Owner";
        s.numeric = "AKAAB";
        const int32_t u = placeuser(f, s);
        const int32_t chan = placechannel(f, "#room");
        placemember(f, chan, u);
        const int32_t cs = placechanreg(f, "#room", "OWNER");
        f.chanreg(cs).lastdate = 5;
        f.chanreg(cs).ownerpresent = true;
        f.user(u).identified = identified;

        f.REMOVEUSERCHANNEL(chan, u);
        EXPECT_EQ(f.chanreg(cs).lastdate, identified ? f.clock.now : 5);
        EXPECT_EQ(f.chanreg(cs).ownerpresent, !identified);
    }
}

TEST_F(Tables, RemovedUserLeavesOneSeenEntryAndNoTraces) {
    const int32_t u = add("Bob", "AKAAB");
    const int32_t other = add("Carol", "AKAAC");
    const int32_t a = placechannel(form, "#a");
    const int32_t b = placechannel(form, "#b");
    placemember(form, a, u);
    placemember(form, a, other);
    placemember(form, b, u);
    const int32_t ns = placenickreg(form, "Bob");
    form.user(u).nsindex = ns;
    form.user(u).identified = true;
    form.nickreg(ns).identuser = u;
    form.nickreg(ns).lastdate = 5;
    const int32_t clientnum = form.user(u).clientnum;

    form.REMOVEUSER(u);

    EXPECT_FALSE(form.net.users.valid(u));
    EXPECT_EQ(form.GETNICK("bob"), -1);
    EXPECT_EQ(form.net.servers[1].slots[clientnum], -1);
    EXPECT_EQ(form.GETCHANNAME("#b"), -1);
    ASSERT_EQ(form.GETCHANNAME("#a"), a);
    EXPECT_EQ(form.channel(a).membercount, 1);
    EXPECT_EQ(form.nickreg(ns).identuser, -1);
    EXPECT_EQ(form.nickreg(ns).lastdate, form.clock.now);

    EXPECT_EQ(form.oper.seenindex, 1);
    EXPECT_EQ(form.oper.seen[1].mask, "Bob!user@host.example");
    EXPECT_EQ(form.oper.seen[1].gecos, "Real Name");
    EXPECT_EQ(form.oper.seen[1].time, form.clock.now);
    EXPECT_TRUE(form.oper.seen[2].mask.empty());

    form.REMOVEUSER(u); // already gone: nothing more is recorded
    EXPECT_EQ(form.oper.seenindex, 1);
}

TEST_F(Tables, SeenRingOverwritesTheOldestAfter1024Departures) {
    for (int i = 0; i <= kSeenCapacity; ++i) {
        const int32_t u = add("n" + std::to_string(i), "AKAAB");
        form.REMOVEUSER(u);
    }
    EXPECT_EQ(form.oper.seenindex, 1);
    EXPECT_EQ(form.oper.seen[1].mask, "n1024!user@host.example"); // overwrote n0
    EXPECT_EQ(form.oper.seen[2].mask, "n1!user@host.example");    // now the oldest
    EXPECT_EQ(form.oper.seen[0].mask, "n1023!user@host.example");
}

TEST_F(Tables, UserWithAnImpossibleClientSlotIsRemovedWithoutHarm) {
    struct Case {
        int32_t server;
        int32_t clientnum;
    };
    const Case cases[] = {{1, 5000}, {1, -3}, {200, 1}, {-1, 1}, {5, 1}, {1, 1}};
    for (const Case& c : cases) {
        Harness h;
        TForm1& f = h.form;
        userfields s;
        s.nick = "bob";
        s.numeric = "AKAAB"; // client slot 1 of the hub
        const int32_t bob = placeuser(f, s);
        const int32_t odd = f.ADDUSER();
        f.SETNICK(odd, "odd");
        f.user(odd).server = c.server;
        f.user(odd).clientnum = c.clientnum;

        f.REMOVEUSER(odd);
        EXPECT_FALSE(f.net.users.valid(odd));
        EXPECT_EQ(f.net.servers[1].slots[1], bob) << c.server << "/" << c.clientnum;
        EXPECT_EQ(f.GETNICK("bob"), bob);
    }
}

TEST_F(Tables, ChannelGoneWithMembersLeftNoLongerReachesThem) {
    const int32_t member = add("bob", "AKAAB");
    const int32_t stranger = add("eve", "AKAAC");
    const int32_t chan = placechannel(form, "#a");
    placemember(form, chan, member);

    // A part for someone who never joined still counts, and empties the channel.
    form.REMOVEUSERCHANNEL(chan, stranger);
    EXPECT_EQ(form.GETCHANNAME("#a"), -1);
    for (int32_t c : form.user(member).channels)
        EXPECT_EQ(c, -1);

    // The slot is reused; the old member's departure must not touch the new channel.
    const int32_t reused = placechannel(form, "#b");
    ASSERT_EQ(reused, chan);
    placemember(form, reused, stranger);
    form.REMOVEUSER(member);
    ASSERT_EQ(form.GETCHANNAME("#b"), reused);
    EXPECT_EQ(form.channel(reused).membercount, 1);
    EXPECT_EQ(form.channel(reused).members[0], stranger);
}

TEST_F(Tables, ClearingNickRegistrationsDropsEveryIdentification) {
    const int32_t u = add("bob", "AKAAB");
    const int32_t ns = placenickreg(form, "bob");
    placenickreg(form, "carol");
    placenickreg(form, "dave");
    form.user(u).nsindex = ns;
    form.user(u).identified = true;
    form.user(u).recognised = true;

    form.CLEARNS();
    EXPECT_EQ(form.GETNS("bob"), -1);
    EXPECT_EQ(form.GETNS("dave"), -1);
    EXPECT_EQ(form.reg.nickcount, 0);
    EXPECT_EQ(form.reg.nicks.highwater, 1);
    EXPECT_EQ(form.user(u).nsindex, -1);
    EXPECT_FALSE(form.user(u).identified);
    EXPECT_FALSE(form.user(u).recognised);
    EXPECT_EQ(form.newnsslot(), 0);
}

TEST_F(Tables, ClearingChannelRegistrationsPartsTheLiveOnes) {
    const int32_t u = add("bob", "AKAAB");
    const int32_t live = placechannel(form, "#Live");
    placemember(form, live, u);
    const int32_t held = placechannel(form, "#held"); // only ChanServ inside
    placechanreg(form, "#Live", "bob");
    placechanreg(form, "#held", "bob");
    placechanreg(form, "#gone", "bob");

    form.CLEARCS();
    EXPECT_EQ(flushed(), (std::vector<std::string>{"ABAAA PART :#Live", "ABAAA PART :#held"}));
    EXPECT_EQ(form.GETCS("#live"), -1);
    EXPECT_EQ(form.reg.chancount, 0);
    EXPECT_EQ(form.reg.chans.highwater, 1);
    ASSERT_EQ(form.GETCHANNAME("#live"), live);
    EXPECT_EQ(form.channel(live).csindex, -1);
    EXPECT_EQ(form.GETCHANNAME("#held"), -1);
    EXPECT_FALSE(form.net.channels.valid(held));
}

} // namespace
