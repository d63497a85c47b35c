// Saving and reading back the three databases.
#include "dbtest.h"

using namespace tessel;

namespace tesseltest {
namespace {

// The files keep a list's entries in order but not their positions: the
// entries in use, in order.
template <class T, size_t N> std::vector<T> inuse(const lazyslots<T, N>& list) {
    std::vector<T> out;
    for (size_t i = 0; i < N; ++i)
        if (!(list[i] == T())) out.push_back(list[i]);
    return out;
}

void expectsame(const Tnickserv& a, const Tnickserv& b) {
    EXPECT_EQ(a.nick, b.nick);
    EXPECT_EQ(a.nickkey, b.nickkey);
    EXPECT_EQ(a.TS, b.TS);
    EXPECT_EQ(a.gecos, b.gecos);
    EXPECT_EQ(a.lastmask, b.lastmask);
    EXPECT_EQ(a.password, b.password);
    EXPECT_EQ(a.email, b.email);
    EXPECT_EQ(a.url, b.url);
    EXPECT_EQ(a.regdate, b.regdate);
    EXPECT_EQ(a.lastdate, b.lastdate);
    EXPECT_EQ(a.privmsg, b.privmsg);
    EXPECT_EQ(a.private_, b.private_);
    for (size_t i = 0; i < a.access.size(); ++i)
        EXPECT_EQ(a.access[i], b.access[i]) << i;
    for (size_t i = 0; i < a.ignore.size(); ++i)
        EXPECT_EQ(a.ignore[i], b.ignore[i]) << i;
    for (size_t i = 0; i < a.memos.size(); ++i)
        EXPECT_EQ(a.memos[i], b.memos[i]) << i;
}

void expectsame(const Tchanserv& a, const Tchanserv& b) {
    EXPECT_EQ(a.channel, b.channel);
    EXPECT_EQ(a.chankey, b.chankey);
    EXPECT_EQ(a.password, b.password);
    EXPECT_EQ(a.owner, b.owner);
    EXPECT_EQ(a.url, b.url);
    EXPECT_EQ(a.welcome, b.welcome);
    EXPECT_EQ(a.topic, b.topic);
    for (int l = 0; l < 4; ++l)
        EXPECT_EQ(inuse(a.lists[l]), inuse(b.lists[l])) << l;
    EXPECT_EQ(a.regdate, b.regdate);
    EXPECT_EQ(a.lastdate, b.lastdate);
    EXPECT_EQ(a.private_, b.private_);
    EXPECT_EQ(a.strictop, b.strictop);
    EXPECT_EQ(a.operop, b.operop);
    EXPECT_EQ(a.operonly, b.operonly);
    EXPECT_EQ(a.mlockon, b.mlockon);
    EXPECT_EQ(a.mlockoff, b.mlockoff);
    EXPECT_EQ(a.TS, b.TS);
}

// Every field set, every list full, every flag on; a second record with
// nothing optional; a free slot between them.
void populate(TForm1& f) {
    Tnickserv& a = addnick(f, 0, "Alice{x}");
    a.TS = 1700000001;
    a.gecos = "Alice in: Wonderland";
    a.lastmask = "Alice{x}!al@host.example";
    a.password = "5f4dcc3b5aa765d61d8327deb882cf99";
    a.email = "alice@example.org";
    a.url = "http://example.org/?a=b";
    a.regdate = 1600000000;
    a.lastdate = -5;
    a.privmsg = true;
    a.private_ = true;
    for (int i = 0; i < kNickAccess; ++i)
        a.access.set(i, "*al" + std::to_string(i) + "@*.example");
    for (int i = 0; i < kNickIgnore; ++i)
        a.ignore.set(i, "Pest" + std::to_string(i));
    for (int i = 0; i < kMemoSlots; ++i)
        a.memos.at(i) = tmemo{"Sender" + std::to_string(i), 1700000000 + i,
                              "memo " + std::to_string(i) + ": with :colons and  blanks "};

    Tnickserv& b = addnick(f, 2, "bob");
    b.password = "pw";

    Tchanserv& c = addchan(f, 1, "#Full");
    c.password = "chanpass";
    c.owner = "Alice{x}";
    c.url = "http://example.net";
    c.welcome = "Welcome: be nice";
    c.topic = "a topic = with equals";
    for (int l = 0; l < 4; ++l)
        for (int i = 0; i < kChanListEntries; ++i)
            c.lists[l].set(i, "l" + std::to_string(l) + "n" + std::to_string(i) + "!*@*");
    c.regdate = 1500000000;
    c.lastdate = 1500000100;
    c.private_ = c.strictop = c.operop = c.operonly = true;
    c.mlockon = "nt";
    c.mlockoff = "ik";
    c.TS = 1400000000;

    Tchanserv& d = addchan(f, 3, "#minus");
    d.owner = "bob";
    d.mlockoff = "s";
    d.lists[LIST_AKICK].set(100, "late!*@*"); // only the last entry in use
    Tchanserv& e = addchan(f, 4, "#nolock");
    e.owner = "bob";

    f.clock.boottime = 1234567;
    f.oper.glines[0] = tgline{true, "Oper", "*@spam.example", 1800000000, "spam: and abuse"};
    f.oper.glines[7] = tgline{true, "-scanner-", "*@1.2.3.4", 5, "open proxy"};
    f.oper.glines[1023] = tgline{true, "Oper", "*@2001:db8::1", -1, "ipv6 :host"};
    f.oper.jupes[2] = tjupe{true, "bad.server", "Zz", "juped: no"};
    f.oper.jupes[63] = tjupe{true, "worse.server", "AC", "x"};
    // 1,030 departures: the ring has wrapped and its oldest entry is the 7th.
    for (int k = 0; k < 1030; ++k) {
        f.oper.seenindex = (f.oper.seenindex + 1) % kSeenCapacity;
        f.oper.seen[f.oper.seenindex] =
            tseen{"n" + std::to_string(k) + "!u@2001:db8::" + std::to_string(k),
                  "Real: name " + std::to_string(k), 1000 + k};
    }
}

std::vector<tseen> seenoldestfirst(const TForm1& f) {
    std::vector<tseen> out;
    for (int k = 1; k <= kSeenCapacity; ++k) {
        const tseen& s = f.oper.seen[(f.oper.seenindex + k) % kSeenCapacity];
        if (!s.mask.empty()) out.push_back(s);
    }
    return out;
}

std::vector<tgline> usedglines(const TForm1& f) {
    std::vector<tgline> out;
    for (const tgline& g : f.oper.glines)
        if (g.used) out.push_back(g);
    return out;
}

std::vector<tjupe> usedjupes(const TForm1& f) {
    std::vector<tjupe> out;
    for (const tjupe& j : f.oper.jupes)
        if (j.used) out.push_back(j);
    return out;
}

} // namespace

TEST_F(DbTest, EveryFieldSurvivesSaveAndLoad) {
    populate(*form);
    ASSERT_TRUE(form->SAVEDB());

    TForm1* next = &restart();
    next->LOADDB();

    EXPECT_EQ(next->reg.nickcount, 2);
    EXPECT_EQ(next->reg.nicks.highwater, 1); // packed into slots 0 and 1
    for (const char* name : {"Alice{x}", "bob"}) {
        SCOPED_TRACE(name);
        const int32_t was = form->GETNS(name);
        const int32_t now = next->GETNS(name);
        ASSERT_GE(now, 0);
        expectsame(form->nickreg(was), next->nickreg(now));
        EXPECT_EQ(next->nickreg(now).identuser, -1);
    }
    EXPECT_EQ(next->reg.chancount, 3);
    EXPECT_EQ(next->reg.chans.highwater, 2);
    for (const char* name : {"#Full", "#minus", "#nolock"}) {
        SCOPED_TRACE(name);
        const int32_t now = next->GETCS(name);
        ASSERT_GE(now, 0);
        expectsame(form->chanreg(form->GETCS(name)), next->chanreg(now));
        EXPECT_EQ(next->chanreg(now).chanindex, -1); // not on the network
    }

    EXPECT_EQ(next->clock.boottime, 1234567);
    const auto g0 = usedglines(*form), g1 = usedglines(*next);
    ASSERT_EQ(g1.size(), g0.size());
    for (size_t i = 0; i < g0.size(); ++i) {
        EXPECT_EQ(g1[i].mask, g0[i].mask);
        EXPECT_EQ(g1[i].expires, g0[i].expires);
        EXPECT_EQ(g1[i].setter, g0[i].setter);
        EXPECT_EQ(g1[i].reason, g0[i].reason);
    }
    EXPECT_TRUE(next->oper.glines[2].used); // packed into the lowest entries
    const auto j0 = usedjupes(*form), j1 = usedjupes(*next);
    ASSERT_EQ(j1.size(), j0.size());
    for (size_t i = 0; i < j0.size(); ++i) {
        EXPECT_EQ(j1[i].servername, j0[i].servername);
        EXPECT_EQ(j1[i].numeric, j0[i].numeric);
        EXPECT_EQ(j1[i].reason, j0[i].reason);
    }
    const auto s0 = seenoldestfirst(*form), s1 = seenoldestfirst(*next);
    ASSERT_EQ(s0.size(), 1024u);
    ASSERT_EQ(s1.size(), s0.size());
    EXPECT_EQ(s1.front().time, 1006);
    for (size_t i = 0; i < s0.size(); ++i) {
        EXPECT_EQ(s1[i].mask, s0[i].mask) << i;
        EXPECT_EQ(s1[i].gecos, s0[i].gecos) << i;
        EXPECT_EQ(s1[i].time, s0[i].time) << i;
    }

    // What was read back is written out byte for byte the same.
    const std::string files[] = {"nickserv.db", "chanserv.db", "operserv.db"};
    std::string first[3];
    for (int i = 0; i < 3; ++i)
        first[i] = dir.read(files[i]);
    ASSERT_TRUE(next->SAVEDB());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dir.read(files[i]), first[i]) << files[i];
}

TEST_F(DbTest, FilesAreWrittenInTheirLineFormat) {
    Tnickserv& n = addnick(*form, 1, "Zed");
    n.gecos = "Zed Z";
    n.regdate = 10;
    n.lastdate = 20;
    n.TS = 30;
    n.lastmask = "Zed!z@h";
    n.password = "p";
    n.privmsg = true;
    n.email = "z@e";
    n.access.set(3, "*@b");
    n.access.set(0, "*@a");
    n.ignore.set(5, "Pest");
    n.memos.at(2) = tmemo{"Bob", 5, "a: b"};
    Tnickserv& m = addnick(*form, 0, "Amy"); // nothing optional: no ignore line
    m.password = "q";

    Tchanserv& c = addchan(*form, 0, "#c");
    c.owner = "Zed";
    c.password = "cp";
    c.mlockon = "nt";
    c.mlockoff = "ik";
    c.private_ = c.operonly = true;
    c.topic = "t";
    c.welcome = "w";
    c.lists[LIST_SOP].set(1, "Amy");
    c.lists[LIST_SOP].set(0, "Zed");
    c.lists[LIST_AKICK].set(9, "*!*@bad");
    Tchanserv& d = addchan(*form, 1, "#d");
    d.mlockoff = "s";

    form->clock.boottime = 99;
    form->oper.glines[3] = tgline{true, "Oper", "*@b", 7, "r b"};
    form->oper.glines[1] = tgline{true, "-scanner-", "*@a", 6, "r a"};
    form->oper.jupes[0] = tjupe{true, "j.server", "AX", "gone"};
    form->oper.seenindex = 0;
    form->oper.seen[0] = tseen{"new!u@h", "New", 300};
    form->oper.seen[1023] = tseen{"old!u@h", "Old", 200};
    form->oper.seen[5] = tseen{"oldest!u@h", "Oldest", 100};

    ASSERT_TRUE(form->SAVEDB());
    EXPECT_EQ(dir.read("nickserv.db"), "# NICKSERV DATABASE\n"
                                       "\n"
                                       "nick=Amy\n"
                                       "gecos=\n"
                                       "regdate=0\n"
                                       "lastdate=0\n"
                                       "TS=0\n"
                                       "lastmask=\n"
                                       "pass=q\n"
                                       "access=\n"
                                       "\n"
                                       "nick=Zed\n"
                                       "gecos=Zed Z\n"
                                       "regdate=10\n"
                                       "lastdate=20\n"
                                       "TS=30\n"
                                       "lastmask=Zed!z@h\n"
                                       "pass=p\n"
                                       "privmsg=1\n"
                                       "email=z@e\n"
                                       "access=*@a *@b \n"
                                       "ignore=Pest \n"
                                       "memo=Bob 5 :a: b\n"
                                       "\n");
    EXPECT_EQ(dir.read("chanserv.db"), "# CHANSERV DATABASE\n"
                                       "\n"
                                       "channel=#c\n"
                                       "regdate=0\n"
                                       "lastdate=0\n"
                                       "TS=0\n"
                                       "owner=Zed\n"
                                       "pass=cp\n"
                                       "mlock=+nt-ik\n"
                                       "private=1\n"
                                       "operonly=1\n"
                                       "topic=t\n"
                                       "welcome=w\n"
                                       "sop=Zed Amy \n"
                                       "aop=\n"
                                       "vop=\n"
                                       "akick=*!*@bad \n"
                                       "\n"
                                       "channel=#d\n"
                                       "regdate=0\n"
                                       "lastdate=0\n"
                                       "TS=0\n"
                                       "owner=\n"
                                       "pass=\n"
                                       "mlock=-s\n"
                                       "sop=\n"
                                       "aop=\n"
                                       "vop=\n"
                                       "akick=\n"
                                       "\n");
    EXPECT_EQ(dir.read("operserv.db"), "BootTime=99\n"
                                       "\n"
                                       "Gline=*@a 6 -scanner- :r a\n"
                                       "Gline=*@b 7 Oper :r b\n"
                                       "\n"
                                       "Jupe=j.server AX :gone\n"
                                       "\n"
                                       "Seen=oldest!u@h 100 :Oldest\n"
                                       "Seen=old!u@h 200 :Old\n"
                                       "Seen=new!u@h 300 :New\n");
}

TEST_F(DbTest, EmptyTablesWriteOnlyTheFrame) {
    form->clock.boottime = 5;
    ASSERT_TRUE(form->SAVEDB());
    EXPECT_EQ(dir.read("nickserv.db"), "# NICKSERV DATABASE\n\n");
    EXPECT_EQ(dir.read("chanserv.db"), "# CHANSERV DATABASE\n\n");
    EXPECT_EQ(dir.read("operserv.db"), "BootTime=5\n\n\n\n");
}

} // namespace tesseltest
