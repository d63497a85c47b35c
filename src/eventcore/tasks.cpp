#include "eventcore/tasks.h"

#include <memory>

#include "eventcore/loop.h"

namespace tessel {

void addtask(ttaskevent handler, tlcomponent* owner, int32_t param1, int32_t param2) {
    auto& loop = loopstate();
    auto* task = new tltask;
    task->handler = std::move(handler);
    task->owner = owner;
    task->param1 = param1;
    task->param2 = param2;
    if (loop.pendinglast)
        loop.pendinglast->next = task;
    else
        loop.pendingfirst = task;
    loop.pendinglast = task;
}

void canceltasks(const tlcomponent* owner) {
    auto& loop = loopstate();
    for (tltask* list : {loop.pendingfirst, loop.runningfirst}) {
        for (tltask* t = list; t; t = t->next) {
            if (t->owner == owner) {
                t->handler = nullptr;
                t->owner = nullptr;
            }
        }
    }
}

void runtasks() {
    auto& loop = loopstate();
    if (!loop.runningfirst) {
        loop.runningfirst = loop.pendingfirst;
        loop.pendingfirst = nullptr;
        loop.pendinglast = nullptr;
    }
    while (loop.runningfirst) {
        // Unlinked before the call, so a handler that raises is not run again
        // and the task is still freed.
        std::unique_ptr<tltask> task(loop.runningfirst);
        loop.runningfirst = task->next;
        if (task->handler) {
            ttaskevent handler = std::move(task->handler);
            handler(task->param1, task->param2);
        }
    }
}

int pendingtaskcount() {
    int n = 0;
    for (tltask* t = loopstate().pendingfirst; t; t = t->next)
        ++n;
    return n;
}

} // namespace tessel
