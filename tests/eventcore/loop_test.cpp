#include "eventcore/loop.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "eventcore/socket.h"
#include "loopfixture.h"

using namespace tessel;
using tessel::testing::LoopTest;
using tessel::testing::watchdog;

namespace {

class LoopTasks : public LoopTest {};
class LoopDescriptors : public LoopTest {};

// A pipe whose read end sits at a chosen descriptor number.
struct placedpipe {
    int readfd = -1;
    int writefd = -1;

    explicit placedpipe(int at) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        EXPECT_EQ(::fcntl(at, F_GETFD), -1) << "descriptor " << at << " is in use";
        readfd = ::dup2(fds[0], at);
        ::close(fds[0]);
        writefd = fds[1];
    }
    ~placedpipe() { ::close(writefd); }
};

} // namespace

TEST(Loop, ReturnsAtOnceWhenNothingIsLeftToWaitFor) {
    int ran = 0;
    addtask([&](int32_t, int32_t) { ++ran; }, nullptr, 0, 0);
    runloop();
    EXPECT_EQ(ran, 0) << "the emptiness check comes before the task run";
    runtasks();
    EXPECT_EQ(ran, 1);
}

// A timer firing in every sweep marks the iterations: a task queued by a
// running task waits for the next iteration, after the next wait.
TEST_F(LoopTasks, TasksQueuedWhileTasksRunWaitForTheNextIteration) {
    std::vector<std::string> events;
    tltimer tick;
    tick.interval = 0;
    tick.ontimer = [&](tltimer*) {
        events.push_back("tick");
        if (events.size() == 1) {
            addtask(
                [&](int32_t p1, int32_t p2) {
                    events.push_back("A" + std::to_string(p1) + std::to_string(p2));
                    addtask(
                        [&](int32_t, int32_t) {
                            events.push_back("B");
                            requestexit();
                        },
                        nullptr, 0, 0);
                },
                nullptr, 4, 2);
            addtask([&](int32_t, int32_t) { events.push_back("C"); }, nullptr, 0, 0);
        }
    };
    runloop();
    // B's exit request is seen right after the task run, before the wait.
    std::vector<std::string> expected{"tick", "A42", "C", "tick", "B"};
    EXPECT_EQ(events, expected);
}

// While a task is pending the wait does not block, even though the only timer
// is far away.
TEST_F(LoopTasks, PendingTasksMakeTheWaitReturnAtOnce) {
    watchdog dog(3000);
    tltimer far;
    far.interval = 60000;
    int steps = 0;
    std::function<void(int32_t, int32_t)> step = [&](int32_t, int32_t) {
        if (++steps == 5)
            requestexit();
        else
            addtask(step, nullptr, 0, 0);
    };
    far.ontimer = [&](tltimer*) { addtask(step, nullptr, 0, 0); };
    runloop();
    EXPECT_EQ(steps, 5);
}

TEST_F(LoopTasks, DestroyingTheOwnerCancelsItsQueuedTasks) {
    auto* owner = new tlcomponent;
    bool ran = false;
    tltimer t;
    t.ontimer = [&](tltimer*) {
        addtask([&](int32_t, int32_t) { ran = true; }, owner, 0, 0);
        addtask([](int32_t, int32_t) { requestexit(); }, nullptr, 0, 0);
        delete owner;
    };
    runloop();
    EXPECT_FALSE(ran);
}

// An error of a task ends the loop; the failed task is gone, the tasks queued
// after it run when the loop runs again.
TEST_F(LoopTasks, AFailingTaskEndsTheLoopAndIsNotRunAgain) {
    std::string order;
    tltimer t;
    t.interval = 60000;
    t.ontimer = [&](tltimer*) {
        addtask(
            [&](int32_t, int32_t) {
                order += "X";
                throw std::runtime_error("task failed");
            },
            nullptr, 0, 0);
        addtask(
            [&](int32_t, int32_t) {
                order += "Y";
                requestexit();
            },
            nullptr, 0, 0);
    };
    EXPECT_THROW(runloop(), std::runtime_error);
    runloop();
    EXPECT_EQ(order, "XY");
}

// Ready descriptors are handled from the highest group of 32 down, and
// within a group from the lowest descriptor up.
TEST_F(LoopDescriptors, ReadyDescriptorsAreHandledHighGroupFirstLowBitFirst) {
    watchdog dog(3000);
    std::vector<placedpipe> pipes;
    pipes.reserve(3);
    std::vector<int> order;
    std::vector<TLsocket*> sockets;
    for (int at : {170, 200, 190}) {
        pipes.emplace_back(at);
        auto* s = new TLsocket;
        s->attachfd(pipes.back().readfd);
        s->ondata = [&order](tlasio* sender, uint16_t) {
            order.push_back(sender->readfd);
            sender->receivetext();
            if (order.size() == 3) requestexit();
        };
        ASSERT_EQ(::write(pipes.back().writefd, "x", 1), 1);
        sockets.push_back(s);
    }
    runloop();
    EXPECT_EQ(order, (std::vector<int>{200, 170, 190}));
    for (auto* s : sockets)
        delete s;
}

// A handler error closes the component and the loop goes on; onerror may
// keep it open.
TEST_F(LoopDescriptors, AnErrorInAHandlerClosesThatComponentUnlessOnerrorKeepsIt) {
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "onerror keeps it" : "no onerror");
        watchdog dog(3000);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        TLsocket s;
        s.attachfd(fds[0]);
        std::string seen;
        std::vector<int> closed;
        s.ondata = [](tlasio*, uint16_t) { throw std::runtime_error("bad input"); };
        s.onclosed = [&](tlasio*, uint16_t error) { closed.push_back(error); };
        if (keep) {
            s.onerror = [&](tlasio*, const std::exception& e, bool& close) {
                seen = e.what();
                close = false;
            };
        }
        tltimer stop;
        stop.interval = 50;
        int ticks = 0;
        stop.ontimer = [&](tltimer*) {
            if (++ticks == 2) requestexit();
        };
        ASSERT_EQ(::write(fds[1], "x", 1), 1);
        runloop();
        if (keep) {
            EXPECT_EQ(seen, "bad input");
            EXPECT_TRUE(closed.empty());
            EXPECT_EQ(s.connstate, WSCONNECTED);
        } else {
            EXPECT_EQ(closed, std::vector<int>{0});
            EXPECT_EQ(s.connstate, WSCLOSED);
        }
        EXPECT_EQ(ticks, 2) << "the loop went on after the error";
        ::close(fds[1]);
    }
}

// A watched descriptor nobody owns is closed when it becomes ready, and is no
// longer watched, so the next wait does not fail on it.
TEST_F(LoopDescriptors, AReadyDescriptorWithoutOwnerIsClosedAndForgotten) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    fdwatchread(fds[0]);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    tltimer t;
    t.interval = 20;
    int ticks = 0;
    t.ontimer = [&](tltimer*) {
        if (++ticks == 3) requestexit();
    };
    EXPECT_NO_THROW(runloop());
    EXPECT_EQ(ticks, 3);
    errno = 0;
    EXPECT_EQ(::fcntl(fds[0], F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
    ::close(fds[1]);
}

TEST(LoopDescriptorsRange, WatchingANegativeDescriptorIsRefused) {
    struct {
        void (*op)(int32_t);
        const char* message;
    } cases[] = {
        {fdwatchread, "FD_set fd out of range: -1"},
        {fdwatchwrite, "FD_set fd out of range: -1"},
        {fdunwatchread, "FD_Clr fd out of range: -1"},
        {fdunwatchwrite, "FD_Clr fd out of range: -1"},
    };
    for (auto& c : cases) {
        try {
            c.op(-1);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    EXPECT_THROW(fdwatchread(kmaxfds), std::runtime_error);
}
