#include <gtest/gtest.h>

#include <string>

#include "support/picturetest.h"

using namespace tessel;
using namespace tesseltest;

namespace {

class Servers : public PictureTest {
protected:
    // hub.test (1, "AK") - leaf1 (2, "AL") - leaf2 (3, "AM") - leaf3 (4, "AN"),
    // and side.test (5, "AO") also behind the hub; one user on each.
    void buildchain() {
        placeserver(form, 2, "leaf1.test", 11, 63, 1);
        placeserver(form, 3, "leaf2.test", 12, 63, 2);
        placeserver(form, 4, "leaf3.test", 13, 7, 3);
        placeserver(form, 5, "side.test", 14, 63, 1);
        add("onhub", "AKAAB");
        add("on1", "ALAAB");
        add("on2", "AMAAB");
        add("on3", "ANAAB");
        add("onside", "AOAAB");
    }
};

TEST_F(Servers, SplitRemovesEverythingBehindAtAnyDepth) {
    buildchain();
    const int32_t chan = placechannel(form, "#mixed");
    placemember(form, chan, form.GETNICK("on3"));
    placemember(form, chan, form.GETNICK("onside"));

    form.DESTROYSERVER(2);

    for (int32_t s : {2, 3, 4}) {
        EXPECT_FALSE(form.net.servers[s].inuse) << s;
        EXPECT_TRUE(form.net.servers[s].slots.empty()) << s;
        EXPECT_EQ(form.net.servers[s].uplink, -1) << s;
        EXPECT_TRUE(form.net.servers[s].name.empty()) << s;
    }
    for (int32_t number : {11, 12, 13})
        EXPECT_EQ(form.net.serverbynumber[number], -1) << number;
    for (const char* gone : {"on1", "on2", "on3"})
        EXPECT_EQ(form.GETNICK(gone), -1) << gone;
    EXPECT_GE(form.GETNICK("onhub"), 0);
    EXPECT_GE(form.GETNICK("onside"), 0);
    EXPECT_TRUE(form.net.servers[5].inuse);
    EXPECT_EQ(form.net.serverbynumber[14], 5);
    ASSERT_EQ(form.GETCHANNAME("#mixed"), chan);
    EXPECT_EQ(form.channel(chan).membercount, 1);

    // The numeric is free again: a returning server can take it in any slot.
    placeserver(form, 2, "leaf2.test", 12, 63, 1);
    const int32_t back = add("on2", "AMAAB");
    EXPECT_EQ(form.GETP10ID("AMAAB"), back);
}

TEST_F(Servers, UplinkLoopDoesNotRecurseForever) {
    placeserver(form, 2, "a.test", 11, 63, 3);
    placeserver(form, 3, "b.test", 12, 63, 2);
    add("ona", "ALAAB");
    add("onb", "AMAAB");

    form.DESTROYSERVER(2);
    EXPECT_FALSE(form.net.servers[2].inuse);
    EXPECT_FALSE(form.net.servers[3].inuse);
    EXPECT_EQ(form.GETNICK("ona"), -1);
    EXPECT_EQ(form.GETNICK("onb"), -1);
}

TEST_F(Servers, SplitOfNoLiveServerChangesNothing) {
    buildchain();
    for (int32_t s : {-1, 0, 6, 127, 128, 5000}) {
        form.DESTROYSERVER(s);
        EXPECT_TRUE(form.net.servers[0].inuse) << s;
        EXPECT_EQ(form.net.serverbynumber[1], 0) << s;
        EXPECT_EQ(form.net.servers[0].slots.size(), 64u) << s;
        for (int32_t live = 1; live <= 5; ++live)
            EXPECT_TRUE(form.net.servers[live].inuse) << s << " " << live;
    }
    EXPECT_GE(form.GETNICK("on3"), 0);
}

TEST_F(Servers, LosingTheLinkForgetsTheNetworkButNotOurselves) {
    buildchain();
    const int32_t chan = placechannel(form, "#a");
    placemember(form, chan, form.GETNICK("onhub"));
    placechannel(form, "#empty");

    form.CLEARSERVER();

    EXPECT_EQ(form.net.users.highwater, 1);
    EXPECT_EQ(form.net.channels.highwater, 1);
    for (int32_t u = 0; u < 8; ++u)
        EXPECT_FALSE(form.net.users.valid(u)) << u;
    EXPECT_EQ(form.GETNICK("onhub"), -1);
    EXPECT_EQ(form.GETCHANNAME("#a"), -1);
    EXPECT_EQ(form.GETCHANNAME("#empty"), -1);
    for (int32_t s = 1; s < kServerCapacity; ++s) {
        EXPECT_FALSE(form.net.servers[s].inuse) << s;
        EXPECT_EQ(form.net.servers[s].mask, 0) << s;
    }
    for (int32_t number : {10, 11, 12, 13, 14})
        EXPECT_EQ(form.net.serverbynumber[number], -1) << number;
    EXPECT_TRUE(form.net.servers[0].inuse);
    EXPECT_EQ(form.net.servers[0].name, "services.test");
    EXPECT_EQ(form.net.serverbynumber[1], 0);
    EXPECT_EQ(form.oper.seenindex, 5); // every user's departure is remembered
    EXPECT_EQ(form.ADDUSER(), 0);
}

} // namespace
