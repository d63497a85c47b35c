// The databases across two runs of the daemon: what one run finds and adds is
// what the next run reads back.
#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <functional>
#include <string>
#include <sys/stat.h>

#include "support/daemon.h"
#include "support/scriptedhub.h"

namespace {

using tesseltest::DaemonDir;
using tesseltest::ScriptedHub;

// Deadline for anything the daemon does at once; not a statement about speed.
constexpr int kWait = 30;

class DatabaseRuns : public testing::Test {
protected:
    DaemonDir dir;

    // One run: start, take the link, play the script, stop with SIGTERM.
    void run(const std::function<void(ScriptedHub&)>& script) {
        ScriptedHub hub;
        dir.write("tesselsv.ini",
                  "CONNECTADDR=127.0.0.1\nCONNECTPORT=" + std::to_string(hub.port()) +
                      "\nCONNECTPASS=linkpass\nSERVERNAME=services.test\n"
                      "SERVERID=1\n");
        const pid_t pid = dir.start({"foreground"});
        ASSERT_TRUE(hub.accept(kWait));
        hub.introduce("linkpass");
        script(hub);
        ::kill(pid, SIGTERM);
        EXPECT_TRUE(hub.waitclosed(kWait));
        EXPECT_EQ(dir.waitexit(pid, kWait), 0);
    }

    static bool sees(ScriptedHub& hub, const std::string& line) {
        return hub.readuntil([&](const std::string& l) { return l == line; }, kWait).has_value();
    }
};

TEST_F(DatabaseRuns, WhatOneRunSavesTheNextReads) {
    // Files as an operator may have edited them: comments, CR LF, odd key case.
    // Recent enough not to expire at start.
    const std::string seen = std::to_string(std::time(nullptr));
    dir.write("nickserv.db",
              "; kept by hand\r\nNICK=Keeper\r\nLastDate=" + seen + "\r\naccess=*@* \r\n");
    dir.write("chanserv.db", "# CHANSERV DATABASE\n\nchannel=#kept\nlastdate=" + seen +
                                 "\nTS=1000\nowner=Keeper\n");
    dir.write("operserv.db", "BootTime=1700000000\n\nGline=*@bad.example 2000000000 Oper :go away\n"
                             "\nJupe=evil.server Ez :no\n");

    // The first run: the files are read, a user registers, the stop saves.
    run([](ScriptedHub& hub) {
        EXPECT_TRUE(hub.readuntilprefix("AB S evil.server 2 1700000000 ", kWait));
        EXPECT_TRUE(sees(hub, "AB B #OperServ 1700000000 +ntsi ABAAD:o"));
        EXPECT_TRUE(sees(hub, "AB B #kept 1000 ABAAA:o :%"));
        ASSERT_TRUE(sees(hub, "AB EB"));
        hub.send("AK EB ");
        hub.send("AK N baddie 1 1796870000 id bad.example +i B]AAAB AKAAC :Bad");
        EXPECT_TRUE(hub.readuntilprefix("AB GL * +*@bad.example ", kWait));
        hub.send("AK N newbie 1 1796870000 id host.example +i B]AAAB AKAAB :Real");
        hub.send("AKAAB P ABAAB :REGISTER secret new@example.org");
        EXPECT_TRUE(hub.readuntilprefix("ABAAB O AKAAB :", kWait));
    });
    const std::string nicks = dir.read("nickserv.db");
    EXPECT_EQ(nicks.rfind("# NICKSERV DATABASE\n\nnick=Keeper\n", 0), 0u) << nicks;
    EXPECT_NE(nicks.find("\nnick=newbie\n"), std::string::npos) << nicks;
    EXPECT_NE(dir.read("chanserv.db")
                  .find("channel=#kept\nregdate=0\nlastdate=" + seen +
                        "\nTS=1000\nowner=Keeper\npass=\nmlock=+tn\n"),
              std::string::npos)
        << dir.read("chanserv.db");
    EXPECT_EQ(dir.read("operserv.db")
                  .rfind("BootTime=1700000000\n\nGline=*@bad.example 2000000000 Oper :go away\n\n"
                         "Jupe=evil.server Ez :no\n\n",
                         0),
              0u)
        << dir.read("operserv.db");
    for (const char* name : {"nickserv.db", "chanserv.db", "operserv.db"}) {
        struct stat st {};
        ASSERT_EQ(::stat((dir / name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
        EXPECT_FALSE(dir.exists(std::string(name) + ".tmp")) << name;
    }

    // The second run knows the new registration and the old operator data.
    run([](ScriptedHub& hub) {
        EXPECT_TRUE(sees(hub, "AB B #OperServ 1700000000 +ntsi ABAAD:o"));
        EXPECT_TRUE(sees(hub, "AB B #kept 1000 ABAAA:o :%"));
        ASSERT_TRUE(sees(hub, "AB EB"));
        hub.send("AK EB ");
        hub.send("AK N newbie 1 1796870000 id host.example +i B]AAAB AKAAB :Real");
        hub.send("AKAAB P NickServ@services.test :IDENTIFY secret");
        EXPECT_TRUE(sees(hub, "ABAAB O AKAAB :Password accepted, you are now recognized."));
    });
}

} // namespace
