#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/picturetest.h"

using namespace tessel;
using namespace tesseltest;

namespace {

class Newuser : public PictureTest {
protected:
    logcapture log{form, 0x4};

    void gline(int slot, const std::string& mask, int32_t left, const std::string& reason) {
        tgline& g = form.oper.glines[slot];
        g.used = true;
        g.mask = mask;
        g.expires = form.clock.now + left;
        g.reason = reason;
    }
    int32_t arrive() {
        userfields s;
        s.nick = "bob";
        s.numeric = "AKAAB";
        s.ident = "Bob";
        s.host = "Dial.Example.net";
        s.ip = "192.0.2.7";
        const int32_t u = placeuser(form, s);
        form.NEWUSER(u);
        form.SENDFLUSH();
        return u;
    }
};

TEST_F(Newuser, GreetsResendsMatchingGlinesAndLogs) {
    form.cfg.autogreet = "Welcome to the network";
    form.cfg.msgcommand = "P";
    form.clock.zoneoffset = 0;
    gline(0, "*@other.host", 600, "not this one");
    gline(2, "bob@*.EXAMPLE.NET", 600, "by host");
    gline(5, "*@192.0.2.*", 60, "by address");
    gline(6, "*@*", 0, "ends now");
    gline(7, "*@*", -5, "already over");

    arrive();
    const std::vector<std::string> lines = h.take();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "ABAAA P AKAAB :Welcome to the network");
    EXPECT_EQ(lines[1].substr(0, 48), "AB GL * +bob@*.EXAMPLE.NET 600 :Banned bob@*.EXA");
    EXPECT_NE(lines[1].find("]: by host"), std::string::npos);
    EXPECT_EQ(lines[2].substr(0, 28), "AB GL * +*@192.0.2.* 60 :Ban");
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Client connect: bob (Bob@Dial.Example.net)"});
}

TEST_F(Newuser, NoGreetingAndNoGlineMeansNothingSent) {
    arrive();
    EXPECT_TRUE(h.take().empty());
    EXPECT_EQ(log.messages().size(), 1u);
}

} // namespace
