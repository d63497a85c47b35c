#include "eventcore/signal.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "loopfixture.h"

using namespace tessel;
using tessel::testing::LoopTest;
using tessel::testing::watchdog;

namespace {

class SignalTest : public LoopTest {};

} // namespace

TEST(Addsignal, AcceptsOnlyCatchableNumbers) {
    for (int32_t bad : {9, 19, 32, 64, -1}) {
        try {
            addsignal(bad);
            ADD_FAILURE() << "signal " << bad << " was accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "invalid signal number") << bad;
        }
    }
    for (int32_t good : {0, 8, 10, 18, 20, 31})
        EXPECT_NO_THROW(addsignal(good)) << good;
}

// A signal sent while a handler runs is held until the loop waits; then every
// signal component receives it, newest first.
TEST_F(SignalTest, ASignalSentDuringAHandlerReachesEveryComponentNewestFirstAtTheWait) {
    watchdog dog(3000);
    addsignal(SIGUSR1);
    std::vector<std::string> got;
    tlsignal older, newer;
    older.onsignal = [&](tlsignal*, int32_t signum) {
        got.push_back("older " + std::to_string(signum));
        requestexit();
    };
    newer.onsignal = [&](tlsignal*, int32_t signum) {
        got.push_back("newer " + std::to_string(signum));
    };
    tltimer t;
    t.ontimer = [&](tltimer*) {
        ASSERT_EQ(::kill(::getpid(), SIGUSR1), 0);
        EXPECT_TRUE(got.empty()) << "delivered inside a handler";
    };
    runloop();
    std::vector<std::string> expected{"newer " + std::to_string(SIGUSR1),
                                      "older " + std::to_string(SIGUSR1)};
    EXPECT_EQ(got, expected);
}

// A signal that arrives while the loop sleeps (nothing else due for seconds)
// interrupts the wait; that is not a loop error.
TEST_F(SignalTest, ASignalFromAnotherProcessInterruptsTheWait) {
    watchdog dog(5000);
    addsignal(SIGUSR2);
    int received = 0;
    tlsignal s;
    s.onsignal = [&](tlsignal*, int32_t signum) {
        if (signum == SIGUSR2) ++received;
        requestexit();
    };
    pid_t parent = ::getpid();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::usleep(50 * 1000);
        ::kill(parent, SIGUSR2);
        ::_exit(0);
    }
    EXPECT_NO_THROW(runloop());
    EXPECT_EQ(received, 1);
    int status = 0;
    ::waitpid(child, &status, 0);
}

// Every delivered signal writes a byte into the loop's own pipe, which
// nothing reads. Far more signals than the pipe holds must not block: the
// storm runs in a child process so that a blocked write shows as a failure
// instead of a hung test.
TEST_F(SignalTest, ManySignalsInARowNeverBlockTheLoop) {
    const int total = 6000;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        addsignal(SIGUSR1);
        int received = 0;
        tlsignal s;
        s.onsignal = [&](tlsignal*, int32_t) { ++received; };
        std::function<void(int32_t, int32_t)> again = [&](int32_t left, int32_t) {
            ::raise(SIGUSR1);
            if (left > 1)
                addtask(again, nullptr, left - 1, 0);
            else
                addtask([](int32_t, int32_t) { requestexit(); }, nullptr, 0, 0);
        };
        tltimer start;
        start.interval = 60000;
        bool smallpipe = false;
        start.ontimer = [&](tltimer*) {
            // The smallest pipe the system allows, so a few thousand bytes
            // fill it.
            int fd = loopstate().loopback->writefd;
            ::fcntl(fd, F_SETPIPE_SZ, 4096);
            smallpipe = ::fcntl(fd, F_GETPIPE_SZ) < total;
            addtask(again, nullptr, total, 0);
        };
        runloop();
        ::_exit(smallpipe && received == total ? 0 : 1);
    }
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 300 && done == 0; ++i) {
        done = ::waitpid(child, &status, WNOHANG);
        if (done == 0) ::usleep(100 * 1000);
    }
    if (done == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        FAIL() << "the loop blocked";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "not every signal was received";
}

// The loop catches SIGPIPE: a write to a pipe nobody reads any more fails with
// EPIPE and the signal reaches the signal components instead of ending the
// process.
TEST_F(SignalTest, ABrokenPipeIsReportedNotFatal) {
    watchdog dog(3000);
    std::vector<int32_t> got;
    tlsignal s;
    s.onsignal = [&](tlsignal*, int32_t signum) {
        got.push_back(signum);
        requestexit();
    };
    tltimer t;
    t.interval = 60000;
    t.ontimer = [&](tltimer*) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        ::close(fds[0]);
        errno = 0;
        EXPECT_EQ(::write(fds[1], "x", 1), -1);
        EXPECT_EQ(errno, EPIPE);
        ::close(fds[1]);
    };
    runloop();
    EXPECT_EQ(got, std::vector<int32_t>{SIGPIPE});
}
