#include "net/dnsresolver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <random>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace tessel {

namespace {

constexpr int maxrequeries = 10;

struct resolverconfig {
    std::string resolvconfpath = "/etc/resolv.conf";
    uint16_t port = 53;
    std::optional<std::string> nameserver; // read once, then cached
    std::function<uint16_t()> idhook;
    int socketfd = -1; // created on first use, kept open
};

resolverconfig& config() {
    static resolverconfig instance;
    return instance;
}

uint16_t newqueryid() {
    if (config().idhook) return config().idhook();
    static std::random_device source;
    return static_cast<uint16_t>(source() & 0xffff);
}

// No answer: the lookup is over.
void faillookup(tdnsstate& state) {
    state.resultname.clear();
    state.resultip = tbinip{};
    state.resultaction = dnsactiondone;
}

void sendquery(tdnsstate& state) {
    state.received = false;
    if (state.queryname.empty()) {
        faillookup(state);
        return;
    }
    const uint16_t id = newqueryid();
    const int length = buildquery(state.packet, state.queryname, state.querytype, id);
    if (length == 0) {
        faillookup(state);
        return;
    }
    state.queryid = id;
    state.packetlength = length;
    state.resultaction = dnsactionsend;
}

void requery(tdnsstate& state) {
    state.requerycount += 1;
    if (state.requerycount > maxrequeries) {
        faillookup(state);
        return;
    }
    sendquery(state);
}

// Records where every question and resource record of the reply lies. False
// when the counts are too high or the records do not exactly fill the
// message.
bool indexrecords(tdnsstate& state) {
    const uint8_t* p = state.packet.data();
    const int length = state.packetlength;
    state.numquestions = get16(p + 4);
    state.numanswers = get16(p + 6);
    state.numauthority = get16(p + 8);
    state.numadditional = get16(p + 10);
    if (state.numquestions > dnsmaxsectioncount || state.numanswers > dnsmaxsectioncount ||
        state.numauthority > dnsmaxsectioncount || state.numadditional > dnsmaxsectioncount)
        return false;
    state.rrcount =
        state.numquestions + state.numanswers + state.numauthority + state.numadditional;

    int pos = dnsheadersize;
    for (int i = 0; i < state.rrcount; ++i) {
        trrpointer& rr = state.rrlist[static_cast<size_t>(i)];
        rr.offset = pos;
        if (i < state.numquestions) {
            if (pos > length - 4) return false;
            std::string name;
            int used = 0;
            if (!decodename(p, length, pos, name, used)) return false;
            rr.fixedoffset = pos + used;
            rr.length = used + 4;
        } else {
            if (pos > length - 12) return false;
            // The owner name is usually a 2-byte pointer to the question, but
            // a full name is legal too.
            const int used = skipname(p, length, pos);
            if (used < 0 || pos + used + 10 > length) return false;
            rr.fixedoffset = pos + used;
            rr.length = used + 10 + get16(p + rr.fixedoffset + 8);
        }
        if (pos + rr.length > length) return false;
        pos += rr.length;
    }
    return pos == length;
}

uint16_t recordtype(const tdnsstate& state, const trrpointer& rr) {
    return get16(state.packet.data() + rr.fixedoffset);
}

uint16_t datalength(const tdnsstate& state, const trrpointer& rr) {
    return get16(state.packet.data() + rr.fixedoffset + 8);
}

int dataoffset(const trrpointer& rr) {
    return rr.fixedoffset + 10;
}

void takeaddress(tdnsstate& state, const trrpointer& rr, int32_t family, int size) {
    state.resultip = tbinip{};
    state.resultip.family = family;
    std::memcpy(state.resultip.addr, state.packet.data() + dataoffset(rr),
                static_cast<size_t>(size));
    state.resultaction = dnsactiondone;
}

void examinereply(tdnsstate& state) {
    const uint8_t* p = state.packet.data();
    const int length = state.packetlength;
    // Too short to carry an ID: not a reply at all.
    if (length < 2) {
        state.resultaction = dnsactionwait;
        return;
    }
    if (get16(p) != state.queryid) {
        std::fputs("error: ID mismatch\n", stdout);
        std::fflush(stdout);
        state.resultaction = dnsactionwait;
        return;
    }
    if (length < dnsheadersize || !indexrecords(state)) {
        faillookup(state);
        return;
    }

    const int firstanswer = state.numquestions;
    const int endanswers = firstanswer + state.numanswers;
    for (int i = firstanswer; i < endanswers; ++i) {
        const trrpointer& rr = state.rrlist[static_cast<size_t>(i)];
        if (recordtype(state, rr) != state.querytype) continue;
        const uint16_t size = datalength(state, rr);
        if (state.querytype == dnstypea && size == 4) {
            takeaddress(state, rr, 2, 4);
            return;
        }
        if (state.querytype == dnstypeaaaa && size == 16) {
            takeaddress(state, rr, 10, 16);
            return;
        }
        if (state.querytype == dnstypeptr) {
            std::string name;
            int used = 0;
            if (!decodename(p, length, dataoffset(rr), name, used)) {
                faillookup(state);
                return;
            }
            state.resultname = name;
            state.resultaction = dnsactiondone;
            return;
        }
    }

    for (int i = firstanswer; i < endanswers; ++i) {
        const trrpointer& rr = state.rrlist[static_cast<size_t>(i)];
        if (recordtype(state, rr) != dnstypecname) continue;
        std::string target;
        int used = 0;
        if (!decodename(p, length, dataoffset(rr), target, used)) {
            faillookup(state);
            return;
        }
        state.queryname = target;
        requery(state);
        return;
    }

    if (state.wantedfamily == 0 && state.querytype == dnstypea) {
        for (int i = endanswers + state.numauthority; i < state.rrcount; ++i) {
            const trrpointer& rr = state.rrlist[static_cast<size_t>(i)];
            if (recordtype(state, rr) == dnstypeaaaa && datalength(state, rr) == 16) {
                takeaddress(state, rr, 10, 16);
                return;
            }
        }
        state.querytype = dnstypeaaaa;
        requery(state);
        return;
    }

    faillookup(state);
}

int resolversocket() {
    int& fd = config().socketfd;
    if (fd >= 0) return fd;
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) throw std::runtime_error("unable to bind");
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(s);
        throw std::runtime_error("unable to bind");
    }
    fd = s;
    return fd;
}

// The cached name server; anything but an IPv4 literal (no file, no entry)
// reads as 0.0.0.0.
sockaddr_in nameserveraddress() {
    resolverconfig& c = config();
    if (!c.nameserver) c.nameserver = readnameserver(c.resolvconfpath);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(c.port);
    tbinip ip = parseip(*c.nameserver);
    if (ip.family == 2) std::memcpy(&server.sin_addr, ip.addr, 4);
    return server;
}

int millisecondsuntil(std::chrono::steady_clock::time_point deadline) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for the next datagram into `packet`; false at the deadline.
bool receivereply(int fd, tdnsstate& state, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        pollfd pfd{fd, POLLIN, 0};
        int ready = ::poll(&pfd, 1, millisecondsuntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        ssize_t n = ::recv(fd, state.packet.data(), state.packet.size(), MSG_DONTWAIT);
        if (n >= 0) {
            state.packetlength = static_cast<int32_t>(n);
            state.received = true;
            return true;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    }
}

} // namespace

void startforward(const std::string& name, tdnsstate& state, int32_t family) {
    state = tdnsstate{};
    state.queryname = name;
    state.wantedfamily = family;
    state.querytype = family == 10 ? dnstypeaaaa : dnstypea;
}

std::string reversename(const tbinip& address) {
    std::string name;
    if (address.family == 2) {
        for (int i = 3; i >= 0; --i)
            name += std::to_string(address.addr[i]) + ".";
        return name + "in-addr.arpa";
    }
    if (address.family == 10) {
        static const char hexdigits[] = "0123456789abcdef";
        for (int i = 15; i >= 0; --i) {
            name += hexdigits[address.addr[i] & 0xf];
            name += '.';
            name += hexdigits[address.addr[i] >> 4];
            name += '.';
        }
        return name + "ip6.arpa";
    }
    return name;
}

void startreverse(const tbinip& address, tdnsstate& state) {
    state = tdnsstate{};
    state.queryname = reversename(address);
    state.querytype = dnstypeptr;
}

void step(tdnsstate& state) {
    if (!state.received) {
        sendquery(state);
        return;
    }
    state.received = false;
    examinereply(state);
}

void resolvewait(tdnsstate& state, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    const int fd = resolversocket();
    const sockaddr_in server = nameserveraddress();
    for (;;) {
        step(state);
        if (state.resultaction == dnsactiondone) return;
        if (state.resultaction == dnsactionsend) {
            ssize_t sent =
                ::sendto(fd, state.packet.data(), static_cast<size_t>(state.packetlength), 0,
                         reinterpret_cast<const sockaddr*>(&server), sizeof server);
            // Nothing will come back for a query that never left.
            if (sent != state.packetlength) {
                faillookup(state);
                return;
            }
        }
        if (!receivereply(fd, state, deadline)) return;
    }
}

std::string readnameserver(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.compare(0, 10, "nameserver") != 0) continue;
        size_t start = line.find_first_not_of(" \t", 10);
        if (start == std::string::npos) return "";
        size_t end = line.find_first_of(" \t", start);
        return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return "";
}

void setresolverconfig(const std::string& resolvconfpath, uint16_t port) {
    config().resolvconfpath = resolvconfpath;
    config().port = port;
    config().nameserver.reset();
}

void setqueryidhook(std::function<uint16_t()> hook) {
    config().idhook = std::move(hook);
}

} // namespace tessel
