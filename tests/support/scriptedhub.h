#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tesseltest {

// The hub side of a link, played by a test: a TCP listener on 127.0.0.1 that
// takes the services' connection and exchanges CR LF lines with it. All
// waits take a deadline in seconds and give up after it.
class ScriptedHub {
public:
    // listening = false binds the port without listening, so connection
    // attempts are refused until listen() is called.
    explicit ScriptedHub(bool listening = true);
    ~ScriptedHub();
    ScriptedHub(const ScriptedHub&) = delete;
    ScriptedHub& operator=(const ScriptedHub&) = delete;

    uint16_t port() const { return port_; }
    void listen();
    // Small receive buffers on the accepted connection, so that a hub which
    // does not read soon stops the services' writes.
    void shrinkreceivebuffer() { smallbuffer_ = true; }

    // Waits for the services to connect; false on timeout.
    bool accept(int seconds);
    bool connected() const { return conn_ >= 0; }

    // The next received line without its line end; nothing on timeout or
    // when the connection ends.
    std::optional<std::string> readline(int seconds);
    // Reads until a line satisfies the test; nothing if none came in time.
    std::optional<std::string> readuntil(const std::function<bool(const std::string&)>& test,
                                         int seconds);
    std::optional<std::string> readuntilprefix(const std::string& prefix, int seconds) {
        return readuntil([&](const std::string& l) { return l.rfind(prefix, 0) == 0; }, seconds);
    }
    // True once the services closed the connection (lines before the end are
    // collected in received).
    bool waitclosed(int seconds);

    // Sends one line (CR LF added), or raw bytes.
    void send(const std::string& line) { sendraw(line + "\r\n"); }
    void sendraw(const std::string& bytes);
    void closeconnection();

    // The hub's half of the handshake, as a real ircu hub sends it: PASS and
    // SERVER (hub.test, numeric AK, capacity 1023).
    void introduce(const std::string& password);

    std::vector<std::string> received; // every line read so far

private:
    int listenfd_ = -1;
    int conn_ = -1;
    uint16_t port_ = 0;
    bool smallbuffer_ = false;
    bool eof_ = false;
    std::string pending_;

    bool fill(int seconds);
};

} // namespace tesseltest
