#include "eventcore/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include "eventcore/loop.h"
#include "eventcore/socketexception.h"

namespace tessel {

namespace {

uint16_t parseport(const std::string& text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 65535) return 0;
    return static_cast<uint16_t>(value);
}

bool isudpprotocol(const std::string& protocol) {
    std::string upper = protocol;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper == "UDP";
}

bool tobinip(const sockaddr_storage& ss, tbinip& ip, uint16_t& port) {
    ip = tbinip{};
    if (ss.ss_family == AF_INET) {
        const auto& in4 = reinterpret_cast<const sockaddr_in&>(ss);
        ip.family = 2;
        std::memcpy(ip.addr, &in4.sin_addr, 4);
        port = ntohs(in4.sin_port);
        return true;
    }
    if (ss.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(ss);
        ip.family = 10;
        std::memcpy(ip.addr, &in6.sin6_addr, 16);
        port = ntohs(in6.sin6_port);
        return true;
    }
    port = 0;
    return false;
}

// One end of a connection; `known` is false when the system cannot tell.
struct tendpoint {
    bool known = false;
    tbinip ip;
    uint16_t port = 0;
};

// getsockname or getpeername of fd.
tendpoint endpoint(int32_t fd, bool peer) {
    tendpoint e;
    if (fd < 0) return e;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    int r = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len)
                 : ::getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len);
    e.known = r == 0 && tobinip(ss, e.ip, e.port);
    return e;
}

std::string addresstext(const tendpoint& e) {
    return e.known ? formatip(e.ip) : "error";
}

std::string porttext(const tendpoint& e) {
    return e.known ? std::to_string(e.port) : "error";
}

} // namespace

TLsocket::TLsocket(TComponent* owner) : tlasio(owner) {
    ownsfds = true;
}

tsockaddr TLsocket::makesockaddr(const std::string& address, const std::string& port) {
    tbinip ip = lookupip(address, 10);
    tsockaddr out;
    uint16_t portnumber = htons(parseport(port));
    if (ip.family == 2) {
        out.in4.sin_family = AF_INET;
        out.in4.sin_port = portnumber;
        std::memcpy(&out.in4.sin_addr, ip.addr, 4);
        out.len = sizeof(sockaddr_in);
    } else if (ip.family == 10) {
        out.in6.sin6_family = AF_INET6;
        out.in6.sin6_port = portnumber;
        std::memcpy(&out.in6.sin6_addr, ip.addr, 16);
        out.len = sizeof(sockaddr_in6);
    } else {
        throw ESocketException("unable to resolve address: " + address);
    }
    return out;
}

void TLsocket::releasefd(int32_t fd) {
    if (readfd == fd) {
        fdunwatchread(fd);
        fdunwatchwrite(fd);
        if (loopstate().fdowner[fd] == this) loopstate().fdowner[fd] = nullptr;
        readfd = -1;
        writefd = -1;
        ::close(fd);
    }
    connstate = WSCLOSED;
}

void TLsocket::raiseerror(const char* what) {
    lasterror = errno;
    throw ESocketException(what);
}

void TLsocket::attachorclose(int32_t fd) {
    try {
        attachfd(fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
}

void TLsocket::attachfd(int32_t fd) {
    if (connstate != WSCLOSED) closeconnection();
    if (fd < 0 || fd >= kmaxfds) throw ESocketException("file discriptor out of range");
    readfd = fd;
    writefd = fd;
    auto& loop = loopstate();
    loop.fdowner[fd] = this;
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (fd > loop.maxfd) loop.maxfd = fd;
    connstate = WSCONNECTED;
    fdwatchread(fd);
}

void TLsocket::connectto() {
    if (connstate != WSCLOSED) closeconnection();
    sockaddress = makesockaddr(remoteaddr, remoteport);
    isudp = isudpprotocol(protocol);
    int fd = ::socket(sockaddress.sa.sa_family, isudp ? SOCK_DGRAM : SOCK_STREAM, 0);
    if (fd < 0) raiseerror("unable to create socket");
    attachorclose(fd);
    try {
        if (!localaddr.empty() || !localport.empty()) {
            std::string address = localaddr;
            if (address.empty()) address = sockaddress.sa.sa_family == AF_INET6 ? "::" : "0.0.0.0";
            tsockaddr local = makesockaddr(address, localport);
            if (::bind(fd, &local.sa, local.len) != 0) {
                connstate = WSCLOSED;
                raiseerror("unable to bind");
            }
            connstate = WSBOUND;
        }
        fdwatchread(fd);
        if (isudp) {
            connstate = WSCONNECTED;
            fireevent(onconnected, this, uint16_t(0));
        } else {
            if (sockoptions & WSOTCPNODELAY) {
                int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            }
            connstate = WSCONNECTING;
            fdwatchwrite(fd);
            // The outcome is reported by the readiness of the descriptor.
            (void)::connect(fd, &sockaddress.sa, sockaddress.len);
        }
    } catch (...) {
        releasefd(fd);
        throw;
    }
}

void TLsocket::listen() {
    if (connstate != WSCLOSED) closeconnection();
    isudp = isudpprotocol(protocol);
    int type = isudp ? SOCK_DGRAM : SOCK_STREAM;
    bool any = remoteaddr.empty();
    if (any) remoteaddr = "::";
    tsockaddr address = makesockaddr(remoteaddr, remoteport);
    int fd = ::socket(address.sa.sa_family, type, 0);
    if (fd < 0 && any) {
        // No IPv6 on this host: listen on every IPv4 address instead.
        remoteaddr = "0.0.0.0";
        address = makesockaddr(remoteaddr, remoteport);
        fd = ::socket(address.sa.sa_family, type, 0);
    }
    if (fd < 0) raiseerror("unable to create socket");
    localaddr = remoteaddr;
    localport = remoteport;
    sockaddress = address;
    attachorclose(fd);
    try {
        int one = 1;
        if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0)
            raiseerror("unable to set socket options");
        if (::bind(fd, &address.sa, address.len) != 0) raiseerror("unable to bind");
        if (isudp) {
            connstate = WSCONNECTED;
        } else {
            if (::listen(fd, listenqueue ? listenqueue : 5) != 0) raiseerror("unable to listen");
            connstate = WSLISTENING;
        }
    } catch (...) {
        releasefd(fd);
        throw;
    }
}

int32_t TLsocket::accept() {
    if (readfd >= 0) fdwatchread(readfd);
    int fd = ::accept(readfd, nullptr, nullptr);
    if (fd < 0) {
        lasterror = errno;
        throw ESocketException("error " + std::to_string(lasterror) + " while accepting");
    }
    if (fd >= kmaxfds) {
        ::close(fd);
        throw ESocketException("file discriptor out of range");
    }
    return fd;
}

void TLsocket::handlereadiness(bool readable, bool writable) {
    if (connstate == WSLISTENING && readable) {
        fdunwatchread(readfd);
        fireevent(onaccept, this, uint16_t(0));
    }
    bool readstream = readable;
    if (isudp && readable) {
        // A datagram is the application's to receive (receivebytes reads the
        // socket itself); the stream read below would swallow the next one.
        fireevent(ondata, this, uint16_t(0));
        readstream = false;
    } else if (connstate == WSCONNECTING && writable) {
        int32_t fd = readfd;
        if (!readable) {
            connstate = WSCONNECTED;
            fireevent(onconnected, this, uint16_t(0));
        } else {
            // Readable and writable at once: either the peer already sent
            // something or the attempt failed, which the read tells apart.
            uint8_t buffer[readchunk];
            ssize_t r = ::read(fd, buffer, sizeof buffer);
            int err = r < 0 ? errno : 0;
            if (r >= 0 || transienterror(err)) {
                if (r > 0) receivequeue.add(buffer, r);
                connstate = WSCONNECTED;
                fireevent(onconnected, this, uint16_t(0));
            } else {
                lasterror = err;
                connstate = WSCONNECTED;
                fireevent(onconnected, this, static_cast<uint16_t>(err));
                // Unless the handler already closed or reconnected.
                if (connstate == WSCONNECTED && readfd == fd) {
                    closeinternal(0);
                    receivequeue.del(receivequeue.size());
                }
            }
        }
    }
    // A listening socket is watched again by accept(), not here.
    if (connstate != WSCLOSED && connstate != WSLISTENING && readfd >= 0) {
        bool held = (sockoptions & WSONORECEIVELOOP) && !receivequeue.empty();
        if (connstate == WSCONNECTED && !held)
            fdwatchread(readfd);
        else if (connstate != WSCONNECTED)
            fdunwatchread(readfd);
        // A connection attempt in progress still waits for writability.
        if (sendqueue.empty() && connstate != WSCONNECTING) fdunwatchwrite(writefd);
    }
    tlasio::handlereadiness(readstream, writable);
}

void TLsocket::sendtext(const std::string& text) {
    if (isudp) {
        sendbytesto(text.data(), static_cast<int32_t>(text.size()));
        return;
    }
    tlasio::sendtext(text);
}

int32_t TLsocket::sendbytes(const void* buffer, int32_t length) {
    if (!isudp) return tlasio::sendbytes(buffer, length);
    if (connstate != WSCONNECTED) return -1;
    return sendbytesto(buffer, length < 0 ? 0 : length);
}

int32_t TLsocket::receivebytes(void* buffer, int32_t length) {
    if (!isudp) return tlasio::receivebytes(buffer, length);
    if (readfd < 0) return -1;
    ssize_t r = ::recv(readfd, buffer, static_cast<size_t>(length < 0 ? 0 : length), 0);
    if (r < 0) lasterror = errno;
    return static_cast<int32_t>(r);
}

int32_t TLsocket::sendbytesto(const void* buffer, int32_t length) {
    if (readfd < 0) return -1;
    ssize_t r = ::sendto(readfd, buffer, static_cast<size_t>(length < 0 ? 0 : length), MSG_NOSIGNAL,
                         &sockaddress.sa, sockaddress.len);
    if (r < 0) lasterror = errno;
    return static_cast<int32_t>(r);
}

int32_t TLsocket::receivebytesfrom(void* buffer, int32_t length, tbinip& fromip,
                                   uint16_t& fromport) {
    fromip = tbinip{};
    fromport = 0;
    if (readfd < 0) return -1;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    ssize_t r = ::recvfrom(readfd, buffer, static_cast<size_t>(length < 0 ? 0 : length), 0,
                           reinterpret_cast<sockaddr*>(&ss), &len);
    if (r < 0) {
        lasterror = errno;
        return -1;
    }
    tobinip(ss, fromip, fromport);
    return static_cast<int32_t>(r);
}

tbinip TLsocket::getlocalip() const {
    return endpoint(readfd, false).ip;
}

tbinip TLsocket::getpeerip() const {
    return endpoint(readfd, true).ip;
}

std::string TLsocket::getlocaladdr() const {
    return addresstext(endpoint(readfd, false));
}

std::string TLsocket::getlocalport() const {
    return porttext(endpoint(readfd, false));
}

std::string TLsocket::getpeeraddr() const {
    return addresstext(endpoint(readfd, true));
}

std::string TLsocket::getpeerport() const {
    return porttext(endpoint(readfd, true));
}

} // namespace tessel
