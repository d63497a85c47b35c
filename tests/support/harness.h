#pragma once

#include <string>
#include <vector>

#include "engine/tform1.h"

namespace tesseltest {

// An engine without sockets or timers: lines are fed straight into
// PARSECOMMAND (or through the link's framing) and every line the services
// send is captured, so tests can assert the exact bytes on the wire.
class Harness {
public:
    // Own numeric "AB" (server number 1), server name "services.test",
    // linked (linkstate 2) to hub.test with numeric "AK" and capacity mask 1023.
    Harness();
    // Fails the running test when an exception reached PARSECOMMAND's handler
    // or an immediate stop happened that the test did not take.
    ~Harness();

    tessel::TForm1 form;
    std::vector<std::string> sent; // every line sent, without CR LF

    // A test that provokes an immediate stop or an exception takes it; what
    // is left untaken at the end is a failure.
    int taketerminations();
    std::vector<std::string> takeexceptions();

    // One received line, as the link layer hands it over, then the flushes
    // that follow every received batch.
    void feed(const std::string& line);
    // Raw bytes through the link's framing (RECEIVE without a socket).
    void receive(const std::string& bytes);
    // Captured lines since the last call, and forget them.
    std::vector<std::string> take();
    // The flushes that end every received batch (queued mode changes, then
    // the output queue), and take().
    std::vector<std::string> flushed();

    // Introduces a user from the hub: "AK N nick 1 ts ident host +modes B]AAAB numeric :real".
    // Returns the user index.
    int32_t adduser(const std::string& nick, const std::string& numeric,
                    const std::string& modes = "", const std::string& ident = "user",
                    const std::string& host = "host.example", int32_t ts = 1000);

private:
    int terminations_ = 0;                // immediate stops demanded by the protocol
    std::vector<std::string> exceptions_; // messages caught by PARSECOMMAND
};

} // namespace tesseltest
