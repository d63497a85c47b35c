#include "registry/timetext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

using namespace tessel;

TEST(Timetext, ShortDate) {
    struct Case {
        int64_t t;
        int64_t zone;
        std::string text;
    };
    const Case cases[] = {
        {0, 0, "Thu Jan 1 00:00:00 1970"},
        {86399, 0, "Thu Jan 1 23:59:59 1970"},
        {86400, 0, "Fri Jan 2 00:00:00 1970"},
        {951782400, 0, "Tue Feb 29 00:00:00 2000"}, // leap day of a 400-year leap year
        {1234567890, 0, "Fri Feb 13 23:31:30 2009"},
        {1796870000, 0, "Thu Dec 10 02:33:20 2026"},
        {4102444799, 0, "Thu Dec 31 23:59:59 2099"},
        {4107542400, 0, "Mon Mar 1 00:00:00 2100"}, // 2100 has no Feb 29
        // The zone offset is added before the date is worked out.
        {0, 19800, "Thu Jan 1 05:30:00 1970"},
        {1234567890, 3600, "Sat Feb 14 00:31:30 2009"},
        {0, -3600, "Wed Dec 31 23:00:00 1969"}, // before the epoch
        {-86400 * 365, 0, "Wed Jan 1 00:00:00 1969"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shortdatetext(c.t, c.zone), c.text) << c.t;
}

TEST(Timetext, ShortDateOfAbsurdTimesStaysWellFormed) {
    for (int64_t t : {INT64_MAX, INT64_MIN, int64_t{1} << 40}) {
        const std::string text = shortdatetext(t, INT64_MAX);
        EXPECT_FALSE(text.empty());
        EXPECT_LT(text.size(), 40u) << text;
    }
}

TEST(Timetext, Duration) {
    struct Case {
        int64_t seconds;
        std::string text;
    };
    const Case cases[] = {
        {90061, "1 days, 1:01:01"},
        {59, "0 days, 0:00:59"},
        {0, "0 days, 0:00:00"},
        {86399, "0 days, 23:59:59"},
        {86400 * 400 + 36000, "400 days, 10:00:00"},
        {-65, "-0 days, 0:01:05"}, // clock set back: no negative fields
        {INT64_MIN, "-106751991167300 days, 15:30:08"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(durationtext(c.seconds), c.text) << c.seconds;
}

// Sets TZ for the lifetime of the object and restores the previous value.
class ScopedTimezone {
public:
    explicit ScopedTimezone(const char* tz) {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimezone() {
        if (previous_)
            setenv("TZ", previous_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> previous_;
};

TEST(Timetext, ZoneOffsetFollowsTheLocalZone) {
    // POSIX zone strings need no zone database; their sign is west-positive.
    struct Case {
        const char* tz;
        std::time_t at;
        int32_t offset;
    };
    const std::time_t jan = 1704067200 + 3600 * 10; // 2024-01-01 10:00 UTC
    const std::time_t jul = 1719792000 + 3600 * 10; // 2024-07-01 10:00 UTC
    const char* eu = "CET-1CEST,M3.5.0,M10.5.0/3";
    const Case cases[] = {
        {"UTC0", jan, 0},
        {"IST-5:30", jan, 19800},
        {"IST-5:30", jan + 3600 * 14, 19800}, // local time already on the next day
        {"EST5", jan, -18000},
        {"EST5", jan - 3600 * 8, -18000}, // local time still on the previous day
        {eu, jan, 3600},
        {eu, jul, 7200},
        // Beyond twelve hours the local date, not just the clock, decides.
        {"LINT-14", jan, 50400},
        {"NZST-12NZDT,M9.5.0,M4.1.0/3", jan, 46800},
        {"XXX+12", jan + 3600 * 5, -43200},
        {"YYY-12", jan + 3600 * 5, 43200},
    };
    for (const auto& c : cases) {
        ScopedTimezone zone(c.tz);
        EXPECT_EQ(zoneoffsetat(c.at), c.offset) << c.tz << " at " << c.at;
    }
    {
        ScopedTimezone zone("IST-5:30");
        EXPECT_EQ(zoneoffset(), 19800);
    }
}
