#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/botfixture.h"
#include "p10/numerics.h"
#include "registry/passwords.h"
#include "support/tempdir.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

const std::string kHostLock =
    "Too many failed password attempts for bob from your host. Try again in 10 minutes.";
const std::string kClientLock = "Too many failed password attempts. Try again in 10 minutes.";
const std::string kBusy = "Services are busy checking passwords. Try again shortly.";

// A nick record as the databases of every earlier version hold it: "secret"
// in the digest form.
const std::string kTodaysNickDb = "# NICKSERV DATABASE\n\n"
                                  "nick=bob\n"
                                  "gecos=Bob\n"
                                  "regdate=1796000000\n"
                                  "lastdate=1796860000\n"
                                  "TS=0\n"
                                  "lastmask=bob!bob@old.example\n"
                                  "pass=jDGh.pg9zf90a\n"
                                  "email=bob@mail.example\n"
                                  "access=*@* \n"
                                  "\n";

class NickServPasswords : public BotTest {
protected:
    // A user on its own address; the throttle counts by address.
    int32_t connect(const std::string& nick, const std::string& numeric, uint32_t ip,
                    const std::string& host) {
        h.feed("AK N " + nick + " 1 1000 user " + host + " " + tessel::encodenumeric(ip, 6) + " " +
               numeric + " :Real Name");
        h.take();
        return h.form.GETNICK(nick);
    }
    // One password attempt at NickServ@server, as IDENTIFY wants it.
    Lines attempt(const std::string& from, const std::string& text) {
        return say(from, text, kNickServAt);
    }
    Lines to(const std::string& numeric, const std::string& text) {
        return Lines{notice(numeric, text)};
    }
    void argon2id() { h.form.cfg.passhash = tessel::tpassform::argon2id; }
};

constexpr uint32_t kHostA = 0x0a000001; // 10.0.0.1
constexpr uint32_t kHostB = 0x0a000002;
constexpr uint32_t kHostC = 0x0a000003;

TEST_F(NickServPasswords, FailuresFromOneHostLockThatHostOutOfThatNickOnly) {
    offlinerecord("bob", "right");
    connect("bob", "AKAAA", kHostA, "a.example");
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(attempt("AKAAA", "identify guess" + std::to_string(i)),
                  to("AKAAA", "Password incorrect."))
            << i;
    const int32_t lockedat = h.form.clock.now;

    // Every command that takes bob's password refuses from that host, the
    // right password included, and the refusals count for nothing.
    connect("eve", "AKAAB", kHostA, "a.example");
    const struct {
        std::string from, text;
    } refused[] = {
        {"AKAAA", "identify right"},  {"AKAAA", "IDENTIFY guess6"},
        {"AKAAB", "ghost bob right"}, {"AKAAB", "recover bob right"},
        {"AKAAA", "drop right"},      {"AKAAA", "set password right new"},
    };
    for (const auto& c : refused)
        EXPECT_EQ(attempt(c.from, c.text), to(c.from, kHostLock)) << c.text;
    EXPECT_FALSE(user(h.form.GETNICK("bob")).identified);
    EXPECT_NE(h.form.GETNS("bob"), -1);

    // Another host is not locked; the owner hears of the failures when
    // identifying, once.
    h.feed("AKAAA Q :bye");
    connect("bob", "AKAAC", kHostB, "b.example");
    EXPECT_EQ(attempt("AKAAC", "identify right"),
              notices("AKAAC", {"Password accepted, you are now recognized.",
                                "5 failed password attempts since your last identification, "
                                "the last from bob!user@a.example"}));
    h.feed("AKAAC Q :bye");
    connect("bob", "AKAAC", kHostB, "b.example");
    EXPECT_EQ(attempt("AKAAC", "identify right"),
              to("AKAAC", "Password accepted, you are now recognized."));
    h.feed("AKAAC Q :bye");

    // Other nicks from the locked host are not affected.
    offlinerecord("carol", "pw");
    EXPECT_EQ(attempt("AKAAB", "ghost carol pw"), to("AKAAB", "no such nick: carol"));

    // The lock lasts ten minutes from the fifth failure.
    connect("bob", "AKAAD", kHostA, "a.example");
    h.form.clock.now = lockedat + 550;
    EXPECT_EQ(
        attempt("AKAAD", "identify right"),
        to("AKAAD",
           "Too many failed password attempts for bob from your host. Try again in 1 minute."));
    h.form.clock.now = lockedat + 600;
    EXPECT_EQ(say("AKAAD", "identify right", kNickServAt),
              to("AKAAD", "Password accepted, you are now recognized."));
}

TEST_F(NickServPasswords, AClientFailingOnManyNicksIsRefusedForAll) {
    for (const char* nick : {"bob", "carol", "dave"})
        offlinerecord(nick, "pw");
    connect("eve", "AKAAA", kHostA, "a.example");
    connect("friend", "AKAAB", kHostA, "a.example");
    for (const char* nick : {"bob", "carol"})
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(attempt("AKAAA", std::string("ghost ") + nick + " no"),
                      to("AKAAA", "Password incorrect."))
                << nick << i;
    EXPECT_EQ(attempt("AKAAA", "ghost dave pw"), to("AKAAA", kClientLock));
    // Another client on the same host still gets through to dave.
    EXPECT_EQ(attempt("AKAAB", "ghost dave pw"), to("AKAAB", "no such nick: dave"));
}

TEST_F(NickServPasswords, EveryTenthFailureForANickIsReportedToTheOperators) {
    offlinerecord("bob", "pw");
    const struct {
        std::string nick, numeric;
        uint32_t ip;
    } guessers[] = {
        {"eve", "AKAAA", kHostA}, {"mallory", "AKAAB", kHostB}, {"trudy", "AKAAC", kHostC}};
    for (const auto& g : guessers)
        connect(g.nick, g.numeric, g.ip, g.nick + ".example");
    int failures = 0;
    for (const auto& g : guessers) {
        for (int i = 0; i < 4; ++i) {
            ++failures;
            Lines expected = to(g.numeric, "Password incorrect.");
            if (failures == 10)
                expected.insert(expected.begin(),
                                "ABAAD O #OperServ :(trudy) 10 failed password attempts for "
                                "nick bob, the last from trudy!user@trudy.example");
            EXPECT_EQ(attempt(g.numeric, "ghost bob no"), expected) << failures;
        }
    }
}

TEST_F(NickServPasswords, SlowChecksBeyondTheBudgetAreRefusedUntilItRefills) {
    argon2id();
    h.form.cfg.passhashrate = 10; // one check at a time
    offlinerecord("bob", "pw");
    h.form.clock.now += 1; // the registration's own hash is paid for
    connect("eve", "AKAAA", kHostA, "a.example");
    connect("friend", "AKAAB", kHostB, "b.example");
    EXPECT_EQ(say("AKAAA", "ghost bob no"), to("AKAAA", "Password incorrect."));
    EXPECT_EQ(say("AKAAB", "ghost bob pw"), to("AKAAB", kBusy));
    h.form.clock.now += 1;
    EXPECT_EQ(say("AKAAB", "ghost bob pw"), to("AKAAB", "no such nick: bob"));

    // Digest records cost next to nothing and are never refused for it.
    h.form.cfg.passhash = tessel::tpassform::digest;
    offlinerecord("carol", "pw");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(say("AKAAB", "ghost carol pw"), to("AKAAB", "no such nick: carol")) << i;
}

TEST_F(NickServPasswords, ChecksInOneReceivedBatchShareOneBudgetHoweverLongTheyTake) {
    argon2id();
    h.form.cfg.passhashrate = 10;
    // Every reading of the clock a second later, as if each check took that long.
    int64_t ms = 0;
    h.form.passwords.millis = [&ms] { return ms += 1000; };
    offlinerecord("bob", "pw");
    connect("eve", "AKAAA", kHostA, "a.example");
    h.receive("AKAAA P " + kNickServAt + " :ghost bob one\r\nAKAAA P " + kNickServAt +
              " :ghost bob two\r\n");
    EXPECT_EQ(h.take(), notices("AKAAA", {"Password incorrect.", kBusy}));
    h.receive("AKAAA P " + kNickServAt + " :ghost bob three\r\n");
    EXPECT_EQ(h.take(), notices("AKAAA", {"Password incorrect."}));
}

TEST_F(NickServPasswords, EveryCommandStoresAndChecksTheConfiguredForm) {
    argon2id();
    int32_t u = registered("bob", "AKAAA", "first");
    const std::string first = record("bob").password;
    EXPECT_EQ(first.rfind("$argon2id$v=19$m=4096,t=2,p=1$", 0), 0u) << first;
    h.form.clock.now += 1;
    EXPECT_EQ(attempt("AKAAA", "set password first second"),
              to("AKAAA", "Your password has been changed."));
    const std::string second = record("bob").password;
    EXPECT_EQ(second.rfind("$argon2id$", 0), 0u) << second;
    EXPECT_TRUE(tessel::verifypassword(second, "second", true));
    EXPECT_FALSE(tessel::verifypassword(second, "first", true));

    h.form.clock.now += 1;
    EXPECT_EQ(attempt("AKAAA", "identify first"), to("AKAAA", "Password incorrect."));
    h.form.clock.now += 1;
    EXPECT_EQ(attempt("AKAAA", "identify second"),
              to("AKAAA", "Password accepted, you are now recognized."));
    EXPECT_EQ(record("bob").password, second); // already in the configured form
    h.form.clock.now += 1;
    EXPECT_EQ(attempt("AKAAA", "drop second"), to("AKAAA", "Your nick has been unregistered."));
    EXPECT_FALSE(user(u).identified);
}

class NickServPasswordFiles : public NickServPasswords {
protected:
    TempDir dir;
    WorkingDir cwd{dir.path()};

    // The pass= line of bob's record in the saved file.
    std::string savedpass() {
        EXPECT_TRUE(h.form.SAVENICKSERV());
        const std::string text = dir.read("nickserv.db");
        const size_t at = text.find("\npass=");
        if (at == std::string::npos) return "";
        const size_t start = at + 6;
        return text.substr(start, text.find('\n', start) - start);
    }
    void reload() {
        h.form.CLEARNS();
        h.form.LOADNICKSERV();
    }
};

TEST_F(NickServPasswordFiles, ADigestDatabaseLoadsIdentifiesAndMigratesOnIdentify) {
    dir.write("nickserv.db", kTodaysNickDb);
    reload();
    connect("bob", "AKAAA", kHostA, "a.example");

    // Under the default form nothing is rewritten.
    EXPECT_EQ(attempt("AKAAA", "identify secret"),
              to("AKAAA", "Password accepted, you are now recognized."));
    EXPECT_EQ(savedpass(), "jDGh.pg9zf90a");

    // Under argon2id a wrong password leaves the digest, the right one replaces it.
    argon2id();
    h.feed("AKAAA Q :bye");
    connect("bob", "AKAAB", kHostA, "a.example");
    EXPECT_EQ(attempt("AKAAB", "identify Secret"), to("AKAAB", "Password incorrect."));
    EXPECT_EQ(savedpass(), "jDGh.pg9zf90a");
    h.form.clock.now += 1;
    EXPECT_EQ(attempt("AKAAB", "identify secret"),
              to("AKAAB", "Password accepted, you are now recognized."));
    const std::string hashed = savedpass();
    EXPECT_EQ(hashed.rfind("$argon2id$v=19$m=4096,t=2,p=1$", 0), 0u) << hashed;

    // The file keeps the hash text whole ("$", "=", "," and all) and it
    // identifies again after a reload.
    reload();
    EXPECT_EQ(record("bob").password, hashed);
    h.feed("AKAAB Q :bye");
    connect("bob", "AKAAC", kHostB, "b.example");
    h.form.clock.now += 1;
    EXPECT_EQ(attempt("AKAAC", "identify secret"),
              to("AKAAC", "Password accepted, you are now recognized."));

    // Stronger limits configured later: the next identification rehashes.
    h.form.cfg.passhashops = 3;
    h.feed("AKAAC Q :bye");
    connect("bob", "AKAAD", kHostB, "b.example");
    h.form.clock.now += 1;
    EXPECT_EQ(attempt("AKAAD", "identify secret"),
              to("AKAAD", "Password accepted, you are now recognized."));
    EXPECT_EQ(savedpass().rfind("$argon2id$v=19$m=4096,t=3,p=1$", 0), 0u);
}

} // namespace
