#pragma once

#include <cstdint>
#include <functional>

namespace tessel {

class tlcomponent;

// A deferred call, run by the loop at the start of an iteration.
using ttaskevent = std::function<void(int32_t param1, int32_t param2)>;

struct tltask {
    ttaskevent handler;           // empty once the owner has been destroyed
    tlcomponent* owner = nullptr; // the component the call belongs to, or none
    int32_t param1 = 0;
    int32_t param2 = 0;
    tltask* next = nullptr;
};

// Queues a call for the loop's next task run. Tasks queued while tasks are
// running wait for the following iteration.
void addtask(ttaskevent handler, tlcomponent* owner, int32_t param1, int32_t param2);

// Clears the handler of every queued task of owner; the tasks stay queued.
void canceltasks(const tlcomponent* owner);

// Runs the queued tasks (the loop's task step): moves the pending list to the
// running list when that is empty, then runs and frees the running tasks in
// order. An error of a handler propagates; the tasks after it stay queued.
void runtasks();

// Number of tasks waiting in the pending list.
int pendingtaskcount();

} // namespace tessel
