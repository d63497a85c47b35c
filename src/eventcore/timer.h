#pragma once

#include <cstdint>
#include <ctime>
#include <functional>

#include "eventcore/component.h"

namespace tessel {

class tltimer;

using ttimerevent = std::function<void(tltimer* sender)>;

// A point on the loop's clock: seconds and microseconds (0..999999).
struct ttimeval {
    int64_t sec = 0;
    int32_t usec = 0;
};

// The clock timers run on. It is monotonic, so setting the system clock
// neither stalls the timers nor makes them fire in a burst.
ttimeval timernow();
// t plus ms milliseconds (negative counts as 0).
ttimeval addmillis(ttimeval t, int32_t ms);
// a is later than b.
bool later(const ttimeval& a, const ttimeval& b);

// Periodic timer. A new timer is due at once; after each sweep in which it was
// due it is next due one interval after that sweep (lateness is not caught
// up). A disabled timer keeps being rescheduled but its handler is not called.
class tltimer : public tlcomponent {
public:
    explicit tltimer(TComponent* owner = nullptr);
    ~tltimer() override;

    ttimerevent ontimer;
    tltimer* prev = nullptr; // the loop's timer list
    tltimer* next = nullptr;
    int32_t interval = 1000; // milliseconds
    bool enabled = true;
    ttimeval nextfire;
};

// The loop's side of the timers: how long it may wait for the earliest one
// (false when there are no timers), and the sweep after each wait.
bool timerwaitlimit(timespec& limit);
void firetimers();

} // namespace tessel
