#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace tessel {

// Seconds to add to UTC to get local time, from the system's time-zone data
// at time `t` (daylight saving time included).
int32_t zoneoffsetat(std::time_t t);
// The same for the current moment.
int32_t zoneoffset();

// Calendar text of t + zoneoffset read as UTC, e.g. "Thu Jan 1 00:00:00 1970":
// weekday, month, day without leading zero, two-digit clock fields, year.
// Callers that label the text "GMT" pass the time minus the zone offset.
std::string shortdatetext(int64_t t, int64_t zoneoffset);

// "<days> days, <hours>:<mm>:<ss>", e.g. 90061 gives "1 days, 1:01:01". A
// negative duration (the clock was set back) is written as "-" followed by
// the text of its magnitude.
std::string durationtext(int64_t seconds);

} // namespace tessel
