#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/chanservfixture.h"
#include "engine/logcategories.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

// alice owns #c; sam is on its SOP list, vic on its VOP list, bad on its
// AKICK list (by mask); plain has no access.
class ChanServLists : public ChanServTest {
protected:
    void SetUp() override {
        identified("alice", "AKAAA");
        identified("sam", "AKAAS");
        identified("vic", "AKAAV");
        identified("plain", "AKAAP");
        h.adduser("bad", "AKAAK");
        tessel::Tchanserv& r = regchannel("#c", "alice");
        r.lists[tessel::LIST_SOP].set(0, "sam");
        r.lists[tessel::LIST_VOP].set(0, "vic");
        r.lists[tessel::LIST_AKICK].set(0, "bad!*@*");
    }
    tessel::Tchanserv& rec() { return *chanrecord("#c"); }
    const std::string& entry(tessel::chanlist list, int slot) { return rec().lists[list][slot]; }
};

} // namespace

TEST_F(ChanServLists, RefusalsComeInOrderAndChangeNothing) {
    h.adduser("oper", "AKAAO", "+o");
    struct Case {
        const char* from;
        const char* text;
        std::string answer;
    } cases[] = {
        {"AKAAP", "aop #c", "Not enough parameters. /msg ChanServ help AOP for more information."},
        {"AKAAP", "akick", "Not enough parameters. /msg ChanServ help AKICK for more information."},
        {"AKAAA", "akick #none list", "Channel #none is not registered."},
        {"AKAAP", "aop #c add", "Not enough parameters. Syntax is AOP <channel> ADD <nick|mask>"},
        {"AKAAP", "vop #c del",
         "Not enough parameters. Syntax is VOP <channel> DEL <nick|mask|number>"},
        {"AKAAS", "sop #c add x", "You don't have privileges to modify the SOP list of #c"},
        {"AKAAS", "sop #c del sam", "You don't have privileges to modify the SOP list of #c"},
        {"AKAAV", "aop #c add x", "You don't have privileges to modify the AOP list of #c"},
        {"AKAAV", "vop #c add x", "You don't have privileges to modify the VOP list of #c"},
        {"AKAAV", "akick #c del bad!*@*", "You don't have privileges to modify the AKICK list of #c"},
        {"AKAAO", "aop #c add x", "You don't have privileges to modify the AOP list of #c"},
        {"AKAAP", "aop #c list", "VOP access required to view AOP list"},
        {"AKAAP", "sop #c anything", "VOP access required to view SOP list"},
        // The AKICK-listed user sees nothing, unless an IRC operator.
        {"AKAAK", "akick #c list", "VOP access required to view AKICK list"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cs(c.from, c.text), Lines{reply(c.from, c.answer)}) << c.text;
    EXPECT_EQ(entry(tessel::LIST_SOP, 0), "sam");
    EXPECT_EQ(entry(tessel::LIST_AKICK, 0), "bad!*@*");
    EXPECT_EQ(entry(tessel::LIST_AOP, 0), "");

    user(h.form.GETNICK("bad")).umode_o = true;
    EXPECT_EQ(cs("AKAAK", "akick #c list"),
              replies("AKAAK", {"1   bad!*@*", "End of AKICK list of #c"}));
    EXPECT_EQ(cs("AKAAO", "VOP #c LIST"), replies("AKAAO", {"1   vic", "End of VOP list of #c"}));
    EXPECT_EQ(cs("AKAAV", "aop #c list"), replies("AKAAV", {"AOP list of #c is empty."}));
}

TEST_F(ChanServLists, AddDelAndListWithTheNumbersDelUses) {
    EXPECT_EQ(cs("AKAAA", "sop #c add Deputy"),
              Lines{reply("AKAAA", "Deputy has been added to the SOP list of #c.")});
    const std::string friends[] = {"One", "two!*@*", "Three", "four", "five"};
    for (const std::string& f : friends)
        ASSERT_EQ(cs("AKAAS", "aop #c add " + f),
                  Lines{reply("AKAAS", f + " has been added to the AOP list of #c.")});
    EXPECT_EQ(cs("AKAAS", "aop #c add TWO!*@*"),
              Lines{reply("AKAAS", "User TWO!*@* is already in the AOP list of #c")});
    EXPECT_EQ(cs("AKAAS", "aop #c del one"),
              Lines{reply("AKAAS", "One has been removed from the AOP list of #c.")});
    // Slot 0 is empty now; the numbers count the entries shown.
    EXPECT_EQ(cs("AKAAS", "aop #c list"),
              replies("AKAAS", {"1   two!*@*", "2   Three", "3   four", "4   five",
                                "End of AOP list of #c"}));
    EXPECT_EQ(cs("AKAAS", "aop #c del 2"),
              Lines{reply("AKAAS", "Three has been removed from the AOP list of #c.")});
    // Past the end a number is a name.
    EXPECT_EQ(cs("AKAAS", "aop #c del 7"), Lines{reply("AKAAS", "7 is not in the AOP list of #c")});
    EXPECT_EQ(cs("AKAAS", "aop #c add 7"),
              Lines{reply("AKAAS", "7 has been added to the AOP list of #c.")});
    EXPECT_EQ(entry(tessel::LIST_AOP, 0), "7"); // the lowest empty slot
    EXPECT_EQ(cs("AKAAS", "aop #c del 3"),
              Lines{reply("AKAAS", "four has been removed from the AOP list of #c.")});
    EXPECT_EQ(cs("AKAAS", "aop #c del 0"), Lines{reply("AKAAS", "0 is not in the AOP list of #c")});
    EXPECT_EQ(cs("AKAAS", "aop #c del 7"),
              Lines{reply("AKAAS", "7 has been removed from the AOP list of #c.")});
    EXPECT_EQ(cs("AKAAS", "aop #c list"),
              replies("AKAAS", {"1   two!*@*", "2   five", "End of AOP list of #c"}));
    EXPECT_EQ(cs("AKAAS", "akick #c add *!*@Spam.Example"),
              Lines{reply("AKAAS", "*!*@Spam.Example has been added to the AKICK list of #c.")});
    EXPECT_EQ(entry(tessel::LIST_AKICK, 1), "*!*@Spam.Example");
}

TEST_F(ChanServLists, AListHoldsAHundredAndOneEntries) {
    for (int i = 1; i < 101; ++i)
        rec().lists[tessel::LIST_VOP].set(i, "v" + std::to_string(i));
    EXPECT_EQ(cs("AKAAS", "vop #c add late"), Lines{reply("AKAAS", "The VOP list of #c is full.")});
    EXPECT_EQ(cs("AKAAS", "vop #c add V100"),
              Lines{reply("AKAAS", "User V100 is already in the VOP list of #c")});
    Lines list = cs("AKAAS", "vop #c list");
    ASSERT_EQ(list.size(), 102u);
    EXPECT_EQ(list[100], reply("AKAAS", "101 v100"));
    EXPECT_EQ(cs("AKAAS", "vop #c del 101"),
              Lines{reply("AKAAS", "v100 has been removed from the VOP list of #c.")});
    EXPECT_EQ(cs("AKAAS", "vop #c add late"),
              Lines{reply("AKAAS", "late has been added to the VOP list of #c.")});
}

TEST_F(ChanServLists, ServicesOperatorsChangeListsLoggedBeforeTheOutcome) {
    logcapture log(h.form, tessel::kLogAdmin);
    h.form.cfg.soplist[0] = "boss";
    identified("boss", "AKAAB", "+o");
    for (int i = 1; i < 101; ++i)
        rec().lists[tessel::LIST_AKICK].set(i, "k" + std::to_string(i));
    struct Case {
        const char* text;
        std::string answer;
        const char* logged;
    } cases[] = {
        {"sop #c add Helper", "Helper has been added to the SOP list of #c.",
         "Admin: #c boss: Helper added to SOP list"},
        {"sop #c add SAM", "User SAM is already in the SOP list of #c",
         "Admin: #c boss: SAM added to SOP list"},
        {"akick #c add more", "The AKICK list of #c is full.",
         "Admin: #c boss: more added to AKICK list"},
        {"aop #c del nobody", "nobody is not in the AOP list of #c",
         "Admin: #c boss: nobody deleted from AOP list"},
        {"sop #c del 1", "sam has been removed from the SOP list of #c.",
         "Admin: #c boss: 1 deleted from SOP list"},
    };
    Lines expectedlog;
    for (const auto& c : cases) {
        EXPECT_EQ(cs("AKAAB", c.text), Lines{reply("AKAAB", c.answer)}) << c.text;
        expectedlog.push_back(c.logged);
        EXPECT_EQ(log.messages(), expectedlog) << c.text;
    }
    // Viewing is no administrative use; the owner's own changes are not logged.
    cs("AKAAB", "sop #c list");
    cs("AKAAA", "sop #c add other");
    EXPECT_EQ(log.messages(), expectedlog);
}
