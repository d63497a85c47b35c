// Building the engine, and closing the link when the services stop.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>

#include "engine/tform1.h"
#include "eventcore/loop.h"
#include "eventcore/socket.h"
#include "eventcore/timer.h"

namespace tessel {

namespace {

// An error escaping a timer handler would end the event loop and with it the
// process; it is reported and the services carry on.
ttimerevent guarded(TForm1* form, void (TForm1::*handler)(), const char* name) {
    return [form, handler, name](tltimer*) {
        try {
            (form->*handler)();
        } catch (const std::exception& error) {
            std::printf("exception in %s: %s\n", name, error.what());
            std::fflush(stdout);
        }
    };
}

tltimer* maketimer(int32_t interval, ttimerevent handler) {
    auto* timer = new tltimer();
    timer->interval = interval;
    timer->ontimer = std::move(handler);
    return timer;
}

} // namespace

void TForm1::FORMCREATE() {
    Timer1 = maketimer(1000, guarded(this, &TForm1::TIMER1TIMER, "timer1"));
    Timer2 = maketimer(20000, guarded(this, &TForm1::TIMER2TIMER, "timer2"));
    Timerretry = maketimer(4000, guarded(this, &TForm1::TIMERRETRYTIMER, "timerretry"));

    link.autoreconnect = true;
    log.lastlogday = 0;
    std::seed_seq seed{
        static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()),
        static_cast<uint32_t>(::getpid())};
    random.seed(seed);
    clockinit();
    clock.boottime = clock.now;

    linksocket = new TLsocket();
    linksocket->onconnected = [this](tlasio*, uint16_t error) { CONNECTED(error); };
    linksocket->ondata = [this](tlasio*, uint16_t) { RECEIVE(); };
    linksocket->onclosed = [this](tlasio*, uint16_t error) { CLOSED(error); };
    link.outputsink = [this](std::string_view batch) { queuelinkoutput(batch); };

    // The record tables and the seen list start empty with the engine.
    link.linkstate = 0;
    INIT();
    warnpasswordstorage();

    tserver& own = net.servers[0];
    own.inuse = true;
    own.mask = 63;
    own.slots.assign(64, -1);

    TIMER2TIMER();
}

void TForm1::INIT() {
    LOADCONF();
    LOADDB();
}

void TForm1::FORMCLOSE() {
    requestexit();
}

void TForm1::stopsignal(int32_t signum) {
    if (signum == SIGINT) {
        link.quitreason = "received signal SIGINT";
    } else if (signum == SIGTERM) {
        link.quitreason = "received signal SIGTERM";
    } else {
        return; // SIGHUP, SIGPIPE and the rest change nothing
    }
    ++link.stopsignals;
    // No new connection attempt (which may block on a name lookup) before
    // the loop has ended.
    link.autoreconnect = false;
    FORMCLOSE();
}

void TForm1::BUTTONDIECLICK() {
    link.autoreconnect = false;
    if (link.linkstate == 0) return;
    if (link.quitreason.empty()) link.quitreason = "Shutting down";
    CHANSEND("Q :brb");
    MESEND("SQ " + link.uplinkname + " 0 :" + link.quitreason);
    SENDFLUSH();
    link.linkstate = 0;
    if (linksocket) {
        drainlink();
        linksocket->closeconnection();
    }
    CLEARSERVER();
}

} // namespace tessel
