#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/chanservfixture.h"
#include "registry/timetext.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

class ChanServInfo : public ChanServTest {
protected:
    std::string ago(int32_t when) {
        return tessel::durationtext(int64_t{h.form.clock.now} - when) + " ago";
    }
};

} // namespace

TEST_F(ChanServInfo, ShowsEveryLabelInOrder) {
    h.adduser("asker", "AKAAQ");
    tessel::Tchanserv& rec = regchannel("#Chan", "Owner");
    rec.regdate = h.form.clock.now - 90061;
    rec.lastdate = h.form.clock.now - 59;
    rec.url = "http://chan.example";
    rec.topic = "Our topic";
    rec.welcome = "Welcome!";
    rec.private_ = rec.strictop = rec.operop = rec.operonly = true;
    rec.mlockon = "nt";
    rec.mlockoff = "sk";
    const Lines full = replies("AKAAQ", {"Information about #Chan", "      URL: http://chan.example",
                                         "     Owner: Owner", " Last seen: " + ago(rec.lastdate),
                                         "     Topic: Our topic", "   Welcome: Welcome!",
                                         "Registered: " + ago(rec.regdate),
                                         "   Options: Private, StrictOp, OperOp, OperOnly",
                                         "  ModeLock: +nt-sk"});
    EXPECT_EQ(cs("AKAAQ", "info #chan"), full);

    // The optional lines go, the topic line stays even when empty.
    rec.url = rec.welcome = rec.topic = rec.mlockon = "";
    rec.strictop = rec.operonly = false;
    rec.ownerpresent = true;
    const Lines lean = replies("AKAAQ", {"Information about #Chan", "     Owner: Owner",
                                         " Is currently in the channel", "     Topic: ",
                                         "Registered: " + ago(rec.regdate),
                                         "   Options: Private, OperOp", "  ModeLock: -sk"});
    EXPECT_EQ(cs("AKAAQ", "info #CHAN"), lean);
}

TEST_F(ChanServInfo, SecretChannelsAnswerOnlyToTheirUsersAndOperators) {
    const int32_t plain = h.adduser("plain", "AKAAP");
    const int32_t vop = identified("vop", "AKAAV");
    const int32_t oper = h.adduser("oper", "AKAAO", "+o");
    int32_t chan = -1;
    for (int32_t u : {plain, vop, oper})
        chan = member("#s", u);
    regchannel("#s", "owner").lists[tessel::LIST_VOP].set(0, "vop");
    h.form.channel(chan).cmode_s = true;

    EXPECT_EQ(cs("AKAAP", "info"),
              Lines{reply("AKAAP", "Not enough parameters. Syntax is INFO <channel>")});
    EXPECT_EQ(cs("AKAAP", "info #None"), Lines{reply("AKAAP", "No such registered channel: #None")});
    EXPECT_EQ(cs("AKAAP", "info #S"),
              Lines{reply("AKAAP", "No information available about channel: #S")});
    EXPECT_EQ(cs("AKAAV", "info #s")[0], reply("AKAAV", "Information about #s"));
    EXPECT_EQ(cs("AKAAO", "info #s")[0], reply("AKAAO", "Information about #s"));
    // Not secret: everybody may look.
    h.form.channel(chan).cmode_s = false;
    EXPECT_EQ(cs("AKAAP", "info #s")[0], reply("AKAAP", "Information about #s"));
}

TEST_F(ChanServInfo, ListOrdersByNameAndHidesChannelsOnlyWhileTheyAreOnTheNetwork) {
    const int32_t plain = h.adduser("plain", "AKAAP");
    h.form.cfg.soplist[0] = "boss";
    identified("boss", "AKAAB", "+o");
    for (const char* name : {"#b", "#secret", "#private", "#hidden"})
        member(name, plain);
    for (const char* name : {"#b", "#Away", "#secret", "#private", "#hidden", "#c", "#other"})
        regchannel(name, "owner").topic = std::string("topic of ") + name;
    chanrecord("#Away")->private_ = true; // private, but not on the network
    chanrecord("#private")->private_ = true;
    h.form.channel(h.form.GETCHANNAME("#secret")).cmode_s = true;
    h.form.channel(h.form.GETCHANNAME("#hidden")).cmode_p = true;

    auto line = [](const std::string& name) {
        std::string l = "    " + name + " ";
        l.resize(32, ' ');
        return l + "topic of " + name;
    };
    EXPECT_EQ(cs("AKAAP", "list #* 50"),
              replies("AKAAP", {line("#Away"), line("#b"), line("#c"), line("#other"),
                                "End of list - 4/4 matches shown."}));
    EXPECT_EQ(cs("AKAAB", "list #* 50"),
              replies("AKAAB", {line("#Away"), line("#b"), line("#c"), line("#hidden"),
                                line("#other"), line("#private"), line("#secret"),
                                "End of list - 7/7 matches shown."}));
    EXPECT_EQ(cs("AKAAP", "list #?  2"),
              replies("AKAAP", {line("#b"), line("#c"), "End of list - 2/2 matches shown."}));
}

TEST_F(ChanServInfo, ListMaxRules) {
    h.adduser("plain", "AKAAP");
    for (int i = 0; i < 120; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "#%03d", 119 - i); // registered in descending order
        regchannel(name, "owner");
    }
    auto first = [](const std::string& name) {
        std::string l = "    " + name + " ";
        l.resize(32, ' ');
        return l;
    };
    EXPECT_EQ(cs("AKAAP", "list #*"),
              replies("AKAAP", {"Syntax: LIST <pattern> [max]",
                                "Type /msg ChanServ HELP LIST for more information."}));
    struct Case {
        const char* max;
        size_t lines;
        const char* end;
    } cases[] = {
        {"0", 1, "End of list - 1/120 matches shown."},
        {"1000", 1, "End of list - 1/120 matches shown."}, // four digits: unreadable
        {"x", 1, "End of list - 1/120 matches shown."},
        {"3", 3, "End of list - 3/120 matches shown."},
        {"500", 100, "End of list - 100/120 matches shown."},
    };
    for (const auto& c : cases) {
        Lines sent = cs("AKAAP", std::string("list * ") + c.max);
        ASSERT_EQ(sent.size(), c.lines + 1) << c.max;
        EXPECT_EQ(sent.front(), reply("AKAAP", first("#000"))) << c.max;
        EXPECT_EQ(sent.back(), reply("AKAAP", c.end)) << c.max;
    }
    Lines hundred = cs("AKAAP", "list * 100");
    ASSERT_EQ(hundred.size(), 101u);
    EXPECT_EQ(hundred[99], reply("AKAAP", first("#099")));
}
