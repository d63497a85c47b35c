#include "eventcore/timer.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "loopfixture.h"

using namespace tessel;
using tessel::testing::LoopTest;
using tessel::testing::watchdog;

namespace {

class TimerTest : public LoopTest {};

class trackedtimer : public tltimer {
public:
    explicit trackedtimer(bool& gone) : gone_(gone) {}
    ~trackedtimer() override { gone_ = true; }

private:
    bool& gone_;
};

} // namespace

// New timers are due at once; one sweep fires them newest first, and an exit
// requested by the first handler still lets the rest of the sweep run.
TEST_F(TimerTest, DueTimersFireNewestFirstAndExitWaitsForTheEndOfTheSweep) {
    std::string order;
    tltimer a, b, c;
    a.ontimer = [&](tltimer*) { order += 'A'; };
    b.ontimer = [&](tltimer*) { order += 'B'; };
    c.ontimer = [&](tltimer*) {
        order += 'C';
        requestexit();
    };
    runloop();
    EXPECT_EQ(order, "CBA");
}

// The next firing is measured from the sweep after the slow handler, so a
// handler that overran does not cause a burst of catch-up firings.
TEST_F(TimerTest, ASlowHandlerIsNotCaughtUp) {
    watchdog dog(5000);
    tltimer t;
    t.interval = 30;
    std::vector<ttimeval> fired;
    ttimeval slowend;
    t.ontimer = [&](tltimer*) {
        fired.push_back(timernow());
        if (fired.size() == 1) {
            usleep(150 * 1000);
            slowend = timernow();
        }
        if (fired.size() == 3) requestexit();
    };
    runloop();
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_FALSE(later(addmillis(slowend, 30), fired[2]))
        << "the third firing came less than an interval after the overrun";
}

// A timer disabled in its own handler keeps being rescheduled without firing;
// enabled again it waits for its next scheduled time.
TEST_F(TimerTest, ADisabledTimerKeepsItsScheduleAndResumesOnIt) {
    watchdog dog(5000);
    tltimer t;
    t.interval = 20;
    int tcalls = 0;
    ttimeval afterfirst, reenabledat, secondcall;
    t.ontimer = [&](tltimer* self) {
        ++tcalls;
        self->enabled = false;
        if (tcalls == 2) {
            secondcall = timernow();
            requestexit();
        }
    };
    tltimer helper;
    helper.interval = 20;
    int helpercalls = 0;
    helper.ontimer = [&](tltimer*) {
        ++helpercalls;
        if (helpercalls == 2) afterfirst = t.nextfire;
        if (helpercalls == 8) {
            EXPECT_EQ(tcalls, 1) << "a disabled timer fired";
            EXPECT_TRUE(later(t.nextfire, afterfirst)) << "a disabled timer was not rescheduled";
            t.enabled = true;
            reenabledat = t.nextfire;
        }
    };
    runloop();
    ASSERT_EQ(tcalls, 2);
    EXPECT_GT(afterfirst.sec, 0) << "disabling inside the handler stopped the rescheduling";
    EXPECT_FALSE(later(reenabledat, secondcall)) << "fired before its scheduled time";
}

TEST_F(TimerTest, ATimerMarkedForFreeingIsDestroyedAndTheLoopEndsWhenNothingIsLeft) {
    bool gone = false;
    auto* t = new trackedtimer(gone);
    t->interval = 10;
    int calls = 0;
    t->ontimer = [&](tltimer* self) {
        if (++calls == 2) self->markforfree();
    };
    runloop(); // returns by itself once the only timer is gone
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(gone);
}

TEST_F(TimerTest, AHandlerMayDestroyATimerStillToBeLookedAtInTheSweep) {
    auto* older = new tltimer;
    auto* newer = new tltimer;
    older->ontimer = [](tltimer*) { ADD_FAILURE() << "a destroyed timer fired"; };
    newer->ontimer = [&](tltimer* self) {
        delete older;
        self->markforfree();
    };
    runloop();
    EXPECT_EQ(loopstate().timerlist, nullptr);
}

// An error of a timer handler ends the loop; the loop can run again and the
// timer, not rescheduled, fires at once.
TEST_F(TimerTest, AnErrorOfAHandlerEndsTheLoopWhichCanRunAgain) {
    tltimer t;
    int calls = 0;
    t.ontimer = [&](tltimer*) {
        if (++calls == 1) throw std::runtime_error("boom");
        requestexit();
    };
    EXPECT_THROW(runloop(), std::runtime_error);
    requestexit(); // left over from before a run: does not stop the next one
    runloop();
    EXPECT_EQ(calls, 2);
}
