#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "eventcore/component.h"
#include "util/tfifo.h"

namespace tessel {

class tlasio;

enum TSocketState : uint8_t {
    WSINVALIDSTATE = 0,
    WSOPENED = 1,
    WSBOUND = 2,
    WSCONNECTING = 3,
    WSCONNECTED = 4,
    WSACCEPTING = 5,
    WSLISTENING = 6,
    WSCLOSED = 7,
};

// Members of a TWSocketOptions set.
enum TWSocketOption : uint8_t {
    // Stop reading while received data waits in the receive queue, and do
    // not offer the waiting data again from a task.
    WSONORECEIVELOOP = 1 << 0,
    // Disable Nagle's algorithm on TCP connections made by connectto.
    WSOTCPNODELAY = 1 << 1,
};
using TWSocketOptions = uint8_t;

// (Sender, error) for closed, data, accept, connected and queue-empty events.
using TSocketevent = std::function<void(tlasio* sender, uint16_t error)>;
// (Sender, bytes written) after each write that wrote something.
using TSendData = std::function<void(tlasio* sender, int32_t count)>;
// (Sender, error raised by one of its handlers, close it afterwards?)
using TBgExceptionEvent =
    std::function<void(tlasio* sender, const std::exception& error, bool& close)>;

// A component with a read and a write descriptor and a byte queue for each
// direction. Every live tlasio is in the loop's asynchronous-component list.
class tlasio : public tlcomponent {
public:
    static constexpr int32_t readchunk = 1460;  // bytes taken by one read
    static constexpr int32_t writechunk = 2920; // bytes given to one write

    explicit tlasio(TComponent* owner = nullptr);
    ~tlasio() override;

    TSocketState connstate = WSCLOSED;
    TWSocketOptions sockoptions = 0;
    int32_t readfd = -1;
    int32_t writefd = -1;
    TSocketevent onclosed;
    TSocketevent ondata;
    TSocketevent onaccept;
    TSocketevent onconnected;
    TSendData onsent;
    TSocketevent onqueueempty;
    tlasio* next = nullptr; // asynchronous-component list
    tlasio* prev = nullptr;
    tfifo receivequeue;
    TBgExceptionEvent onerror;
    tfifo sendqueue;
    bool ownsfds = false;
    bool sentthiscycle = false;
    int32_t lasterror = 0;
    bool destroyingflag = false;

    // Also tells the loop that a component is waiting to be freed.
    void markforfree() override;

    // Every queued received byte, as text.
    virtual std::string receivetext();
    // Closes the descriptors and reports onclosed(error); on a closed
    // component it only empties the send queue.
    virtual void closeinternal(uint16_t error);
    // Called by the loop when a descriptor of this component is ready.
    virtual void handlereadiness(bool readable, bool writable);
    // Queues the bytes and writes what the descriptor takes now.
    virtual void sendtext(const std::string& text);
    // As sendtext; -1 when not connected, else the length queued.
    virtual int32_t sendbytes(const void* buffer, int32_t length);
    // Takes up to length bytes from the receive queue.
    virtual int32_t receivebytes(void* buffer, int32_t length);

    // Closes with error code 0.
    void closeconnection() { closeinternal(0); }
    // Writes the whole send queue, blocking until the descriptor took it.
    void drainoutput();
    // The loop's handling of an error raised by one of this component's
    // handlers: onerror decides, by default the component is closed.
    void handleerror(const std::exception& error);

protected:
    // Writes up to writechunk bytes from the send queue. Returns the count
    // written; oserror receives the error of a failed write, 0 otherwise.
    int32_t writeattempt(int& oserror);
    int32_t writeattempt() {
        int ignored;
        return writeattempt(ignored);
    }
    // Offers the receive queue to ondata and arranges the task that offers
    // what is left again.
    void deliverreceived();

private:
    bool redeliverqueued_ = false; // a task offering the receive queue waits
    void redeliver();
};

// A pipe to itself, created by the loop. Its descriptors are non-blocking so
// the byte written after every signal can never block the process.
class tlloopback : public tlasio {
public:
    explicit tlloopback(TComponent* owner = nullptr);
};

// Errors of a read or write that only mean "not now": the descriptor is fine.
bool transienterror(int err);

// Calls a handler through a copy, so a handler that replaces or clears itself
// does not destroy the function object that is running.
template <class F, class... Args> void fireevent(const F& handler, Args&&... args) {
    if (!handler) return;
    F copy = handler;
    copy(std::forward<Args>(args)...);
}

} // namespace tessel
