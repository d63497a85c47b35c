// The link to the hub: connecting, the introduction, receiving, losing it.
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <exception>

#include "engine/tform1.h"
#include "eventcore/loop.h"
#include "eventcore/signal.h"
#include "eventcore/socket.h"
#include "eventcore/tasks.h"
#include "eventcore/timer.h"

namespace tessel {

namespace {

// Output the hub has not taken yet. A hub that stops reading while keeping
// the connection open would otherwise make the queue grow without bound; past
// this the link is dropped and made again.
constexpr int64_t kMaxLinkBacklog = int64_t{32} << 20;
// The longest the closing flush waits for a hub that does not read.
constexpr auto kDrainLimit = std::chrono::seconds(10);

} // namespace

void TForm1::BUTTONCONNECTCLICK() {
    link.autoreconnect = true;
    if (link.linkstate != 0) return;
    if (!linksocket) return;
    linksocket->remoteaddr = cfg.connectaddr;
    linksocket->remoteport = cfg.connectport;
    linksocket->protocol = "tcp";
    link.recvbuffer.clear();
    link.sendbuffer.clear();
    link.discardingline = false;
    link.closepending = false;
    try {
        linksocket->connectto();
    } catch (const std::exception& error) {
        // An attempt that cannot even start (an address that does not
        // resolve, no socket to be had) is retried like a refused one.
        LOGWRITE(kLogLinkUp, std::string("Services failed to connect to server: ") + error.what());
        if (Timerretry) Timerretry->enabled = true;
    }
}

void TForm1::TIMERRETRYTIMER() {
    if (link.linkstate == 0 && link.autoreconnect) BUTTONCONNECTCLICK();
}

void TForm1::CONNECTED(uint16_t error) {
    if (error != 0) {
        LOGWRITE(kLogLinkUp,
                 "Services failed to connect to server, error " + std::to_string(error));
        return;
    }
    LOGWRITE(kLogLinkUp, "Services connected to server");
    if (Timerretry) Timerretry->enabled = false;
    link.linkstate = 1;
    SEND("PASS :" + cfg.connectpass);
    // "+s" announces a service server; without it the hub does not deliver
    // messages addressed as nick@server to the service clients.
    SEND("SERVER " + cfg.servername + " 1 " + std::to_string(clock.boottime) + " " +
         std::to_string(clock.now) + " J10 " + cfg.servernumeric + "AA] +s :" + cfg.servergcos);
    SENDFLUSH();
}

void TForm1::CLOSED(uint16_t error) {
    if (link.autoreconnect && Timerretry) Timerretry->enabled = true;
    LOGWRITE(kLogLinkDown, "Services disconnected from server, error " + std::to_string(error));
    link.linkstate = 0;
    // Lines still buffered belong to the lost link and its cleared picture.
    link.recvbuffer.clear();
    link.discardingline = false;
    CLEARSERVER();
    if (linksocket) linksocket->closeconnection();
}

void TForm1::RECEIVE() {
    if (!linksocket) return;
    receivebytes(linksocket->receivetext());
}

void TForm1::queuelinkoutput(std::string_view batch) {
    // Output for a socket that is not connected would wait in its queue and
    // go out ahead of the next introduction.
    if (!linksocket || linksocket->connstate != WSCONNECTED) return;
    linksocket->sendtext(std::string(batch));
    if (linksocket->sendqueue.size() <= kMaxLinkBacklog || link.closepending) return;
    // Closing here would clear the network picture under the caller's feet;
    // the link is dropped from the loop instead.
    link.closepending = true;
    addtask(
        [this](int32_t, int32_t) {
            if (link.closepending && linksocket) linksocket->closeinternal(ENOBUFS);
        },
        linksocket, 0, 0);
}

void TForm1::drainlink() {
    if (!linksocket) return;
    const auto deadline = std::chrono::steady_clock::now() + kDrainLimit;
    const int32_t signals = link.stopsignals;
    sigset_t waitmask;
    signalwaitmask(waitmask);
    while (linksocket->connstate == WSCONNECTED && !linksocket->sendqueue.empty()) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) break;
        const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec limit{static_cast<time_t>(nanos / 1000000000),
                       static_cast<long>(nanos % 1000000000)};
        pollfd writable{linksocket->writefd, POLLOUT, 0};
        // Signals get through while waiting, so SIGTERM or SIGINT can cut a
        // flush to a hub that does not read.
        const int n = ::ppoll(&writable, 1, &limit, &waitmask);
        if (link.stopsignals != signals) break;
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        linksocket->handlereadiness(false, true);
    }
}

} // namespace tessel
