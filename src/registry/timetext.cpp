#include "registry/timetext.h"

#include <cstdio>

namespace tessel {

namespace {

constexpr int64_t secondsperday = 86400;

constexpr const char* weekdaynames[7] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
constexpr const char* monthnames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Division rounding towards minus infinity, so times before 1970 fall on the
// day they belong to.
int64_t floordiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

struct civildate {
    int64_t year;
    unsigned month; // 1..12
    unsigned day;   // 1..31
};

// Proleptic Gregorian date of a day number counted from 1970-01-01.
civildate civilfromdays(int64_t days) {
    days += 719468; // days from 0000-03-01 to 1970-01-01
    const int64_t era = floordiv(days, 146097);
    const auto dayofera = static_cast<unsigned>(days - era * 146097);
    const unsigned yearofera =
        (dayofera - dayofera / 1460 + dayofera / 36524 - dayofera / 146096) / 365;
    const unsigned dayofyear = dayofera - (365 * yearofera + yearofera / 4 - yearofera / 100);
    const unsigned mp = (5 * dayofyear + 2) / 153; // month counted from March
    const unsigned day = dayofyear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = int64_t(yearofera) + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

int64_t clampseconds(int64_t v) {
    // Far beyond any real date, but keeps t + zoneoffset and the calendar
    // arithmetic from overflowing on absurd input.
    constexpr int64_t limit = int64_t{1} << 52;
    return v < -limit ? -limit : (v > limit ? limit : v);
}

int32_t secondsofday(const std::tm& tm) {
    return tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

} // namespace

int32_t zoneoffsetat(std::time_t t) {
    std::tm local{};
    std::tm utc{};
    if (!localtime_r(&t, &local) || !gmtime_r(&t, &utc)) return 0;
    int32_t offset = secondsofday(local) - secondsofday(utc);
    // The times of day alone cannot tell +13:00 from -11:00; the calendar
    // date settles which side of UTC the local day is on.
    const int dateorder = local.tm_year != utc.tm_year   ? (local.tm_year < utc.tm_year ? -1 : 1)
                          : local.tm_yday != utc.tm_yday ? (local.tm_yday < utc.tm_yday ? -1 : 1)
                                                         : 0;
    offset += dateorder * static_cast<int32_t>(secondsperday);
    return offset;
}

int32_t zoneoffset() {
    return zoneoffsetat(std::time(nullptr));
}

std::string shortdatetext(int64_t t, int64_t zoneoffset) {
    const int64_t local = clampseconds(t) + clampseconds(zoneoffset);
    const int64_t days = floordiv(local, secondsperday);
    const int64_t secs = local - days * secondsperday;
    const int64_t weekday = days - floordiv(days, 7) * 7;
    const civildate date = civilfromdays(days);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s %s %u %02d:%02d:%02d %04lld", weekdaynames[weekday],
                  monthnames[date.month - 1], date.day, int(secs / 3600), int(secs / 60 % 60),
                  int(secs % 60), static_cast<long long>(date.year));
    return buf;
}

std::string durationtext(int64_t seconds) {
    // Work on the magnitude as unsigned so that even INT64_MIN is safe.
    const bool negative = seconds < 0;
    const uint64_t s =
        negative ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%llu days, %u:%02u:%02u", negative ? "-" : "",
                  static_cast<unsigned long long>(s / 86400), unsigned(s / 3600 % 24),
                  unsigned(s / 60 % 60), unsigned(s % 60));
    return buf;
}

} // namespace tessel
