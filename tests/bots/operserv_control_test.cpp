#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/operservfixture.h"
#include "eventcore/loop.h"
#include "registry/safefile.h"
#include "state/tableops.h"
#include "support/tempdir.h"

using namespace tesseltest;

namespace {

class OperServControl : public OperServTest {
protected:
    OperServControl() : in(dir.path()) { callers(); }
    ~OperServControl() override {
        tessel::setsafefilefault(nullptr);
        tessel::loopstate().exitrequested = false;
    }
    TempDir dir;
    WorkingDir in; // the databases and the configuration live here
};

} // namespace

TEST_F(OperServControl, SetnickpassStoresTheEncodedPassword) {
    EXPECT_EQ(ask("AKAAS", "SETNICKPASS idop"), Lines{os("AKAAS", "Not enough parameters.")});
    EXPECT_EQ(ask("AKAAS", "SETNICKPASS nobody x"),
              Lines{os("AKAAS", "No such registered nick: nobody")});
    EXPECT_EQ(ask("AKAAS", "SETNICKPASS IDOP secret"),
              (Lines{oc("sop", "SETNICKPASS IDOP"),
                     os("AKAAS", "Nickserv password of IDOP has been changed.")}));
    // The stored form of "secret" with CRYPTPASS on.
    EXPECT_EQ(record("idop").password, "jDGh.pg9zf90a");
    h.form.cfg.cryptpass = false;
    ask("AKAAS", "SETNICKPASS idop n3w");
    EXPECT_EQ(record("idop").password, "n3w");
}

TEST_F(OperServControl, NickdropTakesTheIdentificationAway) {
    registered("sop2", "AKAA2", "secret", "+o");
    h.take();
    const int32_t victim = h.form.GETNICK("sop2");
    ASSERT_TRUE(user(victim).servicesop);
    const int32_t count = h.form.reg.nickcount;
    EXPECT_EQ(ask("AKAAS", "NICKDROP"), Lines{os("AKAAS", "Not enough parameters.")});
    EXPECT_EQ(ask("AKAAS", "NICKDROP nobody"),
              Lines{os("AKAAS", "No such registered nick: nobody")});
    EXPECT_EQ(ask("AKAAS", "NICKDROP SOP2"),
              (Lines{oc("sop", "NICKDROP SOP2"), os("AKAAS", "Nick SOP2 has been unregistered.")}));
    EXPECT_EQ(h.form.GETNS("sop2"), -1);
    EXPECT_EQ(h.form.reg.nickcount, count - 1);
    EXPECT_FALSE(user(victim).identified);
    EXPECT_EQ(user(victim).nsindex, -1);
    EXPECT_FALSE(user(victim).servicesop);
}

TEST_F(OperServControl, NickdropUntiesAnUnidentifiedHolderOfTheNick) {
    registered("held", "AKAAH");
    h.feed("AKAAH Q :gone");
    const int32_t holder = h.adduser("held", "AKAAJ", "", "other", "elsewhere.example", 2000);
    h.take();
    ASSERT_GE(user(holder).nsindex, 0);
    ask("AKAAS", "NICKDROP held");
    EXPECT_EQ(user(holder).nsindex, -1);
    EXPECT_EQ(user(holder).nagstate, 0);
}

TEST_F(OperServControl, DisconnectUnlinksAndStaysAway) {
    logged();
    EXPECT_EQ(ask("AKAAS", "DISCONNECT"),
              (Lines{"ABAAA Q :brb", "AB SQ hub.test 0 :DISCONNECT command used by sop"}));
    EXPECT_EQ(logged(), Lines{"DISCONNECT used by sop"});
    EXPECT_EQ(h.form.link.linkstate, 0);
    EXPECT_FALSE(h.form.link.autoreconnect);
    EXPECT_EQ(h.form.GETNICK("sop"), -1);
}

TEST_F(OperServControl, DieEndsTheLoopWithItsReason) {
    logged();
    EXPECT_EQ(ask("AKAAS", "DIE"), Lines{});
    EXPECT_EQ(logged(), Lines{"DIE used by sop"});
    EXPECT_EQ(h.form.link.quitreason, "DIE command used by sop");
    EXPECT_TRUE(tessel::loopstate().exitrequested);
    // The orderly stop after the loop unlinks with that reason.
    h.form.BUTTONDIECLICK();
    EXPECT_EQ(h.take(), (Lines{"ABAAA Q :brb", "AB SQ hub.test 0 :DIE command used by sop"}));
}

TEST_F(OperServControl, InitUnlinksAndReloadsConfigurationAndDatabases) {
    dir.write("tesselsv.ini",
              "SERVERNAME=services.test\nSERVERID=1\nOPERCHANNEL=#staff\nOPERNICK=Oper\n");
    dir.write("nickserv.db", "nick=fromdisk\npass=x\n\n");
    EXPECT_EQ(ask("AKAAS", "INIT"),
              (Lines{oc("sop", "INIT"), "ABAAA Q :brb", "AB SQ hub.test 0 :Re initializing"}));
    EXPECT_EQ(h.form.cfg.operchannel, "#staff");
    EXPECT_EQ(h.form.cfg.opernick, "Oper");
    EXPECT_EQ(h.form.cfg.servernumeric, "AB");
    EXPECT_GE(h.form.GETNS("fromdisk"), 0);
    EXPECT_EQ(h.form.GETNS("sop"), -1); // registrations since the last save are not on disk
    EXPECT_TRUE(h.form.link.quitreason.empty());
    EXPECT_TRUE(h.form.link.autoreconnect);
    EXPECT_TRUE(h.form.net.servers[0].inuse);
    EXPECT_FALSE(h.form.net.servers[1].inuse);
}

TEST_F(OperServControl, ResetAndResetglineResend) {
    const int32_t cs = h.form.newcsslot();
    tessel::newrecord(h.form.reg.chans, cs);
    h.form.SETCS(cs, "#reg");
    h.form.chanreg(cs).topic = "welcome";
    h.form.ADDGLINE("*@live.example", h.form.clock.now + 100, "still on", "sop");
    h.form.ADDGLINE("*@past.example", h.form.clock.now, "over", "sop");
    h.take();
    const std::string now = std::to_string(h.form.clock.now);
    EXPECT_EQ(ask("AKAAO", "RESET"),
              (Lines{oc("oper", "RESET"), "ABAAA J #reg :" + now, "AB M #reg +o ABAAA",
                     "ABAAA T #reg :welcome"}));
    h.form.cfg.settime = true;
    EXPECT_EQ(ask("AKAAO", "RESET")[1], "AB SE :" + now);
    EXPECT_EQ(ask("AKAAO", "RESETGLINE"),
              (Lines{oc("oper", "RESETGLINE"),
                     "AB GL * +*@live.example 100 :Banned *@live.example Until Thu Dec 10 "
                     "02:35:00 2026 GMT [1796870100]: still on"}));
}

TEST_F(OperServControl, SavedbWritesTheFilesOrNamesTheOneThatFailed) {
    EXPECT_EQ(ask("AKAAS", "SAVEDB"), (Lines{oc("sop", "SAVEDB"), os("AKAAS", "Databases saved")}));
    EXPECT_NE(dir.read("nickserv.db").find("nick=sop"), std::string::npos);
    EXPECT_TRUE(dir.exists("chanserv.db"));
    EXPECT_EQ(dir.read("operserv.db").rfind("BootTime=", 0), 0u);

    tessel::setsafefilefault([](tessel::safefilestep step, const std::string& path) {
        return step == tessel::safefilestep::rename && path == "chanserv.db" ? 28 : 0;
    });
    EXPECT_EQ(ask("AKAAS", "SAVEDB"),
              (Lines{oc("sop", "SAVEDB"), os("AKAAS", "Database not saved: chanserv.db")}));
}
