#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "p10/numerics.h"
#include "support/harness.h"
#include "support/lines.h"
#include "support/netpicture.h"

namespace {

using Lines = std::vector<std::string>;
using tesseltest::Harness;
using tesseltest::startingwith;

// The harness as it stands right after sending its own introduction: the
// hub's SERVER line has not arrived yet and nothing is known about it.
void unlink(Harness& h) {
    tessel::tserver& hub = h.form.net.servers[1];
    h.form.net.serverbynumber[hub.numeric] = -1;
    hub = tessel::tserver{};
    h.form.link.linkstate = 1;
    h.form.link.uplinkname.clear();
}

TEST(Handshake, TheHubsServerLineCompletesTheLinkAndStartsTheBurst) {
    Harness h;
    unlink(h);
    h.form.clock.boottime = 1796870000;
    h.feed("PASS :linkpass");
    h.feed("SERVER hub.test 1 1796866409 1796869999 J10 AKAP] +h6 :Test P10 hub");

    EXPECT_EQ(h.form.link.linkstate, 2);
    EXPECT_EQ(h.form.link.uplinkname, "hub.test");
    const tessel::tserver& hub = h.form.net.servers[1];
    EXPECT_TRUE(hub.inuse);
    EXPECT_EQ(hub.name, "hub.test");
    EXPECT_EQ(hub.namekey, "HUB.TEST");
    EXPECT_EQ(hub.numeric, 10);
    EXPECT_EQ(hub.mask, 1023);
    EXPECT_EQ(hub.slots.size(), 1024u);
    EXPECT_EQ(h.form.net.serverbynumber[10], 1);
    // The fifth word, when older than the known boot time, is adopted.
    EXPECT_EQ(h.form.clock.boottime, 1796869999);

    const Lines burst = h.take();
    ASSERT_EQ(burst.size(), 6u);
    EXPECT_EQ(burst.front(), "AB N ChanServ 1 1 service services.test +kd AAAAAA ABAAA "
                             ":/msg ChanServ help");
    EXPECT_EQ(burst.back(), "AB EB");

    // Once linked, a SERVER line is nobody's business.
    h.feed("SERVER other.test 1 1 1 J10 AZAP] +h6 :Other");
    EXPECT_TRUE(h.take().empty());
    EXPECT_EQ(h.form.net.serverbynumber[tessel::decodenumeric("AZ")], -1);
}

// The hub's own SERVER line that cannot be accepted during the handshake,
// and a server introduced with the services' own numeric once linked: the
// process stops at once, having sent nothing and placed nothing.
TEST(ServerLines, UnacceptableOnesStopTheProcess) {
    struct Case {
        bool handshake; // the hub's SERVER line, before the link is complete
        const char* line;
    };
    const Case cases[] = {
        {true, "SERVER hub.test 1 1796866409 1796869999 J10 AKAP]"},                 // seven words
        {true, "SERVER hub.test 1 1796866409 1796869999 J09 AKAP] +h6 :Old hub"},    // protocol
        {true, "SERVER hub.test 1 1796866409 1796869999 J10 ABAP] +h6 :Same as us"}, // our numeric
        {true, "SERVER hub.test 1 1796866409 1796869999 J10 !!AP] +h6 :Garbled"},    // no numeric
        {false, "AK S fake.test 2 0 1796870000 J10 ABAB] + :Pretends to be us"},
    };
    for (const Case& c : cases) {
        Harness h;
        if (c.handshake) unlink(h);
        h.feed(c.line);
        EXPECT_EQ(h.taketerminations(), 1) << c.line;
        EXPECT_EQ(h.form.link.linkstate, c.handshake ? 1 : 2) << c.line;
        EXPECT_EQ(h.form.net.servers[1].inuse, !c.handshake) << c.line;
        EXPECT_FALSE(h.form.net.servers[2].inuse) << c.line;
        EXPECT_EQ(h.form.net.serverbynumber[1], 0) << c.line;
        EXPECT_TRUE(h.take().empty()) << c.line;
    }
}

TEST(ServerIntroduction, ALeafServerGetsTheNextSlotAndCarriesItsUsers) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x7fff);
    h.feed("AK S leaf.test 2 0 1796870000 J10 ALAA] + :Leaf server");
    const int32_t slot = h.form.net.serverbynumber[11];
    ASSERT_EQ(slot, 2);
    const tessel::tserver& leaf = h.form.net.servers[slot];
    EXPECT_EQ(leaf.name, "leaf.test");
    EXPECT_EQ(leaf.uplink, 1);
    EXPECT_EQ(leaf.mask, 63);
    EXPECT_EQ(log.messages(), Lines{"Server connection: leaf.test"});

    const int32_t u = h.adduser("carol", "ALAAC");
    ASSERT_NE(u, -1);
    EXPECT_EQ(h.form.user(u).server, slot);
    EXPECT_EQ(h.form.GETP10ID("ALAAC"), u);
}

// With all 127 slots taken the newcomer stays unknown, and so do its users.
TEST(ServerIntroduction, AFullServerTableRefusesTheServerAndItsUsers) {
    Harness h;
    for (int n = 2; n < 128; ++n) {
        const std::string numeric = tessel::encodenumeric(static_cast<uint32_t>(100 + n), 2);
        h.feed("AK S s" + std::to_string(n) + ".test 2 0 1 J10 " + numeric + "AA] + :x");
    }
    ASSERT_TRUE(h.form.net.servers[127].inuse);
    tesseltest::logcapture log(h.form, 0x7fff);
    h.feed("AK S last.test 2 0 1 J10 ]]AA] + :one too many");
    EXPECT_EQ(h.form.net.serverbynumber[4095], -1);
    EXPECT_EQ(h.adduser("dave", "]]AAA"), -1);
    EXPECT_EQ(startingwith(log.messages(), "Invalid: ").size(), 2u);
}

TEST(ServerQuit, AJupedServerOnlyLosesItsJupe) {
    Harness h;
    h.form.oper.jupes[3] = {true, "Juped.Test", "AZ", "no thanks"};
    h.feed("AK S juped.test 2 0 1 J10 AZAA] + :a real server of that name");
    h.feed("AK SQ JUPED.test 0 :gone");
    EXPECT_FALSE(h.form.oper.jupes[3].used);
    EXPECT_TRUE(h.form.net.servers[2].inuse);
    EXPECT_EQ(h.form.net.serverbynumber[tessel::decodenumeric("AZ")], 2);
}

TEST(ServerQuit, AServerLeavesWithEverythingBehindIt) {
    Harness h;
    tesseltest::logcapture log(h.form, 0x7fff);
    h.feed("AK S leaf.test 2 0 1 J10 ALAB] + :leaf");
    h.feed("AL S twig.test 3 0 1 J10 AMAB] + :behind the leaf");
    const int32_t carol = h.adduser("carol", "ALAAC");
    const int32_t dave = h.adduser("dave", "AMAAD");
    const int32_t alice = h.adduser("alice", "AKAAA");
    h.feed("AK SQ Leaf.Test 0 :net split");
    EXPECT_FALSE(h.form.net.users.valid(carol));
    EXPECT_FALSE(h.form.net.users.valid(dave));
    EXPECT_TRUE(h.form.net.users.valid(alice));
    EXPECT_EQ(h.form.net.serverbynumber[11], -1);
    EXPECT_EQ(h.form.net.serverbynumber[12], -1);
    EXPECT_EQ(startingwith(log.messages(), "Server quit: "),
              Lines{"Server quit: Leaf.Test net split"});
}

// hub.test (AK) - leaf (AL) - twig (AM) - bud (AN), and side (AO) on the
// hub. Leaf's split takes three levels of servers, their users and the
// channels only they were in; the freed numerics and nicks serve the
// servers and users that come back, in whatever slots they land.
TEST(ServerQuit, ADeepSplitFreesEverythingBehindForTheReturn) {
    Harness h;
    h.feed("AK S leaf.test 2 0 1 J10 ALAB] + :leaf");
    h.feed("AL S twig.test 3 0 1 J10 AMAB] + :behind the leaf");
    h.feed("AM S bud.test 4 0 1 J10 ANAB] + :behind the twig");
    h.feed("AK S side.test 2 0 1 J10 AOAB] + :beside the leaf");
    ASSERT_EQ(h.form.net.serverbynumber[tessel::decodenumeric("AN")], 4);
    const char* const users[] = {
        "AK N alice 1 1000 a host.example B]AAAB AKAAA :on the hub",
        "AL N bob 2 1000 b host.example B]AAAB ALAAA :on the leaf",
        "AM N carol 3 1000 c host.example B]AAAB AMAAB :on the twig",
        "AN N dave 4 1000 d host.example B]AAAB ANAAC :on the bud",
        "AO N erin 2 1000 e host.example B]AAAB AOAAD :on the side",
    };
    for (const char* line : users)
        h.feed(line);
    h.feed("AK B #shared 1000 AKAAA:o,ALAAA,ANAAC:v,AOAAD");
    h.feed("AK B #behind 1000 ALAAA,AMAAB,ANAAC");
    h.take();

    h.feed("AK SQ leaf.test 1796870000 :split");

    for (const char* s : {"AL", "AM", "AN"})
        EXPECT_EQ(h.form.net.serverbynumber[tessel::decodenumeric(s)], -1) << s;
    for (int32_t slot : {2, 3, 4})
        EXPECT_FALSE(h.form.net.servers[slot].inuse) << slot;
    EXPECT_EQ(h.form.net.serverbynumber[tessel::decodenumeric("AO")], 5);
    for (const char* gone : {"bob", "carol", "dave"})
        EXPECT_EQ(h.form.GETNICK(gone), -1) << gone;
    for (const char* numeric : {"ALAAA", "AMAAB", "ANAAC"})
        EXPECT_EQ(h.form.GETP10ID(numeric), -1) << numeric;
    EXPECT_EQ(h.form.GETCHANNAME("#behind"), -1);
    const int32_t shared = h.form.GETCHANNAME("#shared");
    ASSERT_NE(shared, -1);
    EXPECT_EQ(h.form.channel(shared).membercount, 2);
    // Lines from users who left with the split find nobody.
    h.feed("ANAAC J #ghost 1000");
    EXPECT_EQ(h.form.GETCHANNAME("#ghost"), -1);

    // The bud's numeric comes back first, in the lowest free slot, with a
    // smaller client capacity; the twig follows behind it.
    h.feed("AK S bud.test 2 0 1 J10 ANAA] + :back");
    h.feed("AN S twig.test 3 0 1 J10 AMAB] + :back behind the bud");
    const int32_t bud = h.form.net.serverbynumber[tessel::decodenumeric("AN")];
    const int32_t twig = h.form.net.serverbynumber[tessel::decodenumeric("AM")];
    EXPECT_EQ(bud, 2);
    EXPECT_EQ(twig, 3);
    EXPECT_EQ(h.form.net.servers[twig].uplink, bud);
    h.feed("AN N dave 2 1000 d host.example B]AAAB ANAAC :back");
    h.feed("AM N Carol 3 1000 c host.example B]AAAB AMAAB :back");
    const int32_t dave = h.form.GETP10ID("ANAAC");
    const int32_t carol = h.form.GETP10ID("AMAAB");
    ASSERT_NE(dave, -1);
    ASSERT_NE(carol, -1);
    EXPECT_EQ(h.form.GETNICK("dave"), dave);
    EXPECT_EQ(h.form.GETNICK("CAROL"), carol);
    EXPECT_EQ(h.form.user(dave).server, bud);
    EXPECT_EQ(h.form.user(carol).server, twig);
    h.feed("ANAAC J #shared 1000");
    EXPECT_EQ(h.form.channel(shared).membercount, 3);
    h.feed("AMAAB J #behind 1000");
    EXPECT_NE(h.form.GETCHANNAME("#behind"), -1);
    // No nick collision and no other complaint on the way.
    EXPECT_TRUE(startingwith(h.take(), "AB SQ").empty());

    // The second split takes the returned servers and users along as well.
    h.feed("AK SQ bud.test 1796870001 :again");
    EXPECT_EQ(h.form.GETNICK("dave"), -1);
    EXPECT_EQ(h.form.GETNICK("carol"), -1);
    EXPECT_EQ(h.form.GETCHANNAME("#behind"), -1);
    EXPECT_EQ(h.form.channel(shared).membercount, 2);
    EXPECT_GE(h.form.GETNICK("alice"), 0);
    EXPECT_GE(h.form.GETNICK("erin"), 0);
}

TEST(ServerQuit, TheServicesOwnServerStays) {
    Harness h;
    h.feed("AK SQ services.test 0 :go away");
    EXPECT_TRUE(h.form.net.servers[0].inuse);
    EXPECT_EQ(h.form.net.serverbynumber[1], 0);
}

} // namespace
