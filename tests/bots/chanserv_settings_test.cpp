#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/chanservfixture.h"
#include "engine/logcategories.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

const std::string kNoPrivileges =
    "Access denied. No privileges for this channel. Try /msg NickServ IDENTIFY <password>";

// alice owns #c; sam is on its SOP list, al on its AOP list.
class ChanServSettings : public ChanServTest {
protected:
    void SetUp() override {
        alice = identified("alice", "AKAAA");
        sam = identified("sam", "AKAAS");
        al = identified("al", "AKAAL");
        for (int32_t u : {alice, sam, al})
            chan = member("#c", u);
        tessel::Tchanserv& rec = regchannel("#c", "alice");
        rec.lists[tessel::LIST_SOP].set(0, "sam");
        rec.lists[tessel::LIST_AOP].set(0, "al");
    }
    tessel::Tchanserv& rec() { return *chanrecord("#c"); }
    int32_t alice = -1, sam = -1, al = -1, chan = -1;
};

} // namespace

TEST_F(ChanServSettings, RefusalsComeInOrder) {
    h.adduser("nobody", "AKAAN");
    struct Case {
        const char* from;
        const char* text;
        std::string answer;
    } cases[] = {
        {"AKAAN", "set #c", "Not enough parameters. Syntax is SET <channel> <options>, use HELP "
                            "SET for the list of options."},
        {"AKAAN", "set #none url x", "Channel #none is not registered."},
        {"AKAAN", "set #c colour blue", "Invalid parameters. Syntax is SET <option>. Type /msg "
                                        "ChanServ HELP SET for a list of valid options."},
        {"AKAAL", "set #c modelock +s", kNoPrivileges},
        {"AKAAL", "set #c url x", kNoPrivileges},
        {"AKAAL", "set #c private on", kNoPrivileges},
        {"AKAAL", "set #c strictop", kNoPrivileges},
        {"AKAAL", "set #c operop on", kNoPrivileges},
        {"AKAAL", "set #c operonly on", kNoPrivileges},
        {"AKAAL", "set #c welcome hi", kNoPrivileges},
        {"AKAAS", "set #c password pw new", kNoPrivileges},
        {"AKAAS", "set #c founder sam",
         "You must be the owner of the channel and have identified to use this command."},
        {"AKAAS", "set #c owner sam",
         "You must be the owner of the channel and have identified to use this command."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cs(c.from, c.text), Lines{reply(c.from, c.answer)}) << c.text;
    EXPECT_EQ(rec().url, "");
    EXPECT_EQ(rec().owner, "alice");
    EXPECT_FALSE(rec().strictop);
}

TEST_F(ChanServSettings, OnOffOptionsToggleWithoutAWordAndIgnoreOtherWords) {
    struct Case {
        const char* text;
        Lines sent;
        bool priv, strict, operop, operonly;
    } cases[] = {
        {"set #c private", {reply("AKAAS", "Channel #c is now private")}, true, 0, 0, 0},
        {"set #c private ON", {}, true, 0, 0, 0},
        {"set #c PRIVATE off", {reply("AKAAS", "Channel #c is no longer private")}, 0, 0, 0, 0},
        {"set #c private yes", {}, 0, 0, 0, 0},
        {"set #c operop on", {chanserv("O #c :OPEROP set to ON by sam")}, 0, 0, true, 0},
        {"set #c operop", {chanserv("O #c :OPEROP set to OFF by sam")}, 0, 0, 0, 0},
        {"set #c operonly", {chanserv("O #c :OPERONLY set to ON by sam")}, 0, 0, 0, true},
        {"set #c operonly maybe", {}, 0, 0, 0, true},
        {"set #c operonly off", {chanserv("O #c :OPERONLY set to OFF by sam")}, 0, 0, 0, 0},
        {"set #c strictop YES", {}, 0, 0, 0, 0},
        {"set #c strictop", {chanserv("O #c :STRICTOP set to ON by sam")}, 0, true, 0, 0},
        {"set #c strictop off", {chanserv("O #c :STRICTOP set to OFF by sam")}, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cs("AKAAS", c.text), c.sent) << c.text;
        EXPECT_EQ(rec().private_, c.priv) << c.text;
        EXPECT_EQ(rec().strictop, c.strict) << c.text;
        EXPECT_EQ(rec().operop, c.operop) << c.text;
        EXPECT_EQ(rec().operonly, c.operonly) << c.text;
    }
}

TEST_F(ChanServSettings, StrictopDeopsTheOpsWithoutRightsButNotServices) {
    const int32_t plain = h.adduser("plain", "AKAAP");
    const int32_t service = h.adduser("X", "AKAAX", "+k");
    member("#c", plain, true);
    member("#c", service, true);
    h.form.channel(chan).memberstatus.set(2, tessel::kStatusOp); // al, on the AOP list
    h.form.cfg.msgcommand = "P";
    EXPECT_EQ(cs("AKAAA", "set #c strictop on"),
              (Lines{chanserv("P #c :STRICTOP set to ON by alice"), chanserv("M #c -o AKAAP")}));
    EXPECT_EQ(memberstatusof(h.form, chan, plain), 0);
    EXPECT_EQ(memberstatusof(h.form, chan, service), tessel::kStatusOp);
    EXPECT_EQ(memberstatusof(h.form, chan, al), tessel::kStatusOp);
}

TEST_F(ChanServSettings, ModelockUrlAndWelcome) {
    EXPECT_EQ(cs("AKAAS", "set #c modelock +nt-sK"),
              Lines{reply("AKAAS", "The ModeLock of #c has been changed.")});
    EXPECT_EQ(rec().mlockon, "nt");
    EXPECT_EQ(rec().mlockoff, "sK");
    EXPECT_EQ(cs("AKAAS", "set #c url HTTP://Example.org/x"),
              Lines{reply("AKAAS", "The URL information of #c has been changed.")});
    EXPECT_EQ(rec().url, "HTTP://Example.org/x");
    EXPECT_EQ(cs("AKAAS", "set #c url"),
              Lines{reply("AKAAS", "The URL information of #c has been changed.")});
    EXPECT_EQ(rec().url, "");

    EXPECT_EQ(cs("AKAAS", "set #c welcome  Hello   there :friend"),
              Lines{reply("AKAAS", "Welcome message for #c has been changed.")});
    EXPECT_EQ(rec().welcome, "Hello there friend");
    EXPECT_EQ(cs("AKAAS", "set #c welcome"),
              Lines{reply("AKAAS", "Welcome message for #c has been cleared.")});
    EXPECT_EQ(rec().welcome, "");
}

TEST_F(ChanServSettings, PasswordNeedsTheOldOneFromEverybody) {
    h.form.cfg.soplist[0] = "boss";
    identified("boss", "AKAAB", "+o");
    const std::string changed = "The password of #c has been changed.";
    struct Case {
        const char* from;
        const char* text;
        std::string answer;
        const char* password; // stored afterwards
    } cases[] = {
        {"AKAAA", "set #c password PW new", "Password incorrect", "pw"},
        {"AKAAA", "set #c password pw",
         "Not enough parameters. syntax is SET <channel> PASSWORD <oldpass> <newpass>", "pw"},
        {"AKAAA", "set #c password pw New", changed, "New"},
        {"AKAAB", "set #c password pw other", "Password incorrect", "New"},
        {"AKAAB", "set #c password New other", changed, "other"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cs(c.from, c.text), Lines{reply(c.from, c.answer)}) << c.text;
        EXPECT_EQ(rec().password, tessel::encodepass(c.password, true)) << c.text;
    }
}

TEST_F(ChanServSettings, FounderHandsTheChannelToAnIdentifiedUser) {
    logcapture log(h.form, tessel::kLogAdmin);
    h.adduser("stranger", "AKAAZ"); // online, not identified
    EXPECT_EQ(cs("AKAAA", "set #c founder stranger"),
              Lines{reply("AKAAA", "The target user is not online or has not identified.")});
    EXPECT_EQ(cs("AKAAA", "set #c founder ghost"),
              Lines{reply("AKAAA", "The target user is not online or has not identified.")});
    EXPECT_EQ(cs("AKAAA", "set #c founder SAM"),
              (Lines{reply("AKAAA", "sam is now owner of #c"),
                     chanserv("O AKAAS :alice has given you ownership of channel #c")}));
    EXPECT_EQ(rec().owner, "sam");
    EXPECT_TRUE(log.messages().empty());

    // A Services operator may do it too, logged; the target's PRIVMSG wish holds.
    h.form.cfg.soplist[0] = "boss";
    identified("boss", "AKAAB", "+o");
    h.form.nickreg(user(al).nsindex).privmsg = true;
    EXPECT_EQ(cs("AKAAB", "set #c owner al"),
              (Lines{reply("AKAAB", "al is now owner of #c"),
                     chanserv("P AKAAL :boss has given you ownership of channel #c")}));
    EXPECT_EQ(rec().owner, "al");
    EXPECT_EQ(log.messages(), Lines{"Admin: channel #c owner changed to al"});
}
