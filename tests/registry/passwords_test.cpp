#include <gtest/gtest.h>

#include <string>

#include "registry/passthrottle.h"
#include "registry/passwords.h"

using namespace tessel;

namespace {

// A reference digest: "secret" as every existing database holds it.
const std::string kSecretDigest = "jDGh.pg9zf90a";

tpasswordpolicy argon(uint32_t ops = kArgonOpsDefault, uint32_t memkib = kArgonMemDefaultKiB) {
    tpasswordpolicy p;
    p.form = tpassform::argon2id;
    p.opslimit = ops;
    p.memkib = memkib;
    return p;
}

TEST(Passwords, StoredFormFollowsThePolicy) {
    const std::string hashed = storepassword("secret", argon());
    EXPECT_EQ(hashed.rfind("$argon2id$v=19$m=4096,t=2,p=1$", 0), 0u) << hashed;
    EXPECT_NE(storepassword("secret", argon()), hashed); // salted
    EXPECT_EQ(storepassword("secret", tpasswordpolicy{}), kSecretDigest);

    tpasswordpolicy clear = argon();
    clear.cryptpass = false;
    EXPECT_EQ(storepassword("secret", clear), "secret");
    EXPECT_EQ(storepassword("", argon()), "");
    EXPECT_EQ(storepassword("", tpasswordpolicy{}), "");
}

TEST(Passwords, EveryStoredFormIsRecognised) {
    const std::string hashed = storepassword("s3cr$t=,x", argon());
    const std::string nul(std::string("a\0b", 3));
    const std::string hashednul = storepassword(nul, argon());
    struct Case {
        std::string stored, typed;
        bool cryptpass, match;
    } cases[] = {
        {kSecretDigest, "secret", true, true},
        {kSecretDigest, "Secret", true, false},
        {kSecretDigest, kSecretDigest, true, false},
        {kSecretDigest, "secret", false, false}, // clear text compares as typed
        {"secret", "secret", false, true},
        {"secret", "secret", true, false},
        {hashed, "s3cr$t=,x", true, true},
        {hashed, "s3cr$t=,x", false, true}, // a hash stays a hash
        {hashed, "s3cr$t=,X", true, false},
        {hashed, hashed, false, false},
        {hashednul, nul, true, true},
        {hashednul, "a", true, false},
        {hashed.substr(0, hashed.size() - 4), "s3cr$t=,x", true, false},
        {"$argon2id$garbage", "x", true, false},
        // Limits far beyond what is ever configured are not hashed at all.
        {"$argon2id$v=19$m=1048576,t=2,p=1$c2FsdHNhbHRzYWx0$aGFzaGhhc2hoYXNoaGFzaA", "x", true,
         false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(verifypassword(c.stored, c.typed, c.cryptpass), c.match)
            << c.stored << " / " << c.typed << " cryptpass " << c.cryptpass;
}

TEST(Passwords, ACorrectPasswordIsStoredAgainInTheConfiguredForm) {
    const std::string own = storepassword("pw", argon());
    const std::string weaker = storepassword("pw", argon(1, 1024));
    tpasswordpolicy clear = argon();
    clear.cryptpass = false;
    struct Case {
        std::string stored;
        tpasswordpolicy policy;
        bool restore;
    } cases[] = {
        {kSecretDigest, argon(), true},
        {own, argon(), false},
        {weaker, argon(), true},
        {own, argon(3), true},
        {own, tpasswordpolicy{}, true}, // the operator went back to the digest
        {kSecretDigest, tpasswordpolicy{}, false},
        {own, clear, false}, // never a hash over to clear text
        {"secret", clear, false},
        {"", argon(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(needsrestore(c.stored, c.policy), c.restore) << c.stored;
}

TEST(Passwords, CheckCostIsCountedInChecksOfTheConfiguredForm) {
    EXPECT_EQ(checkcost(kSecretDigest, argon()), 0u);
    EXPECT_EQ(checkcost("secret", argon()), 0u);
    EXPECT_EQ(checkcost("$argon2id$v=19$m=4096,t=2,p=1$salt$hash", argon()), 1u);
    EXPECT_EQ(checkcost("$argon2id$v=19$m=8192,t=3,p=1$salt$hash", argon()), 3u);
    EXPECT_EQ(checkcost("$argon2id$v=19$m=1024,t=1,p=1$salt$hash", argon()), 1u);
    EXPECT_EQ(checkcost("$argon2id$v=19$m=4096,t=2,p=1$salt$hash", tpasswordpolicy{}), 1u);
    EXPECT_EQ(checkcost("$argon2id$v=19$t=2,p=1$salt$hash", argon()), 0u);
}

TEST(FailureTable, LocksAfterTheLimitWithinTheWindowAndForgetsAfterTheLock) {
    tfailuretable t(16);
    const int32_t now = 1000;
    for (int i = 1; i < 5; ++i) {
        EXPECT_FALSE(t.fail("k", now + i, 5, 600, 600)) << i;
        EXPECT_EQ(t.lockedfor("k", now + i), 0) << i;
    }
    EXPECT_TRUE(t.fail("k", now + 5, 5, 600, 600));
    EXPECT_EQ(t.lockedfor("k", now + 5), 600);
    EXPECT_EQ(t.lockedfor("k", now + 604), 1);
    EXPECT_EQ(t.lockedfor("k", now + 605), 0);
    EXPECT_EQ(t.lockedfor("other", now + 5), 0);

    // Failures further apart than the window never add up.
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(t.fail("slow", now + 600 * i, 5, 600, 600)) << i;
    EXPECT_FALSE(t.fail("off", now, 0, 600, 600));
}

TEST(FailureTable, AFloodOfKeysStaysWithinTheCapAndKeepsTheLocks) {
    tfailuretable t(64);
    t.fail("victim", 100, 1, 600, 600);
    for (int i = 0; i < 10000; ++i)
        t.fail("host" + std::to_string(i), 100 + i / 100, 5, 600, 600);
    EXPECT_LE(t.size(), 64u);
    EXPECT_GT(t.lockedfor("victim", 150), 0);

    // Once windows and locks are over, old entries make room first.
    tfailuretable u(4);
    for (int i = 0; i < 4; ++i)
        u.fail("old" + std::to_string(i), 0, 5, 600, 600);
    u.fail("locked", 0, 1, 600, 10000);
    EXPECT_EQ(u.size(), 4u);
    u.fail("new", 700, 5, 600, 600);
    EXPECT_GT(u.lockedfor("locked", 700), 0);
    EXPECT_LE(u.size(), 4u);
}

TEST(HashBudget, ATenthOfTheRateAtOnceThenTheRate) {
    thashbudget b;
    int64_t ms = 5000;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(b.take(ms, 30, 1)) << i;
    EXPECT_FALSE(b.take(ms, 30, 1));
    EXPECT_FALSE(b.take(ms + 20, 30, 1)); // 0.6 of a check earned
    EXPECT_TRUE(b.take(ms + 40, 30, 1));
    EXPECT_FALSE(b.take(ms + 40, 30, 1));
    // A long pause never saves more than the burst.
    ms += 60000;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(b.take(ms, 30, 1)) << i;
    EXPECT_FALSE(b.take(ms, 30, 1));

    // A dear check runs on a full budget and leaves a debt; storing charges too.
    thashbudget d;
    EXPECT_TRUE(d.take(0, 10, 5));
    EXPECT_FALSE(d.take(300, 10, 1));
    EXPECT_TRUE(d.take(500, 10, 1));
    d.charge(500, 10, 1);
    EXPECT_FALSE(d.take(600, 10, 1));
    EXPECT_TRUE(b.take(ms, 0, 100)); // no budget set
    EXPECT_TRUE(b.take(ms, 30, 0));  // fast forms cost nothing
}

} // namespace
