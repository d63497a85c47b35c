#include <gtest/gtest.h>

#include "engine/pidfile.h"
#include "engine/tform1.h"
#include "support/tempdir.h"

namespace {

using tessel::TForm1;
using tesseltest::TempDir;
using tesseltest::WorkingDir;

TEST(Terminate, HookReplacesTheStop) {
    TForm1 form;
    int calls = 0;
    form.terminatehook = [&] { ++calls; };
    form.TERMINATE();
    EXPECT_EQ(calls, 1);
}

// The immediate stop still saves the databases and releases the pid file.
TEST(TerminateDeathTest, SavesRemovesThePidFileAndExitsZero) {
    TempDir dir;
    WorkingDir cwd(dir.path());
    EXPECT_EXIT(
        {
            tessel::tpidfile pid("tesselsv.pid");
            if (!pid.lock()) std::exit(3);
            pid.writepid(12345);
            tessel::activepidfile = &pid;
            TForm1 form;
            form.LOADCONF();
            form.TERMINATE();
            std::exit(4);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_FALSE(dir.exists("tesselsv.pid"));
    EXPECT_TRUE(dir.exists("nickserv.db"));
    EXPECT_TRUE(dir.exists("chanserv.db"));
    EXPECT_TRUE(dir.exists("operserv.db"));
}

TEST(PidFile, SecondLockFailsAndLeavesTheFile) {
    TempDir dir;
    tessel::tpidfile first((dir / "tesselsv.pid").string());
    ASSERT_TRUE(first.lock());
    first.writepid(4242);
    tessel::tpidfile second((dir / "tesselsv.pid").string());
    EXPECT_FALSE(second.lock());
    EXPECT_EQ(dir.read("tesselsv.pid"), "4242\n");
    first.remove();
    EXPECT_FALSE(dir.exists("tesselsv.pid"));
    EXPECT_TRUE(second.lock());
}

TEST(PidFile, ShorterPidReplacesLongerContent) {
    TempDir dir;
    dir.write("tesselsv.pid", "9999999\nstale\n");
    tessel::tpidfile pid((dir / "tesselsv.pid").string());
    ASSERT_TRUE(pid.lock());
    EXPECT_EQ(dir.read("tesselsv.pid"), "");
    pid.writepid(42);
    EXPECT_EQ(dir.read("tesselsv.pid"), "42\n");
}

} // namespace
