// The daemon as a process linking to a hub that replays traffic shaped like a
// real ircu hub's: the handshake, both bursts and what the services do with
// the network they learn from the hub's burst, all seen on the wire.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <string>
#include <vector>

#include "support/daemon.h"
#include "support/scriptedhub.h"

namespace {

using tesseltest::DaemonDir;
using tesseltest::ScriptedHub;
using Lines = std::vector<std::string>;

// Deadline for anything the daemon does at once; not a statement about speed.
constexpr int kWait = 30;

// The hub's half of the handshake and its burst, as an ircu 2.10.12 hub sent
// them: five users (one over IPv6, one with the nick characters that case-map),
// channels with modes, keys, limits, op levels, statuses and bans.
const char* const kHubServer =
    "SERVER hub.test 1 1796866409 1796870009 J10 AKAP] +h6 :Test P10 hub";
const Lines kHubBurst = {
    "AK N alice 1 1796869971 ~alice 127.0.0.1 +owg B]AAAB AKAAA :Alice Oper",
    "AK N [b0b]{x}|^ 1 1796869971 ~bob 127.0.0.1 B]AAAB AKAAB :Bob Special",
    "AK N carol 1 1796869972 ~carol 127.0.0.1 +i B]AAAB AKAAC :Carol",
    "AK N dave 1 1796869972 ~dave 127.0.0.1 B]AAAB AKAAD :Dave",
    "AK N eve 1 1796869972 ~eve 0::1 +x AAAAAA AKAAE :Eve over IPv6",
    "AK B #bans 1796870004 +m AKAAA:o :%*!*@*.three.example *!*@10.0.0.* *!baduser@* nick3!*@* "
    "*!*@two.example *!*@one.example",
    "AK B #apass 1796869997 +AU adminpass userpass AKAAD:0",
    "AK B #secret 1796869994 +pmi AKAAC:o",
    "AK B #limited 1796869990 +l 10 AKAAC:v,AKAAB:o",
    "AK B #test 1796869979 +tnk sekrit AKAAE,AKAAD,AKAAB:v,AKAAA:o,AKAAC:vo :%*!*@evil.example "
    "*!*@bad.example",
};

// What the services introduce with the default settings, no jupes and no
// registered channels: nothing else, in this order.
const Lines kServicesBurst = {
    "AB N ChanServ 1 1 service services.test +kd AAAAAA ABAAA :/msg ChanServ help",
    "AB N NickServ 1 1 service services.test +kd AAAAAA ABAAB :/msg NickServ help",
    "AB N MemoServ 1 1 service services.test +kd AAAAAA ABAAC :/msg MemoServ help",
    "AB N OperServ 1 1 service services.test +okd AAAAAA ABAAD :IRC Operator service",
    "AB B #OperServ 1796866409 +ntsi ABAAD:o",
    "AB EB",
};

class HubLink : public testing::Test {
protected:
    DaemonDir dir;
    ScriptedHub hub;
    pid_t pid = -1;

    // Registered nicks held by users of the hub's burst; recent enough to
    // survive the expiry pass at start. carol is recognised by her access
    // mask, bob's nick is registered in its upper-case mapping, dave comes
    // back with the nick time stamp and mask of his last identification.
    void SetUp() override {
        const std::string recent = std::to_string(std::time(nullptr));
        dir.write("nickserv.db", "nick=carol\nlastdate=" + recent +
                                     "\naccess=*@127.0.0.1 \n\n"
                                     "nick=[B0B][X]\\^\nlastdate=" +
                                     recent +
                                     "\naccess=\n\n"
                                     "nick=dave\nlastdate=" +
                                     recent +
                                     "\nTS=1796869972\nlastmask=dave!~dave@127.0.0.1\naccess=\n");
        dir.write("operserv.db", "BootTime=1796866409\n");
        dir.write("tesselsv.ini",
                  "CONNECTADDR=127.0.0.1\nCONNECTPORT=" + std::to_string(hub.port()) +
                      "\nCONNECTPASS=linkpass\nSERVERNAME=services.test\n"
                      "SERVHOST=services.test\nSERVERID=1\n");
        pid = dir.start({"foreground"});
    }

    void TearDown() override {
        if (pid > 0 && tesseltest::processalive(pid)) {
            ::kill(pid, SIGTERM);
            EXPECT_EQ(dir.waitexit(pid, kWait), 0);
        }
    }

    bool sees(const std::string& line) {
        return hub.readuntil([&](const std::string& l) { return l == line; }, kWait).has_value();
    }

    // Lines received from now until the answer to a ping, that answer excluded.
    Lines untilpingreply(const std::string& token) {
        const size_t from = hub.received.size();
        hub.send("AK G !" + token + " services.test " + token);
        const std::string reply = "AB Z services.test :" + token;
        EXPECT_TRUE(sees(reply)) << "no answer to the ping " << token;
        Lines lines(hub.received.begin() + static_cast<std::ptrdiff_t>(from), hub.received.end());
        if (!lines.empty() && lines.back() == reply) lines.pop_back();
        return lines;
    }

    static bool contains(const Lines& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(HubLink, BurstsBothWaysAndFollowsTheHubsNetwork) {
    ASSERT_TRUE(hub.accept(kWait));
    ASSERT_TRUE(hub.readuntilprefix("SERVER ", kWait));
    hub.send("PASS :linkpass");
    hub.send(kHubServer);
    ASSERT_TRUE(hub.readuntilprefix("AB EB", kWait));
    ASSERT_GE(hub.received.size(), 2u);
    EXPECT_EQ(Lines(hub.received.begin() + 2, hub.received.end()), kServicesBurst);

    // The hub's burst. Users holding registered nicks are dealt with as they
    // arrive; end-of-burst markers from anything but the uplink's exact
    // numeric are not acknowledged.
    for (const std::string& line : kHubBurst)
        hub.send(line);
    const Lines wrongends = {"Ak EB ", "ak eb ", "AL EB ", "AKAAA EB "};
    for (const std::string& line : wrongends)
        hub.send(line);
    const Lines during = untilpingreply("1796870010.1");
    EXPECT_FALSE(contains(during, "AB EA"));
    const Lines warnings = {
        "ABAAB O AKAAB :This nick is owned by someone else. Please choose another.",
        "ABAAB O AKAAC :This nick is owned by someone else. Please choose another.",
        "ABAAB O AKAAC :If this is your nick, type: /msg NickServ IDENTIFY <password>",
        "ABAAB O AKAAD :You are recognised and identified",
    };
    for (const std::string& line : warnings)
        EXPECT_TRUE(contains(during, line)) << line;
    for (const char* numeric : {"AKAAA", "AKAAE"})
        for (const std::string& line : during)
            EXPECT_EQ(line.find(numeric), std::string::npos) << line;

    hub.send("AK EB ");
    EXPECT_TRUE(sees("AB EA"));
    hub.send("AK EA ");

    // Server queries from users of the burst.
    hub.send("AKAAA V :AB");
    EXPECT_TRUE(sees("AB 351 AKAAA tessrv1.2.1.linux.gen services.test :tessel old IRC services"));
    hub.send("AKAAE MO AB");
    ASSERT_TRUE(sees("AB 376 AKAAE :End of /MOTD command"));
    EXPECT_TRUE(
        contains(hub.received, "AB 372 AKAAE :- 3 registered nicks, 0 registered channels"));

    // The burst's users are in the picture under their case-mapped nicks: a
    // second eve is a collision, and the services break their own link.
    const std::string impostor = "AK N EVE 1 1796870100 ~x 127.0.0.1 B]AAAB AKAAF :Impostor";
    hub.send(impostor);
    EXPECT_TRUE(sees("AB SQ hub.test 0 :Invalid: nick collision: " + impostor));
}

} // namespace
