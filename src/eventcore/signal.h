#pragma once

#include <csignal>
#include <cstdint>
#include <functional>

#include "eventcore/component.h"

namespace tessel {

class tlsignal;

using TSignalEvent = std::function<void(tlsignal* sender, int32_t signum)>;

// Receiver of Unix signals. Every caught signal reaches every tlsignal, newest
// first; a handler ignores the numbers it does not care about. Signals are
// held back except while the loop waits, so handlers never interrupt other
// work.
class tlsignal : public TComponent {
public:
    explicit tlsignal(TComponent* owner = nullptr);
    ~tlsignal() override;

    TSignalEvent onsignal;
    tlsignal* prev = nullptr; // the loop's signal-component list
    tlsignal* next = nullptr;
};

// Starts catching a signal. Valid numbers are 0-8, 10-18 and 20-31; anything
// else raises "invalid signal number". Blocks signals 1-31 for the process
// and installs the dispatcher (no automatic restart of interrupted calls).
void addsignal(int32_t number);

// The signal mask the loop waits with: the current mask without signals 1-31.
void signalwaitmask(sigset_t& mask);

} // namespace tessel
