#include <gtest/gtest.h>

#include <string>

#include "engine/tform1.h"
#include "support/casename.h"
#include "support/harness.h"
#include "support/tempdir.h"

namespace {

using tessel::TForm1;
using tesseltest::TempDir;
using tesseltest::WorkingDir;

// 2024-10-04 07:03:05 UTC, a Friday.
constexpr int32_t kMorning = 1728025385;
constexpr int32_t kNextDay = kMorning + 86400 - 25385 + 9 * 60 + 5; // 00:09:05 the day after

struct MaskCase {
    const char* name;
    const char* logmask;
    std::string expected;
};

// Shown in test listings and failures instead of the struct's bytes.
void PrintTo(const MaskCase& c, std::ostream* os) {
    *os << c.name << " (LOGMASK=" << c.logmask << ")";
}

const MaskCase kMaskCases[] = {
    {"NothingByDefault", "0", ""},
    {"DisconnectionsOnly", "2",
     "*** Fri Oct 4 07:03:05 2024\n[7:3] Services disconnected from server, error 0\n"},
    {"LinkAndRaw", "8195",
     "*** Fri Oct 4 07:03:05 2024\n[7:3] Services connected to server\n"
     "[7:3] RAW: AK G !1 services.test 1\n[7:3] Services disconnected from server, error 0\n"},
};

class LogMask : public testing::TestWithParam<MaskCase> {};

TEST_P(LogMask, WritesTheSelectedCategories) {
    TempDir dir;
    WorkingDir cwd(dir.path());
    dir.write("tesselsv.ini", std::string("LOGFILE=services.log\nLOGMASK=") + GetParam().logmask);
    TForm1 form;
    form.LOADCONF();
    form.clock.now = kMorning;
    form.LOGWRITE(0x1, "Services connected to server");
    form.LOGWRITE(0x2000, "RAW: AK G !1 services.test 1");
    form.LOGWRITE(0x2, "Services disconnected from server, error 0");
    ASSERT_TRUE(dir.exists("services.log"));
    EXPECT_EQ(dir.read("services.log"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Masks, LogMask, testing::ValuesIn(kMaskCases), tesseltest::casename);

// A date line opens each day; reopening the log on a re-read does not repeat
// it. Time stamps stay in UTC whatever the local zone, consistent with the
// date line.
TEST(LogWrite, DateLineAtEachNewDay) {
    TempDir dir;
    WorkingDir cwd(dir.path());
    dir.write("tesselsv.ini", "LOGFILE=services.log\nLOGMASK=32767\n");
    TForm1 form;
    form.LOADCONF();
    form.clock.zoneoffset = 7200;
    form.clock.now = kMorning;
    form.LOGWRITE(0x4, "first");
    form.clock.now = kMorning + 3600 * 2 + 60 * 50;
    form.LOGWRITE(0x8, "second");
    form.LOADCONF();
    form.LOGWRITE(0x10, "after re-read");
    form.clock.now = kNextDay;
    form.LOGWRITE(0x4000, "next day");
    EXPECT_EQ(dir.read("services.log"), "*** Fri Oct 4 07:03:05 2024\n"
                                        "[7:3] first\n"
                                        "[9:53] second\n"
                                        "[9:53] after re-read\n"
                                        "*** Sat Oct 5 00:09:05 2024\n"
                                        "[0:9] next day\n");
}

TEST(SendOperChannel, NamesTheUserInAnOperServNotice) {
    tesseltest::Harness h;
    h.form.cfg.operchannel = "#Opers";
    h.form.net.users.recs[3] = std::make_unique<tessel::Tuser>();
    h.form.net.users.inuse[3] = 1;
    h.form.net.users[3].nick = "alice";
    h.form.SENDOPERCHANNEL(3, "used GLINE");
    h.form.SENDOPERCHANNEL(-1, "no user"); // never reads outside the table
    h.form.SENDFLUSH();
    EXPECT_EQ(h.take(), (std::vector<std::string>{"ABAAD O #Opers :(alice) used GLINE",
                                                  "ABAAD O #Opers :() no user"}));
}

} // namespace
