#include "eventcore/timer.h"

#include "eventcore/loop.h"
#include "util/tlinklist.h"

namespace tessel {

namespace {

// Restores the walk positions when a handler raises out of the sweep.
struct sweepguard {
    ~sweepguard() {
        loopstate().timercursor = nullptr;
        loopstate().timercurrent = nullptr;
    }
};

} // namespace

bool later(const ttimeval& a, const ttimeval& b) {
    return a.sec > b.sec || (a.sec == b.sec && a.usec > b.usec);
}

ttimeval addmillis(ttimeval t, int32_t ms) {
    if (ms < 0) ms = 0;
    int64_t usec = t.usec + int64_t(ms % 1000) * 1000;
    t.sec += ms / 1000 + usec / 1000000;
    t.usec = static_cast<int32_t>(usec % 1000000);
    return t;
}

ttimeval timernow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return {static_cast<int64_t>(ts.tv_sec), static_cast<int32_t>(ts.tv_nsec / 1000)};
}

tltimer::tltimer(TComponent* owner) : tlcomponent(owner) {
    listinsert(loopstate().timerlist, this);
}

tltimer::~tltimer() {
    auto& loop = loopstate();
    if (loop.timercursor == this) loop.timercursor = next;
    if (loop.timercurrent == this) loop.timercurrent = nullptr;
    listunlink(loop.timerlist, this);
}

bool timerwaitlimit(timespec& limit) {
    auto& loop = loopstate();
    if (!loop.timerlist) return false;
    ttimeval earliest = loop.timerlist->nextfire;
    for (tltimer* t = loop.timerlist->next; t; t = t->next)
        if (later(earliest, t->nextfire)) earliest = t->nextfire;
    ttimeval now = timernow();
    int64_t usec = (earliest.sec - now.sec) * 1000000 + (earliest.usec - now.usec);
    if (usec < 0) usec = 0;
    limit.tv_sec = static_cast<time_t>(usec / 1000000);
    limit.tv_nsec = static_cast<long>(usec % 1000000) * 1000;
    return true;
}

void firetimers() {
    auto& loop = loopstate();
    sweepguard guard;
    ttimeval now = timernow();
    tltimer* t = loop.timerlist;
    while (t) {
        loop.timercursor = t->next;
        loop.timercurrent = t;
        if (!later(t->nextfire, now)) {
            if (t->ontimer && t->enabled) {
                ttimerevent handler = t->ontimer;
                handler(t);
            }
            // The handler may have destroyed its own timer.
            if (loop.timercurrent == t) t->nextfire = addmillis(now, t->interval);
        }
        if (loop.timercurrent == t && t->freepending) delete t;
        t = loop.timercursor;
    }
}

} // namespace tessel
