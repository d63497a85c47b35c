#include "engine/startup.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "engine/pidfile.h"
#include "engine/tform1.h"
#include "eventcore/loop.h"
#include "eventcore/signal.h"

namespace tessel {

namespace {

// Every relative file name (configuration, databases, pid file, log) is
// relative to the directory the program was started from, as named by
// argument 0, a symbolic link's own directory included.
bool enterprogramdirectory(const char* program) {
    const std::string path = program ? program : "";
    const size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return true;
    const std::string dir = slash == 0 ? std::string("/") : path.substr(0, slash);
    if (::chdir(dir.c_str()) == 0) return true;
    std::fprintf(stderr, "unable to change directory to %s: %s\n", dir.c_str(),
                 std::strerror(errno));
    return false;
}

// Errors escaping the loop (task handlers are not guarded by it) restart it;
// only a loop that keeps failing ends the services, in the orderly way.
void runservices() {
    constexpr int kFailureBurst = 20;
    constexpr auto kFailureWindow = std::chrono::seconds(10);
    int failures = 0;
    auto windowstart = std::chrono::steady_clock::now();
    for (;;) {
        try {
            runloop();
            return;
        } catch (const std::exception& error) {
            std::printf("exception in main loop: %s\n", error.what());
            std::fflush(stdout);
        }
        if (loopstate().exitrequested) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - windowstart > kFailureWindow) {
            windowstart = now;
            failures = 0;
        }
        if (++failures >= kFailureBurst) return;
    }
}

} // namespace

int servicesmain(int argc, char** argv) {
    if (!enterprogramdirectory(argc > 0 ? argv[0] : nullptr)) return 1;

    tpidfile pidfile("tesselsv.pid");
    if (!pidfile.lock()) return 0; // another instance runs here
    activepidfile = &pidfile;

    TForm1* form = nullptr;
    try {
        form = new TForm1();
        form->FORMCREATE();
    } catch (const std::exception& error) {
        std::printf("error creating form1: %s\n", error.what());
    }

    const bool foreground = argc > 1 && std::strcmp(argv[1], "foreground") == 0;
    if (!foreground) {
        std::fflush(stdout);
        std::fflush(stderr);
        const pid_t child = ::fork();
        if (child < 0) {
            std::printf("failed to run in background, try \"tesselsv foreground\" if it doesnt "
                        "work otherwise\n");
            pidfile.remove();
            return 0;
        }
        if (child > 0) ::_exit(0);
    }

    // Handlers go in before the pid is published, so whoever reads the pid
    // and signals it gets the orderly stop.
    tlsignal signals;
    signals.onsignal = [form](tlsignal*, int32_t signum) {
        if (form) form->stopsignal(signum);
    };
    addsignal(SIGTERM);
    addsignal(SIGINT);
    addsignal(SIGHUP);
    pidfile.writepid(static_cast<long>(::getpid()));

    runservices();

    if (form) {
        try {
            form->BUTTONDIECLICK();
        } catch (const std::exception& error) {
            std::printf("exception while closing the link: %s\n", error.what());
        }
        try {
            form->SAVEDB();
        } catch (const std::exception& error) {
            std::printf("exception while saving the databases: %s\n", error.what());
        }
    }
    pidfile.remove();
    activepidfile = nullptr;
    delete form;
    std::fflush(stdout);
    return 0;
}

} // namespace tessel
