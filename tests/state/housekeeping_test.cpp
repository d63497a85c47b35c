#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/picturetest.h"

using namespace tessel;
using namespace tesseltest;

namespace {

constexpr int32_t kDay = 86400;

class Housekeeping : public PictureTest {
protected:
    int next = 2;

    int32_t add(const std::string& nick, const std::string& host, bool oper = false) {
        userfields s;
        s.nick = nick;
        s.numeric = "AKAA" + std::string(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"[next++]);
        s.host = host;
        s.oper = oper;
        return placeuser(form, s);
    }
};

// The one-second timer reads the system clock; the offset is set so that its
// run lands on second t (retried a few times if the system second turns in
// between).
class OneSecondTimer : public Housekeeping {
protected:
    std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::path dir;

    void SetUp() override {
        std::string templ = (std::filesystem::temp_directory_path() / "tickXXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        dir = templ;
        std::filesystem::current_path(dir); // the databases are saved here
    }
    void TearDown() override {
        std::filesystem::current_path(saved);
        std::filesystem::remove_all(dir);
    }
    std::vector<std::string> tickat(int32_t t) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            std::filesystem::remove(dir / "operserv.db");
            form.settime(t - 1);
            form.TIMER1TIMER();
            std::vector<std::string> lines = h.take();
            if (form.clock.now == t) return lines;
        }
        ADD_FAILURE() << "the timer never ran on second " << t;
        return {};
    }
    bool saved_db() const { return std::filesystem::exists(dir / "operserv.db"); }
};

TEST_F(OneSecondTimer, SavesEveryThreeMinutesAndSendsTheClockEveryHalfHour) {
    struct Case {
        int32_t t;
        bool settime;
        bool save;
        bool clockline;
    };
    const int32_t base = 1796868000; // a multiple of 1,800
    const Case cases[] = {
        {base, true, true, true},          {base, false, true, false},
        {base + 180, true, true, false},   {base + 181, true, false, false},
        {base + 1799, true, false, false},
    };
    for (const Case& c : cases) {
        form.cfg.settime = c.settime;
        const std::vector<std::string> lines = tickat(c.t);
        EXPECT_EQ(saved_db(), c.save) << c.t;
        EXPECT_EQ(lines, c.clockline ? std::vector<std::string>{"AB SE " + std::to_string(c.t)}
                                     : std::vector<std::string>{})
            << c.t;
    }
}

TEST_F(OneSecondTimer, DoesNothingButTickWhileUnlinked) {
    form.cfg.settime = true;
    form.cfg.clonewarn = 2;
    add("a", "same.host");
    add("b", "same.host");
    form.link.linkstate = 0;
    EXPECT_TRUE(tickat(1796868000).empty());
    EXPECT_FALSE(saved_db());
    EXPECT_FALSE(form.user(0).clonechecked);

    form.link.linkstate = 2;
    EXPECT_TRUE(tickat(1796868001).empty()); // not a clone-scan second
    EXPECT_EQ(tickat(1796868004),
              std::vector<std::string>{"ABAAD WA :Clone warning: 2 clones from a!user@same.host"});
}

TEST_F(Housekeeping, CloneWarningNamesTheFirstConnectionOnce) {
    form.cfg.clonewarn = 3;
    add("other", "elsewhere");
    add("first", "clone.host");
    add("second", "clone.host");
    add("case", "Clone.Host"); // hosts are compared byte for byte
    add("third", "clone.host");

    form.clonescan();
    EXPECT_EQ(flushed(), std::vector<std::string>{
                             "ABAAD WA :Clone warning: 3 clones from first!user@clone.host"});
    form.clonescan();
    EXPECT_TRUE(flushed().empty());

    add("fourth", "clone.host");
    form.clonescan();
    // The newcomer is the one looked at, and named.
    EXPECT_EQ(flushed(), std::vector<std::string>{
                             "ABAAD WA :Clone warning: 4 clones from fourth!user@clone.host"});
}

TEST_F(Housekeeping, CloneKillCutsTheNewestNonOperators) {
    struct Case {
        int operslot; // which of the five is an IRC operator, -1 none
        std::vector<std::string> killed;
    };
    const Case cases[] = {
        {-1, {"AKAAG", "AKAAF", "AKAAE"}},
        {4, {"AKAAF", "AKAAE", "AKAAD"}},
        {0, {"AKAAG", "AKAAF", "AKAAE"}},
    };
    for (const Case& c : cases) {
        Harness h;
        TForm1& f = h.form;
        f.cfg.clonekill = 3;
        for (int i = 0; i < 5; ++i) {
            userfields s;
            s.nick = "c" + std::to_string(i);
            s.numeric = "AKAA" + std::string(1, "CDEFG"[i]);
            s.host = "clone.host";
            s.oper = i == c.operslot;
            placeuser(f, s);
        }
        f.clonescan();
        f.SENDFLUSH();
        std::vector<std::string> expected;
        for (const std::string& n : c.killed)
            expected.push_back("ABAAD D " + n +
                               " :services.test!OperServ (Too many connections from your host)");
        EXPECT_EQ(h.take(), expected) << c.operslot;
        int left = 0;
        for (int32_t u = 0; u < 5; ++u)
            left += f.net.users.valid(u) ? 1 : 0;
        EXPECT_EQ(left, 2) << c.operslot;
        if (c.operslot >= 0) {
            EXPECT_TRUE(f.net.users.valid(c.operslot));
        }
        EXPECT_TRUE(f.net.users.valid(0));
    }
}

TEST_F(Housekeeping, GlinesEndingWithinTheNextRunExpire) {
    logcapture log(form, 0x800);
    struct Case {
        int32_t left;
        bool kept;
    };
    const Case cases[] = {{-100, false}, {10, false}, {19, false}, {20, true}, {3600, true}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        tgline& g = form.oper.glines[i];
        g.used = true;
        g.mask = "*@host" + std::to_string(i);
        g.expires = form.clock.now + cases[i].left;
        g.reason = "r" + std::to_string(i);
    }
    form.TIMER2TIMER();
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(form.oper.glines[i].used, cases[i].kept) << cases[i].left;
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{"G-line expired: *@host0 r0", "G-line expired: *@host1 r1",
                                        "G-line expired: *@host2 r2"}));
}

TEST_F(Housekeeping, StaleNicksExpireAndTheirHoldersAreLeftAlone) {
    const int32_t now = form.clock.now;
    const int32_t old = placenickreg(form, "Oldie");
    form.nickreg(old).lastdate = now - 30 * kDay - 1;
    const int32_t edge = placenickreg(form, "edge");
    form.nickreg(edge).lastdate = now - 30 * kDay;
    const int32_t holder = add("oldie", "somewhere");
    form.user(holder).nsindex = old;
    form.user(holder).identified = true;
    form.user(holder).nagstate = 2;

    form.TIMER2TIMER();
    EXPECT_EQ(flushed(), std::vector<std::string>{"ABAAB WA :Registered nick Oldie expired"});
    EXPECT_EQ(form.GETNS("oldie"), -1);
    EXPECT_FALSE(form.reg.nicks.valid(old));
    EXPECT_EQ(form.GETNS("edge"), edge);
    EXPECT_EQ(form.reg.nickcount, 1);
    EXPECT_EQ(form.user(holder).nsindex, -1);
    EXPECT_FALSE(form.user(holder).identified);
    EXPECT_EQ(form.user(holder).nagstate, -1);
}

TEST_F(Housekeeping, NickAndChannelExpiryCanBeSwitchedOff) {
    for (const int32_t days : {0, -1}) {
        Harness h;
        TForm1& f = h.form;
        f.cfg.nickexpire = days;
        f.cfg.chanexpire = days;
        placenickreg(f, "ancient");
        placechanreg(f, "#ancient", "someone");
        f.TIMER2TIMER();
        f.SENDFLUSH();
        EXPECT_TRUE(h.take().empty()) << days;
        EXPECT_GE(f.GETNS("ancient"), 0) << days;
        EXPECT_GE(f.GETCS("#ancient"), 0) << days;
    }
}

TEST_F(Housekeeping, ChannelsExpireUnlessTheFounderIsPresent) {
    form.cfg.nickexpire = 0;
    const int32_t live = placechannel(form, "#Old");
    placemember(form, live, add("someone", "somewhere"));
    const int32_t old = placechanreg(form, "#Old", "founder");
    form.chanreg(old).lastdate = 5;
    const int32_t present = placechanreg(form, "#present", "founder");
    form.chanreg(present).lastdate = 5;
    form.chanreg(present).ownerpresent = true;
    const int32_t fresh = placechanreg(form, "#fresh", "founder");
    form.chanreg(fresh).lastdate = form.clock.now;

    form.TIMER2TIMER();
    EXPECT_EQ(flushed(), std::vector<std::string>{"ABAAA WA :Registered channel #Old expired"});
    EXPECT_EQ(form.GETCS("#old"), -1);
    EXPECT_EQ(form.channel(live).csindex, -1);
    EXPECT_EQ(form.GETCS("#present"), present);
    EXPECT_EQ(form.GETCS("#fresh"), fresh);
    EXPECT_EQ(form.reg.chancount, 2);
}

} // namespace
