#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/picturetest.h"

using namespace tessel;
using namespace tesseltest;

namespace {

class Identify : public PictureTest {
protected:
    int32_t add(const std::string& nick, const std::string& numeric, bool oper = false) {
        userfields s;
        s.nick = nick;
        s.numeric = numeric;
        s.oper = oper;
        s.nickts = 4242;
        s.realname = "Bob Example";
        return placeuser(form, s);
    }
};

TEST_F(Identify, BindsTheUserAndQueuesOpAndVoiceWhereDue) {
    form.cfg.soplist[0] = "bob";
    const int32_t u = add("Bob", "AKAAB", true);
    const int32_t ns = placenickreg(form, "bob");
    form.nickreg(ns).memos.set(0, tmemo{"carol", 1, "hi"});
    form.nickreg(ns).memos.set(30, tmemo{"dave", 2, "yo"});

    struct Chan {
        std::string name;
        std::string owner;
        int list; // -1 none
        std::string entry;
    };
    const Chan chans[] = {
        {"#op", "someone", LIST_AOP, "bob"},
        {"#unreg", "", -1, ""},
        {"#voice", "someone", LIST_VOP, "*!*@host.example"},
        {"#plain", "someone", -1, ""},
        {"#own", "BOB", -1, ""},
    };
    int32_t own = -1;
    for (const Chan& c : chans) {
        const int32_t chan = placechannel(form, c.name);
        placemember(form, chan, u);
        if (c.owner.empty()) continue;
        const int32_t cs = placechanreg(form, c.name, c.owner);
        if (c.list >= 0) form.chanreg(cs).lists[c.list].set(0, c.entry);
        if (c.name == "#own") own = cs;
    }
    h.take();

    form.IDENTIFY(u, ns);

    const Tuser& user = form.user(u);
    const Tnickserv& rec = form.nickreg(ns);
    EXPECT_TRUE(user.identified);
    EXPECT_EQ(user.nagstate, -1);
    EXPECT_EQ(user.nsindex, ns);
    EXPECT_TRUE(user.servicesop);
    EXPECT_EQ(rec.lastmask, "Bob!user@host.example");
    EXPECT_EQ(rec.identuser, u);
    EXPECT_EQ(rec.TS, 4242);
    EXPECT_EQ(rec.gecos, "Bob Example");
    EXPECT_EQ(rec.lastdate, form.clock.now);
    EXPECT_TRUE(form.chanreg(own).ownerpresent);
    EXPECT_EQ(form.chanreg(own).lastdate, form.clock.now);
    EXPECT_EQ(flushed(),
              (std::vector<std::string>{
                  "ABAAC O AKAAB :You have 2 memos. Type /msg MemoServ LIST to see them.",
                  "ABAAA M #op +o AKAAB",
                  "ABAAA M #voice +v AKAAB",
                  "ABAAA M #own +o AKAAB",
              }));
}

TEST_F(Identify, UnknownUserOrRegistrationChangesNothing) {
    const int32_t u = add("bob", "AKAAB");
    const int32_t ns = placenickreg(form, "bob");
    form.IDENTIFY(u, 5000);
    form.IDENTIFY(u, -1);
    form.IDENTIFY(9999, ns);
    EXPECT_FALSE(form.user(u).identified);
    EXPECT_EQ(form.nickreg(ns).identuser, -1);
    EXPECT_TRUE(flushed().empty());
}

TEST_F(Identify, MemoNoticeCountsEveryFilledSlot) {
    struct Case {
        int memos;
        bool privmsg;
        bool identified;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {0, false, true, {}},
        {1, false, true, {"ABAAC O AKAAB :You have one memo. Type /msg Memos READ 1 to read it."}},
        {1, true, true, {"ABAAC P AKAAB :You have one memo. Type /msg Memos READ 1 to read it."}},
        {31, false, true, {"ABAAC O AKAAB :You have 31 memos. Type /msg Memos LIST to see them."}},
        {3, false, false, {}},
    };
    for (const Case& c : cases) {
        Harness h;
        TForm1& f = h.form;
        f.cfg.memonick = "Memos";
        userfields s;
        s.nick = "bob";
        s.numeric = "AKAAB";
        const int32_t u = placeuser(f, s);
        const int32_t ns = placenickreg(f, "bob");
        f.nickreg(ns).privmsg = c.privmsg;
        for (int i = 0; i < c.memos; ++i)
            f.nickreg(ns).memos.set(static_cast<size_t>(30 - i), tmemo{"carol", 1, "text"});
        f.user(u).nsindex = ns;
        f.user(u).identified = c.identified;

        f.CHECKMAIL(u);
        f.SENDFLUSH();
        EXPECT_EQ(h.take(), c.lines) << c.memos << " privmsg " << c.privmsg;
    }
}

} // namespace
