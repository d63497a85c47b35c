#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/harness.h"
#include "support/netpicture.h"

namespace {

using Lines = std::vector<std::string>;
using tesseltest::Harness;

const Lines kServiceClients = {
    "AB N ChanServ 1 1 service services.test +kd AAAAAA ABAAA :/msg ChanServ help",
    "AB N NickServ 1 1 service services.test +kd AAAAAA ABAAB :/msg NickServ help",
    "AB N MemoServ 1 1 service services.test +kd AAAAAA ABAAC :/msg MemoServ help",
    "AB N OperServ 1 1 service services.test +okd AAAAAA ABAAD :IRC Operator service",
};

Lines spawn(Harness& h) {
    h.form.SPAWNSERVICES();
    h.form.SENDFLUSH();
    return h.take();
}

Lines reset(Harness& h) {
    h.form.SENDRESETCHAN();
    h.form.SENDFLUSH();
    return h.take();
}

TEST(ServicesBurst, WithNothingRegisteredItIsSixLines) {
    Harness h;
    Lines expected = kServiceClients;
    expected.push_back("AB B #OperServ 1796860000 +ntsi ABAAD:o");
    expected.push_back("AB EB");
    EXPECT_EQ(spawn(h), expected);
}

TEST(ServicesBurst, ClockJupesAndRegisteredChannels) {
    Harness h;
    h.form.cfg.settime = true;
    h.form.cfg.operchannel = "#opers";
    h.form.oper.jupes[5] = {true, "bad.test", "AZ", "not wanted"};
    const int32_t reg = tesseltest::placechanreg(h.form, "#Chan", "");
    h.form.chanreg(reg).TS = 1700000000;
    h.form.chanreg(reg).mlockon = "nt";
    h.form.chanreg(reg).topic = "the kept topic";
    Lines expected = {
        "AB SE :1796870000",
        "AB S bad.test 2 1796860000 1796870000 P10 AZAAA 0 :JUPE not wanted",
    };
    expected.insert(expected.end(), kServiceClients.begin(), kServiceClients.end());
    expected.insert(expected.end(), {
                                        "AB B #opers 1796860000 +ntsi ABAAD:o",
                                        "AB B #Chan 1700000000 ABAAA:o :%",
                                        "ABAAA M #Chan +nt",
                                        "ABAAA T #Chan :the kept topic",
                                        "AB EB",
                                    });
    EXPECT_EQ(spawn(h), expected);
}

struct LockCase {
    const char* on;
    const char* off;
    const char* burst; // "" = no mode line
    const char* reset;
};

TEST(ServicesBurst, ModeLockLinesInBurstAndReset) {
    const LockCase cases[] = {
        {"nt", "", "ABAAA M #chan +nt", "ABAAA M #chan +nt"},
        {"", "k", "ABAAA M #chan +-k", "ABAAA M #chan -k"},
        {"nt", "ik", "ABAAA M #chan +nt-ik", "ABAAA M #chan +nt-ik"},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        Harness h;
        const int32_t reg = tesseltest::placechanreg(h.form, "#chan", "");
        h.form.chanreg(reg).mlockon = c.on;
        h.form.chanreg(reg).mlockoff = c.off;

        Lines burst = {"AB B #chan 0 ABAAA:o :%"};
        if (*c.burst) burst.push_back(c.burst);
        const Lines sent = spawn(h);
        EXPECT_EQ(Lines(sent.begin() + 5, sent.end() - 1), burst) << c.on << "/" << c.off;

        Lines again = {"ABAAA J #chan :1796870000", "AB M #chan +o ABAAA"};
        if (*c.reset) again.push_back(c.reset);
        EXPECT_EQ(reset(h), again) << c.on << "/" << c.off;
    }
}

TEST(ServicesBurst, WhenChanServStaysOutOfChannels) {
    Harness h;
    h.form.cfg.umode = 2;
    const int32_t reg = tesseltest::placechanreg(h.form, "#chan", "");
    h.form.chanreg(reg).mlockon = "nt";
    h.form.chanreg(reg).topic = "topic";
    const Lines sent = spawn(h);
    EXPECT_EQ(Lines(sent.begin() + 5, sent.end()),
              (Lines{"ABAAA M #chan +nt", "ABAAA T #chan :topic", "AB EB"}));
    EXPECT_TRUE(reset(h).empty());
}

TEST(ServicesBurst, ResetKeepsTheTopicBeforeTheLock) {
    Harness h;
    const int32_t reg = tesseltest::placechanreg(h.form, "#chan", "");
    h.form.chanreg(reg).mlockon = "nt";
    h.form.chanreg(reg).topic = "topic";
    h.form.SENDRESET();
    h.form.SENDFLUSH();
    EXPECT_EQ(h.take(), (Lines{"ABAAA J #chan :1796870000", "AB M #chan +o ABAAA",
                               "ABAAA T #chan :topic", "ABAAA M #chan +nt"}));
}

TEST(ServicesBurst, OnlyGlinesWithTimeLeftAreSentAgain) {
    Harness h;
    const int32_t now = h.form.clock.now;
    h.form.oper.glines[0] = {true, "oper", "*@now.example", now, "expires now"};
    h.form.oper.glines[1] = {true, "oper", "*@later.example", now + 10, "ten seconds"};
    h.form.oper.glines[2] = {false, "oper", "*@unused.example", now + 10, "unused"};
    h.form.clock.zoneoffset = 3600; // the text shows the time without the local shift
    h.form.SENDRESETGLINE();
    h.form.SENDFLUSH();
    EXPECT_EQ(h.take(), Lines{"AB GL * +*@later.example 10 :Banned *@later.example Until Thu Dec "
                              "10 02:33:30 2026 GMT [1796870010]: ten seconds"});
}

} // namespace
