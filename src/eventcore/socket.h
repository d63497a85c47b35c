#pragma once

#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>

#include "eventcore/asio.h"
#include "net/tbinip.h"

namespace tessel {

// A remote or local address in the system's form: the IPv4 form uses 16
// bytes, the IPv6 form all 28.
struct tsockaddr {
    union {
        sockaddr sa;
        sockaddr_in in4;
        sockaddr_in6 in6;
    };
    socklen_t len = 0;

    tsockaddr() : in6{} {}
};

// A non-blocking TCP or UDP socket with queued output and input. The link to
// the hub is a TCP client: set remoteaddr, remoteport and protocol, call
// connectto, take received bytes in ondata, hand output to sendtext.
class TLsocket : public tlasio {
public:
    explicit TLsocket(TComponent* owner = nullptr);

    tsockaddr sockaddress;        // the remote address of the last connectto or listen
    std::string remoteaddr;       // literal IPv4, literal IPv6 or a host name
    std::string remoteport;       // decimal text
    std::string localaddr;        // bind to this address; empty = none
    std::string localport;        // bind to this port; empty = none
    std::string protocol = "tcp"; // "UDP" in any case means UDP, anything else TCP
    bool isudp = false;
    int32_t listenqueue = 0; // listen backlog; 0 means 5

    // The address text (a host name is resolved, waiting at most 10 s) and
    // the port text (0 when not a number) in the system's form. Raises
    // "unable to resolve address: " + the text.
    static tsockaddr makesockaddr(const std::string& address, const std::string& port);

    // Opens the socket and starts connecting to remoteaddr:remoteport; an
    // open socket is closed first (onclosed(0)). TCP reports the outcome
    // later through onconnected; UDP reports onconnected(0) at once.
    void connectto();
    // Adopts an open descriptor: non-blocking, watched for reading, state
    // WSCONNECTED. Raises "file discriptor out of range" above 8191.
    void attachfd(int32_t fd);
    // Server side: binds remoteaddr:remoteport ("::" when empty) and listens
    // (TCP, WSLISTENING) or waits for datagrams (UDP, WSCONNECTED).
    void listen();
    // Takes one waiting connection of a listening socket; the descriptor is
    // for the caller to attachfd into a new TLsocket.
    int32_t accept();

    void handlereadiness(bool readable, bool writable) override;
    void sendtext(const std::string& text) override;
    int32_t sendbytes(const void* buffer, int32_t length) override;
    int32_t receivebytes(void* buffer, int32_t length) override;

    // UDP: a datagram to the stored address; the result of the send call.
    int32_t sendbytesto(const void* buffer, int32_t length);
    // UDP: one datagram and its sender; -1 when nothing could be read.
    int32_t receivebytesfrom(void* buffer, int32_t length, tbinip& fromip, uint16_t& fromport);

    // Addresses of the connected socket; the texts read "error" when the
    // system cannot tell.
    tbinip getlocalip() const;
    tbinip getpeerip() const;
    std::string getlocaladdr() const;
    std::string getlocalport() const;
    std::string getpeeraddr() const;
    std::string getpeerport() const;

private:
    void releasefd(int32_t fd);
    // attachfd for a descriptor fresh from socket(): closed again when it
    // cannot be attached.
    void attachorclose(int32_t fd);
    // Keeps errno as the last error and raises `what`.
    [[noreturn]] void raiseerror(const char* what);
};

} // namespace tessel
