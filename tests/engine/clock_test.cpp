#include <gtest/gtest.h>

#include <climits>
#include <ctime>

#include "engine/tform1.h"

namespace {

using tessel::TForm1;

// settime moves `now` at once and keeps it moving with the system clock;
// zero goes back to the system clock.
TEST(Clock, SetTimeShiftsNowUntilReset) {
    TForm1 form;
    form.clockinit();
    EXPECT_EQ(form.clock.timeoffset, 0);

    const int32_t target = 1000000000;
    form.settime(target);
    EXPECT_EQ(form.clock.now, target);
    const int64_t before = std::time(nullptr);
    form.clocktick();
    const int64_t after = std::time(nullptr);
    EXPECT_GE(form.clock.now, before + form.clock.timeoffset);
    EXPECT_LE(form.clock.now, after + form.clock.timeoffset);
    EXPECT_LT(form.clock.timeoffset, 0);

    form.settime(0);
    EXPECT_EQ(form.clock.timeoffset, 0);
    form.clocktick();
    EXPECT_GE(form.clock.now, after);
    EXPECT_LE(form.clock.now, std::time(nullptr));
}

// Targets far from the system clock must not overflow the offset: it keeps
// the direction of the shift.
TEST(Clock, ExtremeTargetsStayInRange) {
    TForm1 form;
    form.clockinit();
    for (int32_t target : {INT32_MIN, INT32_MIN + 1, -1, INT32_MAX}) {
        form.settime(target);
        form.clocktick();
        EXPECT_EQ(form.clock.timeoffset > 0, target > 0) << target;
        EXPECT_EQ(form.clock.now > 0, target > 0) << target;
    }
}

} // namespace
