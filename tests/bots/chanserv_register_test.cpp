#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/chanservfixture.h"
#include "engine/logcategories.h"
#include "state/tableops.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

const Lines kOverview = {
    "Chanserv allows you to own and control a channel and prevents it from being taken over, "
    "without the need for a bot.",
    "ChanServ commands",
    "===================================",
    "REGISTER    DROP        SET",
    "SOP         AOP         VOP",
    "OP          DEOP        INVITE",
    "LIST        INFO        HELP",
    "CLEAR       AKICK       KICK",
    "Use HELP <command> to get more help about a command"};

class ChanServRegister : public ChanServTest {};

} // namespace

TEST_F(ChanServRegister, HelpGivesTopicsAndTheOverviewForEverythingElse) {
    h.adduser("alice", "AKAAA");
    Lines overview = replies("AKAAA", kOverview);
    overview.push_back(
        reply("AKAAA", "A channel is automatically dropped if the owner does not join for 30 days."));
    for (const char* text : {"help", "help kick", "help opme", "help nosuch"})
        EXPECT_EQ(cs("AKAAA", text), overview) << text;
    h.form.cfg.chanexpire = 0;
    EXPECT_EQ(cs("AKAAA", "help"), replies("AKAAA", kOverview));

    h.form.cfg.channick = "CS";
    EXPECT_EQ(cs("AKAAA", "help invite"),
              replies("AKAAA", {"INVITE <channel>",
                                "Makes CS invite you to a channel. Useful if your channel is invite "
                                "only or you got accidentally banned. You need atleast VOP "
                                "privileges on the channel."}));
    EXPECT_EQ(cs("AKAAA", "HELP clear"),
              replies("AKAAA", {"CLEAR OP      Mass deop.", "CLEAR USER    Mass kick.",
                                "CLEAR MODE    Remove channel modes.",
                                "CLEAR BANS    Clear banlist."}));
    EXPECT_EQ(cs("AKAAA", "help drop"),
              replies("AKAAA", {"DROP <password>",
                                "Removes the channel from the database. The channel is no longer "
                                "registered to you, and it is available for other users to "
                                "register it. A channel is automatically dropped if the owner "
                                "does not join for 30 days."}));
    EXPECT_EQ(cs("AKAAA", "help op"),
              replies("AKAAA", {"OP <channel> <nick>", "Gives a user channel operator status. If "
                                                       "no nick is given, you are opped."}));
    // Every other topic starts with its own first line.
    const std::pair<const char*, const char*> firsts[] = {
        {"register", "REGISTER <channel> <password>"},
        {"set", "SET URL                 Set or change the URL (homepage address) of the channel"},
        {"aop", "an AOP user has channel operator status and is able to use the INVITE command."},
        {"sop", "a SOP user has channel operator status and is able to modify the AOP and the "
                "VOP list."},
        {"vop", "a VOP user has voice (ability to speak on a moderated channel) and can use the "
                "INVITE command."},
        {"akick", "Users matching the AKICK list are not allowed to join the channel."},
        {"deop", "DEOP <channel> <nick>"},
        {"info", "INFO <channel>"},
        {"list", "LIST <pattern> <number>"}};
    for (const auto& [topic, first] : firsts) {
        Lines sent = cs("AKAAA", std::string("help ") + topic);
        ASSERT_FALSE(sent.empty()) << topic;
        EXPECT_EQ(sent[0], reply("AKAAA", first)) << topic;
    }
    EXPECT_EQ(cs("AKAAA", "help set").size(), 10u);
}

TEST_F(ChanServRegister, UnknownCommandPointsAtHelp) {
    h.adduser("alice", "AKAAA");
    EXPECT_EQ(cs("AKAAA", "Frobnicate #c"),
              Lines{reply("AKAAA", "Unknown command: Frobnicate. Type /msg ChanServ HELP for a "
                                   "list of commands.")});
}

TEST_F(ChanServRegister, RegisterAnnouncesAndHoldsTheChannel) {
    const int32_t alice = identified("alice", "AKAAA");
    const int32_t chan = member("#Chan", alice, true);
    h.form.channel(chan).chants = 123456;
    h.form.channel(chan).topic = "the topic";
    const int32_t before = h.form.reg.chancount;

    EXPECT_EQ(cs("AKAAA", "register #chan Secret"),
              (Lines{chanserv("J #Chan"), "AB M #Chan +o ABAAA",
                     reply("AKAAA", "Channel #Chan has been registered, you are now the owner of "
                                    "the channel."),
                     chanserv("O #Chan :This channel has been registered by alice"),
                     chanserv("WA :Channel registration: #Chan by alice")}));
    tessel::Tchanserv* rec = chanrecord("#CHAN");
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->channel, "#Chan");
    EXPECT_EQ(rec->owner, "alice");
    EXPECT_EQ(rec->password, tessel::encodepass("Secret", true));
    EXPECT_EQ(rec->TS, 123456);
    EXPECT_EQ(rec->topic, "the topic");
    EXPECT_EQ(rec->regdate, h.form.clock.now);
    EXPECT_EQ(rec->lastdate, h.form.clock.now);
    EXPECT_EQ(rec->chanindex, chan);
    EXPECT_EQ(h.form.channel(chan).csindex, h.form.GETCS("#chan"));
    EXPECT_EQ(h.form.reg.chancount, before + 1);
    EXPECT_FALSE(rec->private_ || rec->strictop || rec->operop || rec->operonly);
    EXPECT_EQ(rec->mlockon + rec->mlockoff + rec->url + rec->welcome, "");

    // Without ChanServ in the channels, and with PRIVMSG as the channel token.
    h.form.cfg.umode = 2;
    h.form.cfg.msgcommand = "P";
    member("#two", alice, true);
    EXPECT_EQ(cs("AKAAA", "register #two pw"),
              (Lines{"ABAAA P AKAAA :Channel #two has been registered, you are now the owner of "
                     "the channel.",
                     chanserv("P #two :This channel has been registered by alice"),
                     chanserv("WA :Channel registration: #two by alice")}));
}

TEST_F(ChanServRegister, RegisterChecksInOrder) {
    const int32_t alice = identified("alice", "AKAAA");
    const int32_t oper = identified("oper", "AKAAO", "+o");
    const int32_t bob = h.adduser("bob", "AKAAB"); // not identified
    const int32_t carol = identified("carol", "AKAAC");
    const int32_t service = h.adduser("X", "AKAAX", "+k");
    for (int32_t u : {alice, oper, bob}) {
        member("#c", u, true);
        member("#svc", u, true);
    }
    member("#c", carol);
    member("#svc", service);
    member("#taken", alice, true);
    regchannel("#taken", "someone");

    const std::string full = "You have already own the maximum allowed number of channels.";
    struct Case {
        const char* from;
        const char* text;
        std::string answer;
    } cases[] = {
        {"AKAAA", "register #c", "Not enough parameters. Syntax is REGISTER <channel> <password>"},
        {"AKAAA", "register #Nowhere pw", "You are not in that channel #Nowhere"},
        {"AKAAA", "register #TAKEN pw", "channel #taken is already registered. You can't register it."},
        {"AKAAA", "register #svc pw", "channel #svc is already registered. You can't register it."},
        {"AKAAC", "register #c pw", "You must be channel operator in the channel to register it."},
        // Another service in the channel is tested before the sender's membership.
        {"AKAAC", "register #svc pw", "channel #svc is already registered. You can't register it."},
        {"AKAAB", "register #c pw",
         "You must have a registered nick and have identified to register a channel."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cs(c.from, c.text), Lines{reply(c.from, c.answer)}) << c.text;
    EXPECT_EQ(chanrecord("#c"), nullptr);

    // An IRC operator may register where another service sits.
    EXPECT_EQ(cs("AKAAO", "register #svc pw").size(), 5u);

    // Registration can be switched off for everybody but IRC operators.
    h.form.cfg.allowchanreg = false;
    EXPECT_EQ(cs("AKAAA", "register #nowhere pw"),
              Lines{reply("AKAAA", "Users can't register a channel.")});
    EXPECT_EQ(cs("AKAAO", "register #nowhere pw"),
              Lines{reply("AKAAO", "You are not in that channel #nowhere")});
    h.form.cfg.allowchanreg = true;

    // alice owns two channels (the default maximum); the operator is exempt.
    regchannel("#one", "ALICE");
    regchannel("#two", "alice");
    EXPECT_EQ(cs("AKAAA", "register #c pw"), Lines{reply("AKAAA", full)});
    regchannel("#three", "oper");
    regchannel("#four", "oper");
    EXPECT_EQ(cs("AKAAO", "register #c pw").size(), 5u);
    h.form.cfg.maxchanperuser = 0;
    member("#fresh", carol, true);
    EXPECT_EQ(cs("AKAAC", "register #fresh pw"), Lines{reply("AKAAC", full)});
}

TEST_F(ChanServRegister, RegisterIntoAFullTableCreatesNothing) {
    const int32_t alice = identified("alice", "AKAAA", "+o");
    member("#c", alice, true);
    auto& table = h.form.reg.chans;
    for (int32_t i = 0; i < table.capacity(); ++i) {
        tessel::newrecord(table, i);
        h.form.SETCS(i, "#r" + std::to_string(i));
    }
    const int32_t count = h.form.reg.chancount;
    EXPECT_EQ(cs("AKAAA", "register #c pw"),
              Lines{reply("AKAAA",
                          "The channel database is full. Channel #c could not be registered.")});
    EXPECT_EQ(h.form.GETCS("#c"), -1);
    EXPECT_EQ(h.form.reg.chancount, count);
    EXPECT_EQ(h.form.channel(h.form.GETCHANNAME("#c")).csindex, -1);
}

TEST_F(ChanServRegister, DropRefusalsChangeNothing) {
    const int32_t alice = identified("alice", "AKAAA");
    const int32_t plain = identified("plain", "AKAAP");
    member("#c", alice);
    member("#c", plain);
    regchannel("#c", "alice");
    struct Case {
        const char* from;
        const char* text;
        const char* answer;
    } cases[] = {
        {"AKAAA", "drop #c", "Not enough parameters. Syntax is DROP <channel> <password>"},
        {"AKAAA", "drop #Other pw", "Channel #Other is not registered."},
        {"AKAAP", "drop #c pw", "You must be the owner of the channel and have identified."},
        {"AKAAA", "drop #c PW", "password incorrect."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cs(c.from, c.text), Lines{reply(c.from, c.answer)}) << c.text;
    // The owner's nick without identification is not the owner.
    user(alice).identified = false;
    EXPECT_EQ(cs("AKAAA", "drop #c pw"),
              Lines{reply("AKAAA", "You must be the owner of the channel and have identified.")});
    EXPECT_NE(chanrecord("#c"), nullptr);
}

TEST_F(ChanServRegister, DropByTheOwnerIsAnnouncedButNotAnswered) {
    logcapture log(h.form, tessel::kLogAdmin);
    const int32_t alice = identified("alice", "AKAAA");
    const int32_t chan = member("#Chan", alice);
    regchannel("#chan", "alice");
    const int32_t count = h.form.reg.chancount;
    EXPECT_EQ(cs("AKAAA", "drop #CHAN pw"),
              (Lines{chanserv("O #chan :This channel has been dropped by alice. It is no longer "
                              "registered."),
                     chanserv("PART #chan")}));
    EXPECT_EQ(chanrecord("#chan"), nullptr);
    EXPECT_EQ(h.form.reg.chancount, count - 1);
    EXPECT_EQ(h.form.channel(chan).csindex, -1);
    EXPECT_TRUE(log.messages().empty());

    // A registration whose channel is not on the network goes quietly.
    regchannel("#gone", "alice");
    EXPECT_EQ(cs("AKAAA", "drop #gone pw"), Lines{});
    EXPECT_EQ(chanrecord("#gone"), nullptr);
}

TEST_F(ChanServRegister, DropByAServicesOperatorIsLogged) {
    logcapture log(h.form, tessel::kLogAdmin);
    h.form.cfg.soplist[0] = "boss";
    const int32_t boss = identified("boss", "AKAAS", "+o");
    ASSERT_TRUE(user(boss).servicesop);
    const int32_t chan = member("#c", boss);
    regchannel("#c", "alice");
    h.form.cfg.umode = 2;
    EXPECT_EQ(cs("AKAAS", "drop #c wrong"),
              Lines{chanserv("O #c :This channel has been dropped by boss. It is no longer "
                             "registered.")});
    EXPECT_EQ(log.messages(), Lines{"Admin: channel #c dropped by boss"});
    EXPECT_EQ(chanrecord("#c"), nullptr);
    EXPECT_TRUE(h.form.net.channels.valid(chan));
}

TEST_F(ChanServRegister, DroppingAChannelOnlyChanServHeldRemovesIt) {
    const int32_t alice = identified("alice", "AKAAA");
    const int32_t chan = member("#c", alice);
    regchannel("#c", "alice");
    h.feed("AKAAA L #c");
    ASSERT_TRUE(h.form.net.channels.valid(chan)); // held by ChanServ
    h.take();
    EXPECT_EQ(cs("AKAAA", "drop #c pw").size(), 2u);
    EXPECT_EQ(h.form.GETCHANNAME("#c"), -1);
}
