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

TEST(Handshake, UnacceptableServerLinesStopTheProcess) {
    const char* lines[] = {
        "SERVER hub.test 1 1796866409 1796869999 J10 AKAP]",                 // seven words
        "SERVER hub.test 1 1796866409 1796869999 J09 AKAP] +h6 :Old hub",    // protocol
        "SERVER hub.test 1 1796866409 1796869999 J10 ABAP] +h6 :Same as us", // our numeric
        "SERVER hub.test 1 1796866409 1796869999 J10 !!AP] +h6 :Garbled",    // no numeric
    };
    for (const char* line : lines) {
        Harness h;
        unlink(h);
        h.feed(line);
        EXPECT_EQ(h.terminations, 1) << line;
        EXPECT_EQ(h.form.link.linkstate, 1) << line;
        EXPECT_FALSE(h.form.net.servers[1].inuse) << line;
        EXPECT_TRUE(h.take().empty()) << line;
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

TEST(ServerIntroduction, OurOwnNumericStopsTheProcess) {
    Harness h;
    h.feed("AK S fake.test 2 0 1796870000 J10 ABAB] + :Pretends to be us");
    EXPECT_EQ(h.terminations, 1);
    EXPECT_EQ(h.form.net.serverbynumber[1], 0);
    EXPECT_FALSE(h.form.net.servers[2].inuse);
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
    EXPECT_EQ(h.terminations, 0);
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

TEST(ServerQuit, TheServicesOwnServerStays) {
    Harness h;
    h.feed("AK SQ services.test 0 :go away");
    EXPECT_TRUE(h.form.net.servers[0].inuse);
    EXPECT_EQ(h.form.net.serverbynumber[1], 0);
}

} // namespace
