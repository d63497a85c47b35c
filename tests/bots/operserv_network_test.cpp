#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/operservfixture.h"
#include "state/tableops.h"

using namespace tesseltest;

namespace {

class OperServNetwork : public OperServTest {
protected:
    OperServNetwork() { callers(); }
};

// "Banned <mask> Until <date> GMT [<time>]: <reason>" as the network gets it.
std::string glineline(const std::string& mask, const std::string& seconds,
                      const std::string& until, const std::string& at, const std::string& reason) {
    return "AB GL * +" + mask + " " + seconds + " :Banned " + mask + " Until " + until + " GMT [" +
           at + "]: " + reason;
}

} // namespace

TEST_F(OperServNetwork, KillOfAUserNeedsAnIdentifiedCallerAndRemovesTheUser) {
    h.adduser("bob", "AKAAB");
    EXPECT_EQ(ask("AKAAO", "KILL bob"),
              Lines{os("AKAAO", "You have to be identied to use this command.")});
    EXPECT_EQ(ask("AKAAI", "KILL bob flooding the channel"),
              (Lines{oc("idop", "KILL bob flooding the channel"),
                     "ABAAD D AKAAB :services.test!OperServ ((idop) flooding the channel)"}));
    EXPECT_EQ(h.form.GETNICK("bob"), -1);
    EXPECT_EQ(h.form.oper.seen[h.form.oper.seenindex].mask, "bob!user@host.example");

    // Without a reason the kill text is the caller's nick; an IRC operator
    // can be killed by nick.
    EXPECT_EQ(ask("AKAAI", "KILL oper"),
              (Lines{oc("idop", "KILL oper "), "ABAAD D AKAAO :services.test!OperServ (idop)"}));
    // Neither a user nor a channel: only the announcement.
    EXPECT_EQ(ask("AKAAI", "KILL #nowhere x"), Lines{oc("idop", "KILL #nowhere x")});
}

TEST_F(OperServNetwork, KillOfAChannelSparesItsIrcOperators) {
    h.adduser("bob", "AKAAB");
    h.adduser("carl", "AKAAC");
    h.feed("AKAAB C #c 1796000000");
    h.feed("AKAAO J #c 1796000000");
    h.feed("AKAAC J #c 1796000000");
    h.take();
    EXPECT_EQ(ask("AKAAS", "kill #C spam"),
              (Lines{oc("sop", "KILL #C spam"),
                     "ABAAD D AKAAB :services.test!OperServ ((sop) spam)",
                     "ABAAD D AKAAC :services.test!OperServ ((sop) spam)"}));
    EXPECT_EQ(h.form.GETNICK("bob"), -1);
    EXPECT_EQ(h.form.GETNICK("carl"), -1);
    const int32_t chan = h.form.GETCHANNAME("#c");
    ASSERT_GE(chan, 0);
    EXPECT_EQ(h.form.channel(chan).membercount, 1);
}

TEST_F(OperServNetwork, InviteAndNews) {
    EXPECT_EQ(ask("AKAAO", "INVITE #secret"),
              Lines{os("AKAAO", "You have to be identied to use this command.")});
    EXPECT_EQ(ask("AKAAI", "INVITE #secret"),
              (Lines{oc("idop", "INVITE #secret"), "ABAAD I idop #secret"}));
    EXPECT_EQ(ask("AKAAO", "NEWS  servers restart   at :noon"),
              Lines{":OperServ PRIVMSG $* :servers restart at noon <oper>"});
}

TEST_F(OperServNetwork, SettimeAdjustsOnlyForServicesOperators) {
    const int32_t before = h.form.clock.now;
    EXPECT_EQ(ask("AKAAO", "SETTIME +60"),
              (Lines{oc("oper", "SETTIME +60"), "AB SE :" + std::to_string(before)}));
    EXPECT_EQ(h.form.clock.now, before);

    Lines sent = ask("AKAAS", "SETTIME +60");
    EXPECT_EQ(h.form.clock.timeoffset, 60);
    const int32_t later = h.form.clock.now;
    // The harness' clock is far from the system's; the offset moves by 60.
    EXPECT_EQ(sent, (Lines{os("AKAAS", "Time adjusted 60 seconds."), oc("sop", "SETTIME +60"),
                           "AB SE :" + std::to_string(later)}));
    const int32_t offset = h.form.clock.timeoffset;
    EXPECT_EQ(ask("AKAAS", "SETTIME -90")[0], os("AKAAS", "Time adjusted -90 seconds."));
    EXPECT_EQ(h.form.clock.timeoffset, offset - 90);
    EXPECT_EQ(ask("AKAAS", "SETTIME +soon")[0], os("AKAAS", "Time adjusted 0 seconds."));
    EXPECT_EQ(h.form.clock.timeoffset, offset - 90);
}

TEST_F(OperServNetwork, GlineDurationsAndMasks) {
    h.adduser("Bob", "AKAAB", "", "bob", "h.example");
    h.form.clock.zoneoffset = 3600; // the G-line text shows universal time
    logged();
    struct gcase {
        std::string from, text;
        Lines sent;
    };
    // now = 1796870000 = Thu Dec 10 02:33:20 2026 UTC
    const std::vector<gcase> cases = {
        {"AKAAS", "GLINE +Bob 2w spam",
         {oc("sop", "GLINE *@h.example 2w spam"),
          glineline("*@h.example", "1209600", "Thu Dec 24 02:33:20 2026", "1798079600", "spam")}},
        {"AKAAI", "GLINE +Bob 2w spam", {os("AKAAI", "Invalid duration")}},
        {"AKAAO", "GLINE x@y 30 x",
         {oc("oper", "GLINE x@y 30 x"),
          glineline("x@y", "30", "Thu Dec 10 02:33:50 2026", "1796870030", "x")}},
        {"AKAAO", "GLINE +bad.example 1h too many clones",
         {oc("oper", "GLINE *@bad.example 1h too many clones"),
          glineline("*@bad.example", "3600", "Thu Dec 10 03:33:20 2026", "1796873600",
                    "too many clones")}},
        {"AKAAO", "GLINE +d.example 1D r",
         {oc("oper", "GLINE *@d.example 1D r"),
          glineline("*@d.example", "86400", "Fri Dec 11 02:33:20 2026", "1796956400", "r")}},
        {"AKAAO", "GLINE +e.example 86401 r", {os("AKAAO", "Invalid duration")}},
        {"AKAAS", "GLINE +m.example 1m r",
         {oc("sop", "GLINE *@m.example 1m r"),
          glineline("*@m.example", "2592000", "Sat Jan 9 02:33:20 2027", "1799462000", "r")}},
        {"AKAAS", "GLINE +y.example 1y r",
         {oc("sop", "GLINE *@y.example 1y r"),
          glineline("*@y.example", "31536000", "Fri Dec 10 02:33:20 2027", "1828406000", "r")}},
        // Past the 32-bit horizon the duration ends at its last second.
        {"AKAAS", "GLINE +z.example 9999999999y r",
         {oc("sop", "GLINE *@z.example 9999999999y r"),
          glineline("*@z.example", "350613647", "Tue Jan 19 03:14:07 2038", "2147483647", "r")}},
        {"AKAAS", "GLINE +z.example 99999999999 r", {os("AKAAS", "Invalid duration")}},
        {"AKAAS", "GLINE +z.example 0 r", {os("AKAAS", "Invalid duration")}},
        {"AKAAS", "GLINE +z.example abc r", {os("AKAAS", "Invalid duration")}},
        {"AKAAS", "GLINE +z.example h r", {os("AKAAS", "Invalid duration")}},
        {"AKAAS", "GLINE +z.example 1h", {os("AKAAS", "Not enough parameteres")}},
        {"AKAAS", "GLINE", {os("AKAAS", "Not enough parameteres")}},
        {"AKAAS", "GLINE +", {os("AKAAS", "Not enough parameteres")}},
        {"AKAAS", "GLINE -", {os("AKAAS", "Not enough parameteres")}},
    };
    for (const gcase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ask(c.from, c.text), c.sent);
    }
    const tessel::tgline& first = h.form.oper.glines[0];
    EXPECT_TRUE(first.used);
    EXPECT_EQ(first.mask, "*@h.example");
    EXPECT_EQ(first.expires, 1798079600);
    EXPECT_EQ(first.setter, "sop");
    EXPECT_EQ(first.reason, "spam");
    EXPECT_EQ(logged()[0], "Added G-line: *@h.example 1209600 spam");
}

TEST_F(OperServNetwork, GlineRemovalSendsTheMaskAsTypedAndFreesMatchingEntries) {
    h.form.ADDGLINE("*@H.example", 1796880000, "spam", "sop");
    h.form.ADDGLINE("*@other.example", 1796880000, "other", "sop");
    logged();
    EXPECT_EQ(ask("AKAAO", "GLINE -h.EXAMPLE"),
              (Lines{"AB GL * -h.EXAMPLE", oc("oper", "GLINE -*@H.example (spam)")}));
    EXPECT_FALSE(h.form.oper.glines[0].used);
    EXPECT_TRUE(h.form.oper.glines[1].used);
    EXPECT_EQ(logged(), Lines{"G-line removed: *@H.example 1796880000 spam"});
    // Nothing stored under that mask: the network is told all the same.
    EXPECT_EQ(ask("AKAAO", "GLINE -x@y"), Lines{"AB GL * -x@y"});
}

TEST_F(OperServNetwork, KillchannelClosesTheChannel) {
    h.feed("AKAAO C #c 1796000000");
    h.feed("AKAAP J #c 1796000000");
    h.feed("AKAAI J #c 1796000000");
    h.feed("AKAAO M #c +vo AKAAP AKAAI");
    h.take();
    EXPECT_EQ(ask("AKAAO", "KILLCHANNEL"), Lines{os("AKAAO", "Give a channel name")});
    EXPECT_EQ(ask("AKAAO", "KILLCHANNEL #none"), Lines{os("AKAAO", "Channel does not exist")});
    EXPECT_EQ(ask("AKAAO", "KILLCHANNEL #C"),
              (Lines{oc("oper", "KILLCHANNEL #c"), "ABAAD J #c",
                     "AB M #c +mntsb-o     *!*@* AKAAO", "AB M #c -ov AKAAI AKAAP"}));
    const tessel::Tchannel& c = h.form.channel(h.form.GETCHANNAME("#c"));
    EXPECT_TRUE(c.cmode_m && c.cmode_n && c.cmode_t && c.cmode_s);
    EXPECT_EQ(c.bans[0], "*!*@*");
}

TEST_F(OperServNetwork, RawAndModeAreFedBackWithoutEnforcement) {
    h.feed("AKAAP C #c 1796000000");
    h.adduser("bob", "AKAAB");
    h.feed("AKAAB J #c 1796000000");
    // A registered channel whose lock forbids +m and which only lets
    // registered operators keep their op.
    const int32_t cs = h.form.newcsslot();
    tessel::newrecord(h.form.reg.chans, cs);
    h.form.SETCS(cs, "#c");
    h.form.chanreg(cs).mlockoff = "m";
    h.form.chanreg(cs).strictop = true;
    h.form.channel(h.form.GETCHANNAME("#c")).csindex = cs;
    h.take();
    logged();

    EXPECT_EQ(ask("AKAAS", "RAW AB M #c +m"),
              (Lines{oc("sop", "RAW AB M #c +m"), "AB M #c +m"}));
    EXPECT_EQ(logged(), Lines{"Admin: RAW from sop: AB M #c +m"});
    const tessel::Tchannel& c = h.form.channel(h.form.GETCHANNAME("#c"));
    EXPECT_TRUE(c.cmode_m);

    EXPECT_EQ(ask("AKAAS", "MODE #c"), Lines{os("AKAAS", "Not enough parameters.")});
    EXPECT_EQ(ask("AKAAS", "MODE #c +ov BOB plain"),
              (Lines{oc("sop", "MODE #c +ov BOB plain"), "AB M #c +ov AKAAB AKAAP"}));
    EXPECT_EQ(logged(), Lines{"Admin: MODE from sop: #c +ov BOB plain"});
    const int32_t bob = h.form.GETNICK("bob");
    const int32_t slot = user(bob).memberslots[0];
    EXPECT_EQ(c.memberstatus[slot] & tessel::kStatusOp, tessel::kStatusOp);
    EXPECT_FALSE(h.form.modes.uncheckedmodes);
}

TEST_F(OperServNetwork, OptionsGoesOutFromTheServer) {
    EXPECT_EQ(ask("AKAAS", "OPTIONS *"), Lines{os("AKAAS", "Not enough parameters.")});
    logged();
    EXPECT_EQ(ask("AKAAS", "OPTIONS * CLONEWARN=3"),
              (Lines{oc("sop", "OPTIONS * CLONEWARN=3"), "AB OPTIONS * CLONEWARN=3"}));
    EXPECT_EQ(logged(), Lines{"Admin: OPTIONS from sop: * CLONEWARN=3"});
}

TEST_F(OperServNetwork, JupeRules) {
    h.form.clock.boottime = 1796860000;
    struct jcase {
        std::string text;
        Lines sent;
    };
    const std::vector<jcase> cases = {
        {"JUPE", {os("AKAAS", "Not enough parameters.")}},
        {"JUPE ADD evil.test C no evil here",
         {"AB S evil.test 2 1796860000 1796870000 P10 ACAAA 0 :JUPE no evil here ",
          os("AKAAS", "Jupe added")}},
        {"JUPE ADD hub.TEST AD x",
         {os("AKAAS",
             "server hub.TEST is currently on the network, remove it before adding the jupe")}},
        {"JUPE ADD x.test ABC x", {os("AKAAS", "Invalid numeric")}},
        {"JUPE ADD x.test", {os("AKAAS", "Invalid numeric")}},
        {"JUPE ADD x.test A! x", {os("AKAAS", "Invalid numeric")}},
        // A single character gets "A" in front: "B" is the services' own AB.
        {"JUPE ADD x.test B x", {os("AKAAS", "numeric is already used by another server")}},
        {"JUPE ADD x.test AK x", {os("AKAAS", "numeric is already used by another server")}},
        {"JUPE ADD EVIL.test AE x", {os("AKAAS", "name or numeric is already used by another jupe")}},
        {"JUPE ADD x.test AC x", {os("AKAAS", "name or numeric is already used by another jupe")}},
        {"JUPE ADD other.test AE", {"AB S other.test 2 1796860000 1796870000 P10 AEAAA 0 :JUPE ",
                                    os("AKAAS", "Jupe added")}},
        {"JUPE LIST",
         {os("AKAAS", "Jupe list"), os("AKAAS", "   other.test   "),
          os("AKAAS", "   evil.test   no evil here ")}},
        {"JUPE DEL nothing.test", {os("AKAAS", "Jupe nothing.test does not exist")}},
        {"JUPE DEL Evil.Test",
         {"AB SQ evil.test 0 :Jupe removed by sop", os("AKAAS", "Jupe removed")}},
        {"JUPE whatever", {os("AKAAS", "Jupe list"), os("AKAAS", "   other.test   ")}},
    };
    for (const jcase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ask("AKAAS", c.text), c.sent);
    }
}

TEST_F(OperServNetwork, JupeAddIntoAFullTableIsRefusedClearly) {
    for (int i = 0; i < tessel::kJupeCapacity; ++i) {
        tessel::tjupe& j = h.form.oper.jupes[i];
        j.used = true;
        j.servername = "j" + std::to_string(i) + ".test";
        j.numeric = "B" + std::string(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789[]"[i]);
    }
    EXPECT_EQ(ask("AKAAS", "JUPE ADD new.test CA x"),
              Lines{os("AKAAS", "Jupe list is full, remove a jupe first")});
    h.form.oper.jupes[7].used = false;
    EXPECT_EQ(ask("AKAAS", "JUPE ADD new.test CA x")[1], os("AKAAS", "Jupe added"));
    EXPECT_EQ(h.form.oper.jupes[7].servername, "new.test");
}
