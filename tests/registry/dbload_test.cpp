// Reading database files: the line rules, malformed lines and capacities.
#include <functional>

#include "dbtest.h"
#include "support/harness.h"

using namespace tessel;
using namespace std::string_literals;

namespace tesseltest {
namespace {

struct LoadCase {
    const char* name;
    const char* file;
    std::string content;
    std::function<void(TForm1&)> check;
};

const Tnickserv& nick(TForm1& f, const char* name) {
    const int32_t i = f.GETNS(name);
    EXPECT_GE(i, 0) << name;
    static const Tnickserv none;
    return i >= 0 ? f.nickreg(i) : none;
}

const Tchanserv& chan(TForm1& f, const char* name) {
    const int32_t i = f.GETCS(name);
    EXPECT_GE(i, 0) << name;
    static const Tchanserv none;
    return i >= 0 ? f.chanreg(i) : none;
}

int usedglines(const TForm1& f) {
    int n = 0;
    for (const tgline& g : f.oper.glines)
        n += g.used;
    return n;
}

const std::string kLong(600, 'm');

const LoadCase kCases[] = {
    // ---- nickserv.db ----
    {"header only", "nickserv.db", "# NICKSERV DATABASE\n\n",
     [](TForm1& f) {
         EXPECT_EQ(f.reg.nicks.highwater, -1);
         EXPECT_EQ(f.reg.nickcount, 0);
         EXPECT_EQ(f.newnsslot(), 0);
     }},
    {"nick= then NICK= makes two records", "nickserv.db", "nick=Foo\nNICK=Bar\n",
     [](TForm1& f) {
         EXPECT_EQ(f.GETNS("Foo"), 0);
         EXPECT_EQ(f.GETNS("bar"), 1);
         EXPECT_EQ(f.reg.nickcount, 2);
         EXPECT_EQ(f.reg.nicks.highwater, 1);
     }},
    {"keys in any case, values as written", "nickserv.db", "NiCk=Foo\nPaSs=SeCreT\nEMAIL=A@B\n",
     [](TForm1& f) {
         EXPECT_EQ(nick(f, "FOO").nick, "Foo");
         EXPECT_EQ(nick(f, "Foo").password, "SeCreT");
         EXPECT_EQ(nick(f, "Foo").email, "A@B");
     }},
    {"lines before the first nick are ignored", "nickserv.db", "pass=x\nmemo=a 1 :b\nnick=A\n",
     [](TForm1& f) {
         EXPECT_EQ(nick(f, "A").password, "");
         EXPECT_EQ(nick(f, "A").memos[0].sender, "");
     }},
    {"empty access= clears the list", "nickserv.db", "nick=A\naccess=*@a *@b \naccess=\n",
     [](TForm1& f) {
         for (size_t i = 0; i < kNickAccess; ++i)
             EXPECT_EQ(nick(f, "A").access[i], "");
     }},
    {"access words with a trailing blank", "nickserv.db", "nick=A\naccess=*@a  *@b \n",
     [](TForm1& f) {
         EXPECT_EQ(nick(f, "A").access[0], "*@a");
         EXPECT_EQ(nick(f, "A").access[1], "*@b");
         EXPECT_EQ(nick(f, "A").access[2], "");
     }},
    {"access beyond ten words is dropped", "nickserv.db",
     "nick=A\naccess=a0 a1 a2 a3 a4 a5 a6 a7 a8 a9 a10\nignore=i0 i1 i2 i3 i4 i5 i6 i7 i8 i9 "
     "i10 i11 i12 i13 i14 i15 i16\n",
     [](TForm1& f) {
         EXPECT_EQ(nick(f, "A").access[9], "a9");
         EXPECT_EQ(nick(f, "A").ignore[15], "i15");
     }},
    {"memo text after the first colon", "nickserv.db", "nick=A\nmemo=Bob 5 :a: b\n",
     [](TForm1& f) {
         EXPECT_EQ(nick(f, "A").memos[0], (tmemo{"Bob", 5, "a: b"}));
     }},
    {"memo without colon, bad time", "nickserv.db", "nick=A\nmemo=Bob x hello\n",
     [](TForm1& f) {
         EXPECT_EQ(nick(f, "A").memos[0], (tmemo{"Bob", 0, "Bob x hello"}));
     }},
    {"memo text cut to 512", "nickserv.db", "nick=A\nmemo=Bob 1 :" + kLong + "\n",
     [](TForm1& f) { EXPECT_EQ(nick(f, "A").memos[0].text, std::string(512, 'm')); }},
    {"memos count per record", "nickserv.db", "nick=A\nmemo=x 1 :a\nnick=B\nmemo=y 2 :b\n",
     [](TForm1& f) {
         EXPECT_EQ(nick(f, "B").memos[0].sender, "y");
         EXPECT_EQ(nick(f, "B").memos[1].sender, "");
     }},
    {"flags only for 1", "nickserv.db", "nick=A\nprivmsg=yes\nprivate=1\nnick=B\n",
     [](TForm1& f) {
         EXPECT_FALSE(nick(f, "A").privmsg);
         EXPECT_TRUE(nick(f, "A").private_);
         EXPECT_FALSE(nick(f, "B").privmsg);
         EXPECT_FALSE(nick(f, "B").private_);
     }},
    {"numbers", "nickserv.db",
     "nick=A\nregdate=abc\nlastdate=99999999999\nTS=-5\nnick=B\nregdate=+7\n",
     [](TForm1& f) {
         EXPECT_EQ(nick(f, "A").regdate, 0);
         EXPECT_EQ(nick(f, "A").lastdate, 0);
         EXPECT_EQ(nick(f, "A").TS, -5);
         EXPECT_EQ(nick(f, "B").regdate, 7);
     }},
    {"a later line of the same key wins; = inside a value", "nickserv.db",
     "nick=A\npass=one\npass=a=b\n", [](TForm1& f) { EXPECT_EQ(nick(f, "A").password, "a=b"); }},
    {"CR LF, lone CR, no final line break", "nickserv.db", "nick=A\r\npass=p\rnick=B\r\nurl=u",
     [](TForm1& f) {
         EXPECT_EQ(nick(f, "A").password, "p");
         EXPECT_EQ(nick(f, "B").url, "u");
         EXPECT_EQ(f.reg.nickcount, 2);
     }},
    {"comment lines", "nickserv.db", "#nick=X\n;nick=Y\nnick=Z\n #x=1\n",
     [](TForm1& f) {
         EXPECT_EQ(f.GETNS("X"), -1);
         EXPECT_EQ(f.GETNS("Y"), -1);
         EXPECT_EQ(f.GETNS("Z"), 0);
     }},
    {"a record without a usable name is dropped with its lines", "nickserv.db",
     "nick=A\nnick=\npass=x\nnick=a b\npass=y\nnick=B\n",
     [](TForm1& f) {
         EXPECT_EQ(f.reg.nickcount, 2);
         EXPECT_EQ(nick(f, "A").password, "");
         EXPECT_EQ(f.GETNS("B"), 1);
     }},
    {"binary junk and an overlong line", "nickserv.db",
     "nick=A\n\0\xff\x01junk\n=\n\xff=\xfe\npass="s + std::string(100000, 'x') +
         "\nemail=e\nmemo=\0 \xff :\0\n"s,
     [](TForm1& f) {
         EXPECT_EQ(f.reg.nickcount, 1);
         EXPECT_EQ(nick(f, "A").password, "");
         EXPECT_EQ(nick(f, "A").email, "e");
         EXPECT_EQ(nick(f, "A").memos[0].text, std::string(1, '\0'));
     }},

    // ---- chanserv.db ----
    {"channel header only", "chanserv.db", "# CHANSERV DATABASE\n\n",
     [](TForm1& f) {
         EXPECT_EQ(f.reg.chans.highwater, -1);
         EXPECT_EQ(f.reg.chancount, 0);
     }},
    {"mode locks", "chanserv.db",
     "channel=#a\nmlock=+nt-ik\nchannel=#b\nmlock=-s\nchannel=#c\nchannel=#d\nmlock=\n",
     [](TForm1& f) {
         EXPECT_EQ(chan(f, "#a").mlockon, "nt");
         EXPECT_EQ(chan(f, "#a").mlockoff, "ik");
         EXPECT_EQ(chan(f, "#b").mlockon, "");
         EXPECT_EQ(chan(f, "#b").mlockoff, "s");
         EXPECT_EQ(chan(f, "#c").mlockon, "tn"); // no mlock line
         EXPECT_EQ(chan(f, "#d").mlockon, "");
         EXPECT_EQ(chan(f, "#d").mlockoff, "");
     }},
    {"lists: empty value clears, 102 words keep 101", "chanserv.db",
     [] {
         std::string s = "channel=#a\nsop=x y\nsop=\naop=";
         for (int i = 0; i < 102; ++i)
             s += "w" + std::to_string(i) + " ";
         return s + "\nCHANNEL=#b\nvop=v\nAKICK=*!*@k\n";
     }(),
     [](TForm1& f) {
         EXPECT_EQ(chan(f, "#a").lists[LIST_SOP][0], "");
         EXPECT_EQ(chan(f, "#a").lists[LIST_AOP][100], "w100");
         EXPECT_EQ(chan(f, "#b").lists[LIST_VOP][0], "v");
         EXPECT_EQ(chan(f, "#b").lists[LIST_AKICK][0], "*!*@k");
         EXPECT_EQ(chan(f, "#b").lists[LIST_AOP][0], "");
     }},
    {"channel fields", "chanserv.db",
     "owner=nobody\nchannel=#a\nOwner=Ann\npass=p\ntopic=t=1\nurl=u\nwelcome=w\nregdate=1\n"
     "lastdate=x\nts=3\nstrictop=1\noperop=yes\noperonly=1\nprivate=0\n",
     [](TForm1& f) {
         const Tchanserv& c = chan(f, "#A");
         EXPECT_EQ(c.owner, "Ann");
         EXPECT_EQ(c.password, "p");
         EXPECT_EQ(c.topic, "t=1");
         EXPECT_EQ(c.url, "u");
         EXPECT_EQ(c.welcome, "w");
         EXPECT_EQ(c.regdate, 1);
         EXPECT_EQ(c.lastdate, 0);
         EXPECT_EQ(c.TS, 3);
         EXPECT_TRUE(c.strictop);
         EXPECT_FALSE(c.operop);
         EXPECT_TRUE(c.operonly);
         EXPECT_FALSE(c.private_);
         EXPECT_EQ(c.chanindex, -1);
     }},

    // ---- operserv.db ----
    {"G-line reason after the first colon", "operserv.db",
     "BootTime=77\nGline=*@spam.example 5 Oper :spam and abuse\n",
     [](TForm1& f) {
         EXPECT_EQ(f.clock.boottime, 77);
         const tgline& g = f.oper.glines[0];
         EXPECT_TRUE(g.used);
         EXPECT_EQ(g.mask, "*@spam.example");
         EXPECT_EQ(g.expires, 5);
         EXPECT_EQ(g.setter, "Oper");
         EXPECT_EQ(g.reason, "spam and abuse");
     }},
    {"short G-line, jupe and seen lines are ignored", "operserv.db",
     "Gline=*@a 5 :x\nGline=*@a 5 Oper\nJupe=j.server :x\nSeen=n!u@h 5\nGline=*@b x Oper :r\n",
     [](TForm1& f) {
         EXPECT_EQ(usedglines(f), 1);
         EXPECT_EQ(f.oper.glines[0].mask, "*@b");
         EXPECT_EQ(f.oper.glines[0].expires, 0);
         EXPECT_FALSE(f.oper.jupes[0].used);
         EXPECT_EQ(f.oper.seenindex, 0);
     }},
    {"jupe and seen", "operserv.db", "jupe=bad.server AB :no way\nSEEN=n!u@h 9 :Real Name\n",
     [](TForm1& f) {
         EXPECT_TRUE(f.oper.jupes[0].used);
         EXPECT_EQ(f.oper.jupes[0].servername, "bad.server");
         EXPECT_EQ(f.oper.jupes[0].numeric, "AB");
         EXPECT_EQ(f.oper.jupes[0].reason, "no way");
         EXPECT_EQ(f.oper.seenindex, 1);
         EXPECT_EQ(f.oper.seen[1].mask, "n!u@h");
         EXPECT_EQ(f.oper.seen[1].time, 9);
         EXPECT_EQ(f.oper.seen[1].gecos, "Real Name");
     }},
    {"colons inside masks do not cut the text", "operserv.db",
     "Gline=*@2001:db8::1 5 Oper :why: this\nSeen=n!u@2001:db8::2 9 :Real: Name\n",
     [](TForm1& f) {
         EXPECT_EQ(f.oper.glines[0].mask, "*@2001:db8::1");
         EXPECT_EQ(f.oper.glines[0].reason, "why: this");
         EXPECT_EQ(f.oper.seen[1].gecos, "Real: Name");
     }},
    {"bad boot time keeps the running one", "operserv.db", "BootTime=abc\n",
     [](TForm1& f) { EXPECT_EQ(f.clock.boottime, 42); }},
    {"table limits", "operserv.db",
     [] {
         std::string s;
         for (int i = 0; i < 1030; ++i)
             s += "Gline=*@h" + std::to_string(i) + " 1 O :r\n";
         for (int i = 0; i < 70; ++i)
             s += "Jupe=j" + std::to_string(i) + ".server AA :r\n";
         for (int i = 0; i < 1030; ++i)
             s += "Seen=n" + std::to_string(i) + "!u@h 1 :g\n";
         return s;
     }(),
     [](TForm1& f) {
         EXPECT_EQ(usedglines(f), 1024);
         EXPECT_EQ(f.oper.glines[1023].mask, "*@h1023");
         EXPECT_TRUE(f.oper.jupes[63].used);
         EXPECT_EQ(f.oper.jupes[63].servername, "j63.server");
         // 1,030 departures: the oldest kept is the 7th, right after the newest.
         EXPECT_EQ(f.oper.seen[f.oper.seenindex].mask, "n1029!u@h");
         EXPECT_EQ(f.oper.seen[(f.oper.seenindex + 1) % kSeenCapacity].mask, "n6!u@h");
     }},
};

} // namespace

TEST_F(DbTest, LoadingCases) {
    for (const LoadCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TForm1 f;
        f.clock.boottime = 42;
        // The file under test replaces whatever an earlier case left.
        for (const char* name : {"nickserv.db", "chanserv.db", "operserv.db"})
            std::remove(name);
        dir.write(c.file, c.content);
        f.LOADDB();
        c.check(f);
    }
}

TEST_F(DbTest, MissingFiles) {
    // Registrations start empty; the operator tables stay as they were.
    addnick(*form, 0, "Old");
    addchan(*form, 0, "#old");
    form->clock.boottime = 42;
    form->oper.glines[3] = tgline{true, "O", "*@keep", 1, "r"};
    form->LOADDB();
    EXPECT_EQ(form->GETNS("Old"), -1);
    EXPECT_EQ(form->GETCS("#old"), -1);
    EXPECT_EQ(form->reg.nickcount, 0);
    EXPECT_EQ(form->clock.boottime, 42);
    EXPECT_TRUE(form->oper.glines[3].used);
    EXPECT_EQ(logtext(), ""); // an absent file is no failure
}

TEST_F(DbTest, LoadedChannelLinksToTheLiveChannel) {
    Harness h;
    h.adduser("ann", "AKAAA");
    h.feed("AKAAA C #Live 1000");
    const int32_t live = h.form.GETCHANNAME("#live");
    ASSERT_GE(live, 0);
    dir.write("chanserv.db", "channel=#live\nchannel=#gone\n");
    h.form.LOADCHANSERV();
    ASSERT_EQ(chan(h.form, "#live").chanindex, live);
    EXPECT_EQ(h.form.channel(live).csindex, h.form.GETCS("#live"));
    EXPECT_EQ(chan(h.form, "#gone").chanindex, -1);
}

TEST_F(DbTest, RecordsBeyondCapacityAreIgnored) {
    // The record past the last slot must not spill its lines into the last
    // record kept.
    std::string nicks;
    for (int i = 0; i <= kNickRegCapacity; ++i)
        nicks += "nick=n" + std::to_string(i) + "\nmemo=s 1 :t\n";
    nicks += "pass=overflow\n";
    std::string chans;
    for (int i = 0; i <= kChanRegCapacity; ++i)
        chans += "channel=#c" + std::to_string(i) + "\n";
    chans += "owner=overflow\n";
    std::string mail = "nick=full\n";
    for (int i = 0; i < 40; ++i)
        mail += "memo=s" + std::to_string(i) + " 1 :t\n";
    dir.write("nickserv.db", nicks);
    dir.write("chanserv.db", chans);
    form->LOADDB();

    EXPECT_EQ(form->reg.nickcount, kNickRegCapacity);
    EXPECT_EQ(form->reg.nicks.highwater, kNickRegCapacity - 1);
    EXPECT_EQ(form->GETNS("n" + std::to_string(kNickRegCapacity)), -1);
    EXPECT_EQ(form->nickreg(kNickRegCapacity - 1).password, "");
    EXPECT_EQ(form->reg.chancount, kChanRegCapacity);
    EXPECT_EQ(form->GETCS("#c" + std::to_string(kChanRegCapacity)), -1);
    EXPECT_EQ(form->chanreg(kChanRegCapacity - 1).owner, "");

    dir.write("nickserv.db", mail);
    form->LOADNICKSERV();
    const Tnickserv& full = nick(*form, "full");
    EXPECT_EQ(full.memos[kMemoSlots - 1].sender, "s30");
    EXPECT_EQ(full.memos.stored(), size_t{kMemoSlots});
}

} // namespace tesseltest
