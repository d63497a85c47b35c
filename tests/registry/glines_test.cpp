#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/picturetest.h"

using namespace tessel;
using namespace tesseltest;

namespace {

class Glines : public PictureTest {
protected:
    logcapture log{form, 0x400};
    int32_t now = form.clock.now;

    int usedcount() const {
        int n = 0;
        for (const tgline& g : form.oper.glines)
            n += g.used ? 1 : 0;
        return n;
    }
};

TEST_F(Glines, AddTakesTheLowestFreeEntryAndLogs) {
    form.oper.glines[0].used = true;
    form.oper.glines[0].mask = "*@first";
    form.oper.glines[2].used = true;
    form.oper.glines[2].mask = "*@third";

    form.ADDGLINE("*@bad.host", now + 3600, "spam", "alice");
    const tgline& g = form.oper.glines[1];
    EXPECT_TRUE(g.used);
    EXPECT_EQ(g.mask, "*@bad.host");
    EXPECT_EQ(g.expires, now + 3600);
    EXPECT_EQ(g.reason, "spam");
    EXPECT_EQ(g.setter, "alice");
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Added G-line: *@bad.host 3600 spam"});
    EXPECT_TRUE(h.take().empty()); // storing sends nothing
}

TEST_F(Glines, SameMaskInAnotherCaseRefreshesTheNewestEntry) {
    for (int i : {3, 7}) {
        form.oper.glines[i].used = true;
        form.oper.glines[i].mask = "*@Bad.Host";
        form.oper.glines[i].expires = now + 5;
    }
    form.ADDGLINE("*@BAD.host", now + 7200, "new reason", "-scanner-");
    EXPECT_EQ(usedcount(), 2);
    EXPECT_EQ(form.oper.glines[3].expires, now + 5);
    const tgline& g = form.oper.glines[7];
    EXPECT_EQ(g.mask, "*@BAD.host");
    EXPECT_EQ(g.expires, now + 7200);
    EXPECT_EQ(g.reason, "new reason");
    EXPECT_EQ(g.setter, "-scanner-");
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Reset expiration on G-line: *@BAD.host 7200 new reason"});
}

TEST_F(Glines, FullTableStoresAndLogsNothing) {
    for (tgline& g : form.oper.glines) {
        g.used = true;
        g.mask = "*@other";
    }
    form.ADDGLINE("*@bad.host", now + 60, "spam", "alice");
    for (const tgline& g : form.oper.glines)
        EXPECT_EQ(g.mask, "*@other");
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(Glines, SentLineNamesTheExpiryInGmt) {
    // Local time one hour ahead of UTC must not shift the GMT text.
    form.clock.zoneoffset = 3600;
    form.SENDGLINE("*@bad.host", 3600, "spam and abuse");
    form.SENDFLUSH();
    EXPECT_EQ(h.take(), std::vector<std::string>{
                            "AB GL * +*@bad.host 3600 :Banned *@bad.host Until Thu Dec 10 "
                            "03:33:20 2026 GMT [1796873600]: spam and abuse"});

    form.clock.zoneoffset = 0;
    form.SENDGLINE("*@x", 2147483647, "forever"); // no overflow past the 32-bit clock
    form.SENDFLUSH();
    const std::vector<std::string> lines = h.take();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(" GMT [3944353647]: forever"), std::string::npos) << lines[0];
}

} // namespace
