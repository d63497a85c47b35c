#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/chanservfixture.h"
#include "engine/logcategories.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

// #c is alice's, on the network; sam is on its SOP list, al on its AOP
// list, vic on its VOP list, bad on its AKICK list; plain and the service X
// sit in it too; out is online elsewhere. #gone is registered, not on the
// network. boss is a Services operator without access.
class ChanServCommands : public ChanServTest {
protected:
    void SetUp() override {
        h.form.cfg.soplist[0] = "boss";
        alice = identified("alice", "AKAAA");
        sam = identified("sam", "AKAAS");
        al = identified("al", "AKAAL");
        vic = identified("vic", "AKAAV");
        plain = identified("plain", "AKAAP");
        bad = h.adduser("bad", "AKAAK");
        service = h.adduser("X", "AKAAX", "+k");
        boss = identified("boss", "AKAAB", "+o");
        h.adduser("out", "AKAAO");
        for (int32_t u : {alice, sam, al, vic, plain, bad, service, boss})
            chan = member("#c", u, u == alice || u == service);
        for (const char* name : {"#c", "#gone"}) {
            tessel::Tchanserv& r = regchannel(name, "alice");
            r.lists[tessel::LIST_SOP].set(0, "sam");
            r.lists[tessel::LIST_AOP].set(0, "al");
            r.lists[tessel::LIST_VOP].set(0, "vic");
            r.lists[tessel::LIST_AKICK].set(0, "bad!*@*");
        }
    }
    struct Case {
        const char* from;
        const char* text;
        Lines sent;
    };
    void run(const std::vector<Case>& cases) {
        for (const auto& c : cases)
            EXPECT_EQ(cs(c.from, c.text), c.sent) << c.from << ": " << c.text;
    }
    int status(int32_t u) { return memberstatusof(h.form, chan, u); }
    int32_t alice = -1, sam = -1, al = -1, vic = -1, plain = -1, bad = -1, service = -1,
            boss = -1, chan = -1;
};

} // namespace

TEST_F(ChanServCommands, CommandsOnAChannelOffTheNetworkEndSilently) {
    for (const char* text : {"op #gone", "op #gone plain", "deop #gone alice", "kick #gone plain",
                             "clear #gone users", "clear #gone modes", "opme #gone"})
        EXPECT_EQ(cs("AKAAA", text), Lines{}) << text;
    // Even without the privilege, except where the privilege comes first.
    EXPECT_EQ(cs("AKAAP", "op #gone"), Lines{});
    EXPECT_EQ(cs("AKAAP", "deop #gone"), Lines{});
    EXPECT_EQ(cs("AKAAP", "kick #gone al"),
              Lines{reply("AKAAP", "Channel AOP privileges required.")});
}

TEST_F(ChanServCommands, OpRefusalsAndOps) {
    logcapture log(h.form, tessel::kLogAdmin);
    run({
        {"AKAAL", "op", {reply("AKAAL", "Not enough parameters. syntax is OP <channel> <nick>")}},
        {"AKAAL", "op #none al", {reply("AKAAL", "Channel #none is not registered.")}},
        {"AKAAV", "op #c", {reply("AKAAV", "AOP privileges on channel are required to use OP command.")}},
        {"AKAAK", "op #c", {reply("AKAAK", "AOP privileges on channel are required to use OP command.")}},
        {"AKAAL", "op #c Ghost", {reply("AKAAL", "No such nick: Ghost")}},
        {"AKAAL", "op #c OUT", {reply("AKAAL", "User out is not in channel #c")}},
        {"AKAAL", "op #c", {chanserv("O #c :al issued OP"), chanserv("M #c +o AKAAL")}},
        {"AKAAA", "op #C PLAIN", {chanserv("O #c :alice issued OP"), chanserv("M #c +o AKAAP")}},
    });
    EXPECT_EQ(status(al), tessel::kStatusOp);
    EXPECT_EQ(status(plain), tessel::kStatusOp);
    EXPECT_TRUE(log.messages().empty());

    // A Services operator may, logged before the target is looked at.
    run({{"AKAAB", "op #c ghost", {reply("AKAAB", "No such nick: ghost")}},
         {"AKAAB", "op #c", {chanserv("O #c :boss issued OP"), chanserv("M #c +o AKAAB")}}});
    EXPECT_EQ(log.messages(), (Lines{"Admin: boss uses chanserv OP on #c",
                                     "Admin: boss uses chanserv OP on #c"}));

    // STRICTOP refuses targets without the op level, whoever asks.
    chanrecord("#c")->strictop = true;
    run({{"AKAAA", "op #c vic", {reply("AKAAA", "This user cannot have ops on #c because of STRICTOP setting.")}},
         {"AKAAA", "op #c sam", {chanserv("O #c :alice issued OP"), chanserv("M #c +o AKAAS")}}});
    EXPECT_EQ(status(vic), 0);
}

TEST_F(ChanServCommands, DeopHasNoBypassAndSparesServices) {
    run({
        {"AKAAL", "deop", {reply("AKAAL", "Not enough parameters. syntax is DEOP <channel> <nick>")}},
        {"AKAAL", "deop #none", {reply("AKAAL", "Channel #none is not registered.")}},
        {"AKAAV", "deop #c alice", {reply("AKAAV", "AOP privileges on channel are required to use DEOP command.")}},
        {"AKAAB", "deop #c alice", {reply("AKAAB", "AOP privileges on channel are required to use DEOP command.")}},
        {"AKAAL", "deop #c nobody", {reply("AKAAL", "No such nick: nobody")}},
        {"AKAAL", "deop #c out", {reply("AKAAL", "User out is not in channel #c")}},
        {"AKAAL", "deop #c x", {reply("AKAAL", "X is a service")}},
        {"AKAAL", "deop #c Alice", {chanserv("O #c :al issued DEOP"), chanserv("M #c -o AKAAA")}},
        {"AKAAA", "deop #c", {chanserv("O #c :alice issued DEOP"), chanserv("M #c -o AKAAA")}},
    });
    EXPECT_EQ(status(alice), 0);
    EXPECT_EQ(status(service), tessel::kStatusOp);
}

TEST_F(ChanServCommands, OpmeOnOneOrEveryChannelWithoutAReply) {
    run({
        {"AKAAL", "opme #none", {reply("AKAAL", "Channel #none is not registered.")}},
        {"AKAAV", "opme #c", {reply("AKAAV", "You don't have AOP privileges on channel #c")}},
        {"AKAAB", "opme #c", {reply("AKAAB", "You don't have AOP privileges on channel #c")}},
        {"AKAAL", "opme #c", {chanserv("M #c +o AKAAL")}},
    });
    // Without a channel: every registered channel of the sender where it may be opped.
    member("#other", al);
    regchannel("#other", "someone");
    const int32_t d = member("#d", al);
    regchannel("#d", "someone").lists[tessel::LIST_AOP].set(3, "al");
    member("#unregistered", al);
    EXPECT_EQ(cs("AKAAL", "opme"), (Lines{chanserv("M #c +o AKAAL"), chanserv("M #d +o AKAAL")}));
    EXPECT_EQ(memberstatusof(h.form, d, al), tessel::kStatusOp);
}

TEST_F(ChanServCommands, InviteNeedsVopAndNotTheLiveChannel) {
    run({
        {"AKAAV", "invite", {reply("AKAAV", "Not enough parameters. syntax is INVITE <channel>")}},
        {"AKAAV", "invite #none", {reply("AKAAV", "Channel #none is not registered.")}},
        {"AKAAP", "invite #c", {reply("AKAAP", "No privileges on channel #c")}},
        {"AKAAK", "invite #c", {reply("AKAAK", "No privileges on channel #c")}},
        {"AKAAB", "invite #c", {reply("AKAAB", "No privileges on channel #c")}},
        {"AKAAV", "invite #C", {chanserv("INVITE vic #c")}},
        {"AKAAV", "invite #gone", {chanserv("INVITE vic #gone")}},
    });
}

TEST_F(ChanServCommands, KickSendsAndFollowsTheKick) {
    run({
        {"AKAAL", "kick #c", {reply("AKAAL", "Not enough parameters. Syntax is KICK <channel> <nick>")}},
        {"AKAAL", "kick #none plain", {reply("AKAAL", "Channel #none is not registered.")}},
        {"AKAAV", "kick #c plain", {reply("AKAAV", "Channel AOP privileges required.")}},
        {"AKAAL", "kick #c ghost", {reply("AKAAL", "No such nick.")}},
        {"AKAAL", "kick #c x", {reply("AKAAL", "X is a service")}},
        {"AKAAL", "kick #c out", {}},
        {"AKAAL", "kick #c plain", {chanserv("K #c AKAAP :al")}},
        {"AKAAL", "kick #c vic  go away :now", {chanserv("K #c AKAAV :(al) go away now")}},
        {"AKAAB", "kick #c bad", {chanserv("K #c AKAAK :boss")}},
    });
    for (int32_t u : {plain, vic, bad})
        EXPECT_EQ(status(u), -1);
    EXPECT_EQ(h.form.channel(chan).membercount, 5);
}

TEST_F(ChanServCommands, ClearRefusals) {
    run({
        {"AKAAS", "clear #c", {reply("AKAAS", "Not enough parameters. Syntax is CLEAR <channel> <option>")}},
        {"AKAAS", "clear #none ops", {reply("AKAAS", "Channel #none is not registered.")}},
        {"AKAAS", "clear #c foo", {reply("AKAAS", "Invalid parameters. /msg ChanServ HELP CLEAR for more information")}},
        {"AKAAP", "clear #c foo", {reply("AKAAP", "Invalid parameters. /msg ChanServ HELP CLEAR for more information")}},
        {"AKAAL", "clear #c users", {reply("AKAAL", "Channel SOP privileges required.")}},
        {"AKAAL", "clear #c OPS", {reply("AKAAL", "Channel SOP privileges required.")}},
        {"AKAAV", "clear #c modes", {reply("AKAAV", "Channel AOP privileges required.")}},
        {"AKAAV", "clear #c bans", {reply("AKAAV", "Channel AOP privileges required.")}},
    });
}

TEST_F(ChanServCommands, ClearModeDropsEverySetModeWithTheKey) {
    h.form.cfg.msgcommand = "P"; // CLEAR's notice keeps NOTICE
    tessel::Tchannel& c = h.form.channel(chan);
    c.key = "Sekrit";
    c.cmode_m = c.cmode_n = c.cmode_t = true;
    run({{"AKAAL", "clear #c MODES",
          {chanserv("O #c :al issued CLEAR MODE"), chanserv("M #c -km Sekrit")}}});
    EXPECT_TRUE(c.key.empty());
    EXPECT_FALSE(c.cmode_m);
    EXPECT_TRUE(c.cmode_n && c.cmode_t);

    c.limit = 5;
    c.cmode_i = c.cmode_s = c.cmode_p = true;
    run({{"AKAAL", "clear #c mode", {chanserv("O #c :al issued CLEAR MODE"), chanserv("M #c -lisp")}},
         {"AKAAL", "clear #c mode", {chanserv("O #c :al issued CLEAR MODE")}}});
    EXPECT_EQ(c.limit, 0);
    EXPECT_FALSE(c.cmode_i || c.cmode_s || c.cmode_p);
}

TEST_F(ChanServCommands, ClearBansAndOps) {
    tessel::Tchannel& c = h.form.channel(chan);
    c.bans.set(0, "*!*@one");
    c.bans.set(7, "two!*@*");
    run({{"AKAAB", "clear #c bans",
          {chanserv("O #c :boss issued CLEAR BAN"), chanserv("M #c -bb *!*@one two!*@*")}}});
    EXPECT_EQ(c.bans[0] + c.bans[7], "");

    c.memberstatus.set(2, tessel::kStatusOp | tessel::kStatusVoice); // al
    run({{"AKAAS", "clear #c op",
          {chanserv("O #c :sam issued CLEAR OP"), chanserv("M #c -ooo AKAAA AKAAL AKAAX")}}});
    EXPECT_EQ(status(alice), 0);
    EXPECT_EQ(status(al), tessel::kStatusVoice);
    EXPECT_EQ(status(service), 0);
}

TEST_F(ChanServCommands, ClearUserKicksEveryoneTheSenderAndServicesToo) {
    Lines expected{chanserv("O #c :sam issued CLEAR USER")};
    for (const char* n : {"AKAAA", "AKAAS", "AKAAL", "AKAAV", "AKAAP", "AKAAK", "AKAAX", "AKAAB"})
        expected.push_back(chanserv(std::string("K #c ") + n + " :Mass kick by sam"));
    EXPECT_EQ(cs("AKAAS", "clear #c USERS"), expected);
    // ChanServ holds the registered channel, now without members.
    ASSERT_TRUE(h.form.net.channels.valid(chan));
    EXPECT_EQ(h.form.channel(chan).membercount, 0);
    EXPECT_EQ(status(sam), -1);

    // Unheld, the channel goes with its last member and the loop stops there.
    h.form.cfg.umode = 2;
    const int32_t other = member("#c2", plain);
    member("#c2", sam);
    regchannel("#c2", "alice").lists[tessel::LIST_SOP].set(0, "sam");
    EXPECT_EQ(cs("AKAAS", "clear #c2 user"),
              (Lines{chanserv("O #c2 :sam issued CLEAR USER"),
                     chanserv("K #c2 AKAAP :Mass kick by sam"),
                     chanserv("K #c2 AKAAS :Mass kick by sam")}));
    EXPECT_FALSE(h.form.net.channels.valid(other));
}
