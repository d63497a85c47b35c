#pragma once

#include <array>
#include <climits>
#include <cstdint>

namespace tessel {

class tlasio;
class tltimer;
class tlsignal;
class tlloopback;
struct tltask;

// Descriptors 0..8191 can be watched.
constexpr int32_t kmaxfds = 8192;

// A bit set over every watchable descriptor, laid out like the system's
// fd_set so it can be handed to select directly.
struct tfdset {
    static constexpr int wordbits = sizeof(unsigned long) * CHAR_BIT;
    std::array<unsigned long, kmaxfds / wordbits> words{};

    bool has(int32_t fd) const {
        return fd >= 0 && fd < kmaxfds && (words[fd / wordbits] >> (fd % wordbits) & 1UL);
    }
    void set(int32_t fd) { words[fd / wordbits] |= 1UL << (fd % wordbits); }
    void clear(int32_t fd) { words[fd / wordbits] &= ~(1UL << (fd % wordbits)); }
    void clearall() { words.fill(0); }
    // The 32 descriptors starting at 32 * index, bit 0 = the lowest one.
    uint32_t word32(int index) const {
        int bit = index * 32;
        return static_cast<uint32_t>(words[bit / wordbits] >> (bit % wordbits));
    }
};

// The state the loop shares with every component of the process. There is
// one instance; it is a struct so the loop can run again after returning.
struct tloopstate {
    tfdset readset;
    tfdset writeset;
    std::array<tlasio*, kmaxfds> fdowner{};
    int32_t maxfd = -1; // highest descriptor ever attached or watched

    tlasio* asiolist = nullptr;     // every live tlasio, newest first
    tltimer* timerlist = nullptr;   // every live tltimer, newest first
    tlsignal* signallist = nullptr; // every live tlsignal, newest first

    tltask* pendingfirst = nullptr;
    tltask* pendinglast = nullptr;
    tltask* runningfirst = nullptr;

    bool exitrequested = false;
    bool setschanged = false;
    bool freeflag = false;
    tlloopback* loopback = nullptr;

    // Walk positions of the loop, moved on by destructors so a handler may
    // destroy any component (not only mark it) without breaking the walk.
    tlasio* asiocursor = nullptr;
    tltimer* timercursor = nullptr;
    tltimer* timercurrent = nullptr;
    tlsignal* signalcursor = nullptr;
};

tloopstate& loopstate();

// Runs until requestexit() or until no component, timer or signal receiver is
// left. Errors raised by timer and task handlers end it and reach the caller.
void runloop();
// The loop ends before its next wait.
void requestexit();

// Watching descriptors. A negative descriptor raises "FD_set fd out of range: "
// or "FD_Clr fd out of range: " with the number (so does one above 8191).
void fdwatchread(int32_t fd);
void fdwatchwrite(int32_t fd);
void fdunwatchread(int32_t fd);
void fdunwatchwrite(int32_t fd);

} // namespace tessel
