#pragma once

#include <gtest/gtest.h>

#include "eventcore/asio.h"
#include "eventcore/loop.h"
#include "eventcore/tasks.h"
#include "eventcore/timer.h"

namespace tessel::testing {

// Every test leaves the process-wide loop state as it found it (only the
// loop's own loopback may stay), so loops of later tests start clean.
class LoopTest : public ::testing::Test {
protected:
    void TearDown() override {
        auto& loop = loopstate();
        tlasio* a = loop.asiolist;
        EXPECT_TRUE(a == nullptr || (a == loop.loopback && a->next == nullptr))
            << "a component outlived its test";
        EXPECT_EQ(loop.timerlist, nullptr);
        EXPECT_EQ(loop.signallist, nullptr);
        for (tltask* t = loop.pendingfirst; t; t = t->next)
            EXPECT_FALSE(t->handler) << "a live task outlived its test";
        // Cancelled leftovers would only be skipped; free them.
        runtasks();
    }
};

// Fails the test and ends the loop if it is still running after ms.
class watchdog {
public:
    explicit watchdog(int32_t ms) {
        timer_.interval = ms;
        timer_.nextfire = addmillis(timernow(), ms);
        timer_.ontimer = [](tltimer*) {
            ADD_FAILURE() << "the loop did not finish in time";
            requestexit();
        };
    }

private:
    tltimer timer_;
};

} // namespace tessel::testing
