#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/botfixture.h"
#include "registry/encodepass.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

class NickServOwnership : public BotTest {};

const std::string kSafeRefusal = "error: You can not use \"/msg NickServ\" to identify. Use \"/msg "
                                 "NickServ@services.test\" or \"/nickserv\"";

} // namespace

TEST_F(NickServOwnership, RegisterCreatesAnIdentifiedRecordWithTheDefaultMask) {
    int32_t u = h.adduser("Alice", "AKAAA", "", "ali", "home.example", 1234);
    const int32_t before = h.form.reg.nickcount;
    EXPECT_EQ(say("AKAAA", "register s3cret Alice@Mail.Example"),
              Lines{notice("AKAAA", "Your nick is now registered")});

    int32_t ns = h.form.GETNS("alice");
    ASSERT_GE(ns, 0);
    const tessel::Tnickserv& rec = h.form.nickreg(ns);
    EXPECT_EQ(rec.nick, "Alice");
    EXPECT_EQ(rec.access[0], "*@*");
    for (int i = 1; i < tessel::kNickAccess; ++i)
        EXPECT_EQ(rec.access[i], "") << i;
    EXPECT_EQ(rec.password, tessel::encodepass("s3cret", true));
    EXPECT_NE(rec.password, "s3cret");
    EXPECT_EQ(rec.email, "Alice@Mail.Example");
    EXPECT_EQ(rec.lastmask, "Alice!ali@home.example");
    EXPECT_EQ(rec.gecos, "Real Name");
    EXPECT_EQ(rec.TS, 1234);
    EXPECT_EQ(rec.regdate, h.form.clock.now);
    EXPECT_EQ(rec.lastdate, h.form.clock.now);
    EXPECT_EQ(rec.identuser, u);
    EXPECT_FALSE(rec.privmsg);
    EXPECT_FALSE(rec.private_);
    EXPECT_TRUE(user(u).identified);
    EXPECT_EQ(user(u).nsindex, ns);
    EXPECT_EQ(h.form.reg.nickcount, before + 1);
}

TEST_F(NickServOwnership, RegisterRefusals) {
    h.adduser("alice", "AKAAA");
    h.adduser("oper", "AKAAB", "+o");
    registered("taken", "AKAAC");
    h.feed("AKAAC Q :bye");
    h.adduser("taken", "AKAAD", "", "user", "host.example", 2000);

    struct Case {
        bool allownickreg;
        std::string from, text, reply;
    } cases[] = {
        {true, "AKAAA", "register onlypass",
         "Not enough parameters. Syntax is REGISTER <password> <email>"},
        {false, "AKAAA", "register pw a@b", "Users can't register their nick."},
        {true, "AKAAD", "register pw a@b",
         "This nick is already registered by someone. You can't register it."},
    };
    for (const auto& c : cases) {
        h.form.cfg.allownickreg = c.allownickreg;
        EXPECT_EQ(say(c.from, c.text), Lines{notice(c.from, c.reply)}) << c.text;
    }
    EXPECT_LT(h.form.GETNS("alice"), 0);

    // An IRC operator may register while registration is closed.
    h.form.cfg.allownickreg = false;
    EXPECT_EQ(say("AKAAB", "register pw o@b"),
              Lines{notice("AKAAB", "Your nick is now registered")});
}

TEST_F(NickServOwnership, RegisterWithAFullTableIsRefused) {
    int32_t u = h.adduser("alice", "AKAAA");
    auto& table = h.form.reg.nicks;
    std::fill(table.inuse.begin(), table.inuse.end(), 1);
    table.highwater = table.capacity() - 1;
    const int32_t before = h.form.reg.nickcount;
    EXPECT_EQ(
        say("AKAAA", "register pw a@b"),
        Lines{notice("AKAAA", "The nick database is full. Your nick could not be registered.")});
    EXPECT_FALSE(user(u).identified);
    EXPECT_EQ(h.form.reg.nickcount, before);
    EXPECT_LT(h.form.GETNS("alice"), 0);
}

TEST_F(NickServOwnership, IdentifyChecksFormPasswordAndMask) {
    offlinerecord("bob", "right");
    struct Case {
        bool safe;
        std::string target, text, reply;
        bool identified;
    } cases[] = {
        {true, kNickServ, "identify right", kSafeRefusal, false},
        {true, "nickserv@SERVICES.TEST", "identify wrong", "Password incorrect.", false},
        {true, kNickServAt, "identify", "Not enough parameters. Syntax is IDENTIFY <password>",
         false},
        {false, kNickServ, "identify right", "Password accepted, you are now recognized.", true},
        {true, kNickServAt, "IDENTIFY right", "Password accepted, you are now recognized.", true},
    };
    for (const auto& c : cases) {
        h.form.cfg.safeidentify = c.safe;
        int32_t u = h.adduser("bob", "AKAAB", "", "user", "host.example", 2000);
        Lines sent = say("AKAAB", c.text, c.target);
        ASSERT_FALSE(sent.empty()) << c.text;
        EXPECT_EQ(sent[0], notice("AKAAB", c.reply)) << c.text;
        EXPECT_EQ(user(u).identified, c.identified) << c.text;
        if (c.identified) {
            EXPECT_EQ(record("bob").identuser, u);
        }
        h.feed("AKAAB Q :bye");
    }
}

TEST_F(NickServOwnership, IdentifyRefusesUnregisteredNickAndForeignMask) {
    h.adduser("nobody", "AKAAA");
    EXPECT_EQ(say("AKAAA", "identify pw", kNickServAt),
              Lines{notice("AKAAA", "Your nick is not registered.")});

    int32_t ns = offlinerecord("bob", "right");
    h.form.nickreg(ns).access.set(0, "*@trusted.example");
    int32_t u = h.adduser("bob", "AKAAB", "", "user", "elsewhere.example", 2000);
    h.take();
    EXPECT_EQ(say("AKAAB", "identify right", kNickServAt),
              Lines{notice("AKAAB", "Your mask does not match the ACCESS list, cannot identify.")});
    EXPECT_FALSE(user(u).identified);
}

TEST_F(NickServOwnership, GhostAndRecoverKillTheHolderOfTheNick) {
    offlinerecord("bob", "pw");
    h.adduser("alice", "AKAAA");
    h.adduser("bob", "AKAAB", "", "imp", "imp.example", 2000);
    for (const char* cmd : {"ghost", "RECOVER"}) {
        std::string upper = cmd == std::string("ghost") ? "GHOST" : "RECOVER";
        EXPECT_EQ(say("AKAAA", std::string(cmd) + " bob"),
                  Lines{notice("AKAAA", "Not enough parameters. Syntax is " + upper +
                                            " <nick> <password>")});
    }
    EXPECT_EQ(say("AKAAA", "ghost carol pw"),
              Lines{notice("AKAAA", "carol is not a registered nickname")});
    EXPECT_EQ(say("AKAAA", "ghost BOB nope"), Lines{notice("AKAAA", "Password incorrect.")});
    EXPECT_GE(h.form.GETNICK("bob"), 0);

    EXPECT_EQ(say("AKAAA", "recover BOB pw"),
              (Lines{notice("AKAAA", "BOB has been killed."),
                     "ABAAB D AKAAB :services.test!NickServ (Kill requested by alice)"}));
    EXPECT_LT(h.form.GETNICK("bob"), 0);
    EXPECT_EQ(say("AKAAA", "ghost bob pw"), Lines{notice("AKAAA", "no such nick: bob")});
}

TEST_F(NickServOwnership, GhostChecksTheSendersMaskNotTheTargets) {
    int32_t ns = offlinerecord("bob", "pw");
    h.form.nickreg(ns).access.set(0, "*@trusted.example");
    h.adduser("bob", "AKAAB", "", "user", "trusted.example", 2000);
    h.adduser("alice", "AKAAA", "", "user", "other.example");
    EXPECT_EQ(say("AKAAA", "ghost bob pw"),
              Lines{notice("AKAAA", "Your mask does not match the ACCESS list, cannot identify.")});
    EXPECT_GE(h.form.GETNICK("bob"), 0);
}

TEST_F(NickServOwnership, GhostOnOneselfRemovesTheSender) {
    offlinerecord("bob", "pw");
    h.adduser("bob", "AKAAB", "", "user", "host.example", 2000);
    EXPECT_EQ(say("AKAAB", "ghost bob pw"),
              (Lines{notice("AKAAB", "bob has been killed."),
                     "ABAAB D AKAAB :services.test!NickServ (Kill requested by bob)"}));
    EXPECT_LT(h.form.GETNICK("bob"), 0);
}

TEST_F(NickServOwnership, DropRemovesTheRecordAndTheIdentification) {
    int32_t u = registered("alice", "AKAAA", "pw");
    const int32_t count = h.form.reg.nickcount;
    EXPECT_EQ(say("AKAAA", "drop"),
              Lines{notice("AKAAA", "Not enough parameters. Syntax is DROP <password>")});
    EXPECT_EQ(say("AKAAA", "drop wrong"), Lines{notice("AKAAA", "Password incorrect.")});
    EXPECT_EQ(say("AKAAA", "drop pw"), Lines{notice("AKAAA", "Your nick has been unregistered.")});
    EXPECT_LT(h.form.GETNS("alice"), 0);
    EXPECT_FALSE(user(u).identified);
    EXPECT_EQ(user(u).nsindex, -1);
    EXPECT_EQ(h.form.reg.nickcount, count - 1);
    EXPECT_EQ(say("AKAAA", "drop pw"), Lines{notice("AKAAA", "Your nick is not registered.")});

    // The nick is free again.
    EXPECT_EQ(say("AKAAA", "register new a@b"),
              Lines{notice("AKAAA", "Your nick is now registered")});
}

TEST_F(NickServOwnership, DropByAnUnidentifiedHolderNeedsMaskAndPassword) {
    int32_t ns = offlinerecord("bob", "pw");
    h.form.nickreg(ns).access.set(0, "*@trusted.example");
    int32_t u = h.adduser("bob", "AKAAB", "", "user", "other.example", 2000);
    EXPECT_EQ(say("AKAAB", "drop pw"),
              Lines{notice("AKAAB", "Your mask does not match the ACCESS list, cannot identify.")});
    EXPECT_GE(h.form.GETNS("bob"), 0);
    h.feed("AKAAB Q :bye");
    u = h.adduser("bob", "AKAAC", "", "user", "trusted.example", 2000);
    EXPECT_EQ(say("AKAAC", "drop pw"), Lines{notice("AKAAC", "Your nick has been unregistered.")});
    EXPECT_EQ(user(u).nsindex, -1);
}
