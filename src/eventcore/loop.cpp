#include "eventcore/loop.h"

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <string>
#include <sys/select.h>
#include <unistd.h>

#include "eventcore/asio.h"
#include "eventcore/signal.h"
#include "eventcore/socketexception.h"
#include "eventcore/tasks.h"
#include "eventcore/timer.h"

namespace tessel {

namespace {

tloopstate g_loop;

fd_set* asfdset(tfdset& set) {
    return reinterpret_cast<fd_set*>(set.words.data());
}

void checkfd(int32_t fd, const char* what) {
    if (fd < 0 || fd >= kmaxfds)
        throw std::runtime_error(std::string(what) + " fd out of range: " + std::to_string(fd));
}

void changebit(tfdset& set, int32_t fd, bool on) {
    if (on && fd > g_loop.maxfd) g_loop.maxfd = fd;
    if (set.has(fd) == on) return;
    if (on)
        set.set(fd);
    else
        set.clear(fd);
    g_loop.setschanged = true;
}

// Something other than the loop's own loopback is alive.
bool anythingtowaitfor() {
    tlasio* a = g_loop.asiolist;
    bool asio = a && !(a == g_loop.loopback && !a->next);
    return asio || g_loop.timerlist || g_loop.signallist;
}

// Readiness reported by the wait may be stale once a handler changed the
// watched sets: keep only what is still watched and ask the system again.
void repoll(tfdset& readable, tfdset& writable) {
    for (size_t i = 0; i < readable.words.size(); ++i) {
        readable.words[i] &= g_loop.readset.words[i];
        writable.words[i] &= g_loop.writeset.words[i];
    }
    timespec zero{};
    int n =
        ::pselect(g_loop.maxfd + 1, asfdset(readable), asfdset(writable), nullptr, &zero, nullptr);
    if (n <= 0) {
        readable.clearall();
        writable.clearall();
    }
    g_loop.setschanged = false;
}

void dispatchdescriptors(tfdset& readable, tfdset& writable) {
    for (int w = g_loop.maxfd / 32; w >= 0; --w) {
        if ((readable.word32(w) | writable.word32(w)) == 0) continue;
        for (int b = 0; b < 32; ++b) {
            int32_t fd = w * 32 + b;
            if (!readable.has(fd) && !writable.has(fd)) continue;
            tlasio* owner = g_loop.fdowner[fd];
            if (!owner || owner->readfd < 0) {
                ::close(fd);
                changebit(g_loop.readset, fd, false);
                changebit(g_loop.writeset, fd, false);
                continue;
            }
            try {
                owner->handlereadiness(readable.has(owner->readfd), writable.has(owner->writefd));
            } catch (const std::exception& e) {
                owner->handleerror(e);
            } catch (...) {
                owner->handleerror(std::runtime_error("unknown error"));
            }
            if (g_loop.setschanged) repoll(readable, writable);
        }
    }
}

void freemarked() {
    tlasio* c = g_loop.asiolist;
    while (c) {
        g_loop.asiocursor = c->next;
        if (c->freepending) delete c;
        c = g_loop.asiocursor;
    }
    g_loop.asiocursor = nullptr;
}

} // namespace

tloopstate& loopstate() {
    return g_loop;
}

void requestexit() {
    g_loop.exitrequested = true;
}

void fdwatchread(int32_t fd) {
    checkfd(fd, "FD_set");
    changebit(g_loop.readset, fd, true);
}

void fdwatchwrite(int32_t fd) {
    checkfd(fd, "FD_set");
    changebit(g_loop.writeset, fd, true);
}

// Descriptors above the range can never have been watched: nothing to clear.
void fdunwatchread(int32_t fd) {
    if (fd >= kmaxfds) return;
    checkfd(fd, "FD_Clr");
    changebit(g_loop.readset, fd, false);
}

void fdunwatchwrite(int32_t fd) {
    if (fd >= kmaxfds) return;
    checkfd(fd, "FD_Clr");
    changebit(g_loop.writeset, fd, false);
}

void runloop() {
    g_loop.exitrequested = false;
    addsignal(SIGPIPE);
    if (!g_loop.loopback) g_loop.loopback = new tlloopback(nullptr);

    // Signals are let through only for the duration of the wait; pselect
    // swaps the mask atomically, so a signal that arrives just before the
    // wait still interrupts it instead of being handled and then slept over.
    sigset_t waitmask;
    signalwaitmask(waitmask);

    for (;;) {
        if (!anythingtowaitfor()) break;
        runtasks();

        timespec limit{};
        timespec* waitlimit = timerwaitlimit(limit) ? &limit : nullptr;
        if (g_loop.exitrequested) break;

        tfdset readable = g_loop.readset;
        tfdset writable = g_loop.writeset;
        g_loop.setschanged = false;
        timespec zero{};
        if (g_loop.pendingfirst) waitlimit = &zero;
        int n = ::pselect(g_loop.maxfd + 1, asfdset(readable), asfdset(writable), nullptr,
                          waitlimit, &waitmask);
        int err = errno;
        if (n <= 0) {
            readable.clearall();
            writable.clearall();
        }
        if (n < 0 && err != EINTR)
            throw ESocketException("select returned error " + std::to_string(err));

        if (g_loop.timerlist) firetimers();
        if (n > 0) {
            // A timer handler may have closed a descriptor that was reported
            // ready, and a new connection may already use its number.
            if (g_loop.setschanged) repoll(readable, writable);
            dispatchdescriptors(readable, writable);
        }
        if (g_loop.freeflag) {
            g_loop.freeflag = false;
            freemarked();
        }
    }
}

} // namespace tessel
