#include "eventcore/signal.h"

#include <cerrno>
#include <stdexcept>
#include <unistd.h>

#include "eventcore/asio.h"
#include "eventcore/loop.h"
#include "util/tlinklist.h"

namespace tessel {

namespace {

void blockedset(sigset_t& set) {
    sigemptyset(&set);
    for (int s = 1; s < 32; ++s)
        sigaddset(&set, s);
}

// Runs only while the loop waits (all other time the signals are blocked), so
// it never interrupts a handler and may touch the loop's state.
extern "C" void dispatchsignal(int signum) {
    int savederrno = errno;
    auto& loop = loopstate();
    tlsignal* s = loop.signallist;
    while (s) {
        loop.signalcursor = s->next;
        fireevent(s->onsignal, s, static_cast<int32_t>(signum));
        s = loop.signalcursor;
    }
    loop.signalcursor = nullptr;
    if (loop.loopback && loop.loopback->writefd >= 0) {
        // Nobody reads this byte; the pipe is non-blocking, so once it is full
        // the write just fails.
        ssize_t r = ::write(loop.loopback->writefd, " ", 1);
        (void)r;
    }
    errno = savederrno;
}

} // namespace

tlsignal::tlsignal(TComponent* owner) : TComponent(owner) {
    listinsert(loopstate().signallist, this);
}

tlsignal::~tlsignal() {
    auto& loop = loopstate();
    if (loop.signalcursor == this) loop.signalcursor = next;
    listunlink(loop.signallist, this);
}

void addsignal(int32_t number) {
    if (number < 0 || number > 31 || number == 9 || number == 19)
        throw std::runtime_error("invalid signal number");
    sigset_t set;
    blockedset(set);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    struct sigaction action {};
    action.sa_handler = dispatchsignal;
    action.sa_mask = set;
    action.sa_flags = 0;
    sigaction(number, &action, nullptr);
}

void signalwaitmask(sigset_t& mask) {
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    for (int s = 1; s < 32; ++s)
        sigdelset(&mask, s);
}

} // namespace tessel
