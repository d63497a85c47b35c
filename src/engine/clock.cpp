// The services' clock: system seconds plus the offset OperServ SETTIME sets.
#include <sys/time.h>

#include <limits>

#include "engine/tform1.h"
#include "registry/timetext.h"

namespace tessel {

namespace {

int64_t systemseconds() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return tv.tv_sec;
}

int32_t clamp32(int64_t v) {
    constexpr int64_t lo = std::numeric_limits<int32_t>::min();
    constexpr int64_t hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v < lo ? lo : (v > hi ? hi : v));
}

} // namespace

void TForm1::clockinit() {
    clock.timeoffset = 0;
    clock.zoneoffset = zoneoffset();
    clock.now = clamp32(systemseconds());
}

void TForm1::clocktick() {
    const int64_t secs = systemseconds();
    clock.now = clamp32(secs + clock.timeoffset);
    // Picks up a change of time zone or daylight saving time while running.
    if (secs % 64 == 0) clock.zoneoffset = zoneoffset();
}

void TForm1::settime(int32_t t) {
    const int64_t secs = systemseconds();
    clock.timeoffset = t == 0 ? 0 : clamp32(int64_t{t} - secs);
    clock.now = clamp32(secs + clock.timeoffset);
}

void TForm1::shiftclock(int64_t seconds) {
    const int64_t secs = systemseconds();
    clock.timeoffset = clamp32(int64_t{clock.timeoffset} + seconds);
    clock.now = clamp32(secs + clock.timeoffset);
}

} // namespace tessel
