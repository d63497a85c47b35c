#include "eventcore/socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "eventcore/socketexception.h"
#include "loopfixture.h"

using namespace tessel;
using tessel::testing::LoopTest;
using tessel::testing::watchdog;

namespace {

class SocketTest : public LoopTest {};

// A plain listening socket on 127.0.0.1 with a port of the system's choice.
struct rawlistener {
    int fd = -1;
    uint16_t port = 0;

    rawlistener() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(::listen(fd, 8), 0);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~rawlistener() { close(); }
    int acceptone() { return ::accept(fd, nullptr, nullptr); }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

// A blocking client connection to 127.0.0.1:port.
int rawconnect(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    return fd;
}

void aimat(TLsocket& s, uint16_t port) {
    s.remoteaddr = "127.0.0.1";
    s.remoteport = std::to_string(port);
    s.protocol = "tcp";
}

std::string event(const char* name, int code) {
    return std::string(name) + " " + std::to_string(code);
}

} // namespace

TEST_F(SocketTest, ARefusedConnectionReportsTheErrorAndThenClosesWithZero) {
    watchdog dog(3000);
    uint16_t port;
    {
        rawlistener gone; // a port nobody listens on any more
        port = gone.port;
    }
    TLsocket s;
    aimat(s, port);
    std::vector<std::string> events;
    s.onconnected = [&](tlasio*, uint16_t e) { events.push_back(event("connected", e)); };
    s.onclosed = [&](tlasio*, uint16_t e) {
        events.push_back(event("closed", e));
        requestexit();
    };
    s.connectto();
    EXPECT_EQ(s.connstate, WSCONNECTING);
    runloop();
    std::vector<std::string> expected{event("connected", ECONNREFUSED), event("closed", 0)};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(s.connstate, WSCLOSED);
    EXPECT_EQ(s.readfd, -1);
}

// What the peer sent arrives before the close; an orderly end reports 0, a
// reset the error number.
TEST_F(SocketTest, APeerThatEndsTheConnectionCausesOnclosedWithItsCode) {
    struct {
        const char* name;
        bool reset;
        int code;
    } cases[] = {{"clean close", false, 0}, {"reset", true, ECONNRESET}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        watchdog dog(3000);
        rawlistener peer;
        TLsocket s;
        aimat(s, peer.port);
        std::vector<std::string> events;
        std::string data;
        s.onconnected = [&](tlasio*, uint16_t e) {
            events.push_back(event("connected", e));
            EXPECT_EQ(s.getpeeraddr(), "127.0.0.1");
            EXPECT_EQ(s.getpeerport(), std::to_string(peer.port));
            EXPECT_EQ(s.getlocaladdr(), "127.0.0.1");
            int fd = peer.acceptone();
            if (c.reset) {
                linger l{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            } else {
                ASSERT_EQ(::write(fd, "hello", 5), 5);
            }
            ::close(fd);
        };
        s.ondata = [&](tlasio* sender, uint16_t) { data += sender->receivetext(); };
        s.onclosed = [&](tlasio*, uint16_t e) {
            events.push_back(event("closed", e));
            requestexit();
        };
        s.connectto();
        runloop();
        std::vector<std::string> expected{event("connected", 0), event("closed", c.code)};
        EXPECT_EQ(events, expected);
        EXPECT_EQ(data, c.reset ? "" : "hello");
        EXPECT_EQ(s.getpeeraddr(), "error");
        EXPECT_EQ(s.getlocalport(), "error");
    }
}

TEST_F(SocketTest, AnUnconnectedSocketQueuesTextButRefusesBytesAndClosesSilently) {
    TLsocket s;
    int events = 0;
    s.onclosed = [&](tlasio*, uint16_t) { ++events; };
    s.onsent = [&](tlasio*, int32_t) { ++events; };
    EXPECT_EQ(s.sendbytes("abc", 3), -1);
    EXPECT_EQ(s.sendqueue.size(), 0);
    s.sendtext("queued");
    EXPECT_EQ(s.sendqueue.size(), 6) << "kept, not written";
    s.closeconnection();
    EXPECT_EQ(events, 0) << "closing a closed socket calls no handler";
    EXPECT_EQ(s.sendqueue.size(), 0);
}

// The engine restarts a pending or open link by calling connectto again.
TEST_F(SocketTest, ConnecttoOnAnOpenSocketClosesItFirstWithZero) {
    watchdog dog(3000);
    rawlistener peer;
    TLsocket s;
    aimat(s, peer.port);
    std::vector<std::string> events;
    s.onconnected = [&](tlasio*, uint16_t e) {
        events.push_back(event("connected", e));
        if (events.size() == 1)
            addtask([&](int32_t, int32_t) { s.connectto(); }, &s, 0, 0);
        else
            requestexit();
    };
    s.onclosed = [&](tlasio*, uint16_t e) { events.push_back(event("closed", e)); };
    s.connectto();
    runloop();
    std::vector<std::string> expected{event("connected", 0), event("closed", 0),
                                      event("connected", 0)};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(s.connstate, WSCONNECTED);
    s.closeconnection();
}

// A consumer that takes one byte per call: without WSONORECEIVELOOP the rest
// is offered again from a task until it is gone, with no pile-up of tasks even
// while more bytes wait in the system; with it the socket waits for the
// application.
TEST_F(SocketTest, DataLeftInTheReceiveQueueIsOfferedAgainFromATask) {
    std::string payload;
    for (int i = 0; i < 2000; ++i)
        payload += static_cast<char>('a' + i % 26);
    struct {
        const char* name;
        TWSocketOptions options;
        size_t calls;
        std::string got;
    } cases[] = {{"receive loop", 0, payload.size(), payload},
                 {"no receive loop", WSONORECEIVELOOP, 1, "a"}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        watchdog dog(5000);
        rawlistener peer;
        TLsocket s;
        aimat(s, peer.port);
        s.sockoptions = c.options;
        int peerfd = -1;
        s.onconnected = [&](tlasio*, uint16_t) {
            peerfd = peer.acceptone();
            ASSERT_EQ(::write(peerfd, payload.data(), payload.size()),
                      static_cast<ssize_t>(payload.size()));
        };
        size_t calls = 0;
        int mosttasks = 0;
        std::string got;
        s.ondata = [&](tlasio* sender, uint16_t) {
            ++calls;
            mosttasks = std::max(mosttasks, pendingtaskcount());
            char byte;
            if (sender->receivebytes(&byte, 1) == 1) got += byte;
        };
        // Ends the loop a few iterations after the last call would be due.
        tltimer stop;
        stop.interval = 30;
        size_t lastcalls = 0;
        int quiet = 0;
        stop.ontimer = [&](tltimer*) {
            quiet = calls > 0 && calls == lastcalls ? quiet + 1 : 0;
            lastcalls = calls;
            if (quiet == 3) requestexit();
        };
        s.connectto();
        runloop();
        EXPECT_EQ(got, c.got);
        EXPECT_EQ(calls, c.calls);
        EXPECT_LE(mosttasks, 1) << "re-offers pile up in the task queue";
        s.closeconnection();
        ::close(peerfd);
    }
}

// drainoutput blocks until a large send queue is written; every byte arrives
// in order, onsent counts them all and onqueueempty follows once.
TEST_F(SocketTest, DrainoutputWritesTheWholeQueue) {
    watchdog dog(10000);
    rawlistener peer;
    std::string payload(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>(i * 31 + i / 977);
    std::string received;
    std::thread reader([&] {
        int fd = peer.acceptone();
        char buffer[65536];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            received.append(buffer, n);
        ::close(fd);
    });
    TLsocket s;
    aimat(s, peer.port);
    int64_t sent = 0;
    int empties = 0;
    s.onsent = [&](tlasio*, int32_t n) { sent += n; };
    s.onqueueempty = [&](tlasio*, uint16_t) {
        ++empties;
        requestexit();
    };
    s.onconnected = [&](tlasio* sender, uint16_t e) {
        ASSERT_EQ(e, 0);
        sender->sendtext(payload);
        EXPECT_GT(sender->sendqueue.size(), 0) << "the test needs output left to drain";
        sender->drainoutput();
        EXPECT_EQ(sender->sendqueue.size(), 0);
        sender->closeconnection();
    };
    s.connectto();
    runloop();
    reader.join();
    EXPECT_EQ(sent, static_cast<int64_t>(payload.size()));
    EXPECT_EQ(empties, 1);
    EXPECT_TRUE(received == payload) << "received " << received.size() << " bytes";
}

// A listening TLsocket hands out one connection per onaccept and keeps
// listening after each.
TEST_F(SocketTest, AListeningSocketAcceptsOneConnectionAfterAnother) {
    watchdog dog(3000);
    TLsocket listener;
    listener.remoteaddr = "127.0.0.1";
    listener.remoteport = "0";
    listener.listen();
    ASSERT_EQ(listener.connstate, WSLISTENING);
    uint16_t port = static_cast<uint16_t>(std::stoi(listener.getlocalport()));
    std::vector<TLsocket*> accepted;
    std::vector<std::string> data; // what arrived on each, in the order accepted
    size_t total = 0;
    listener.onaccept = [&](tlasio*, uint16_t) {
        auto* conn = new TLsocket;
        conn->attachfd(listener.accept());
        const size_t index = accepted.size();
        data.emplace_back();
        conn->ondata = [&, index](tlasio* sender, uint16_t) {
            const std::string text = sender->receivetext();
            data[index] += text;
            total += text.size();
            if (total == 4) requestexit();
        };
        accepted.push_back(conn);
    };
    // Both connections wait in the listen queue, in this order, before the
    // loop runs.
    int a = rawconnect(port);
    int b = rawconnect(port);
    ASSERT_EQ(::write(a, "ab", 2), 2);
    ASSERT_EQ(::write(b, "cd", 2), 2);
    runloop();
    EXPECT_EQ(accepted.size(), 2u);
    EXPECT_EQ(data, (std::vector<std::string>{"ab", "cd"}));
    for (auto* conn : accepted)
        delete conn;
    ::close(a);
    ::close(b);
}

TEST_F(SocketTest, DatagramsGoToTheStoredAddressAndArriveWithTheirSender) {
    watchdog dog(3000);
    TLsocket server;
    server.remoteaddr = "127.0.0.1";
    server.remoteport = "0";
    server.protocol = "udp";
    server.listen();
    ASSERT_EQ(server.connstate, WSCONNECTED);

    TLsocket client;
    client.remoteaddr = "127.0.0.1";
    client.remoteport = server.getlocalport();
    client.protocol = "UDP";
    int connected = -1;
    client.onconnected = [&](tlasio*, uint16_t e) { connected = e; };
    client.connectto();
    EXPECT_EQ(connected, 0) << "a datagram socket is ready at once";
    client.sendtext("ping");
    EXPECT_EQ(client.sendbytes("pong", 4), 4);

    std::vector<std::string> got;
    std::string from;
    server.ondata = [&](tlasio*, uint16_t) {
        char buffer[64];
        tbinip ip;
        uint16_t port = 0;
        int32_t n = server.receivebytesfrom(buffer, sizeof buffer, ip, port);
        if (n <= 0) return;
        got.emplace_back(buffer, n);
        from = formatip(ip) + ":" + std::to_string(port);
        if (got.size() == 2) requestexit();
    };
    runloop();
    EXPECT_EQ(got, (std::vector<std::string>{"ping", "pong"}));
    EXPECT_EQ(from, "127.0.0.1:" + client.getlocalport());
    EXPECT_EQ(server.connstate, WSCONNECTED) << "reading a datagram is no reason to close";
}

TEST(Makesockaddr, BuildsTheSystemFormOrRefusesTheAddress) {
    struct {
        const char* address;
        const char* port;
        int family;
        socklen_t length;
        uint16_t portnumber;
    } cases[] = {
        {"127.0.0.1", "6667", AF_INET, sizeof(sockaddr_in), 6667},
        {"::1", "4400", AF_INET6, sizeof(sockaddr_in6), 4400},
        {"10.0.0.1", "port", AF_INET, sizeof(sockaddr_in), 0},
        {"10.0.0.1", "70000", AF_INET, sizeof(sockaddr_in), 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.address);
        tsockaddr a = TLsocket::makesockaddr(c.address, c.port);
        EXPECT_EQ(a.sa.sa_family, c.family);
        EXPECT_EQ(a.len, c.length);
        EXPECT_EQ(ntohs(c.family == AF_INET ? a.in4.sin_port : a.in6.sin6_port), c.portnumber);
    }
    EXPECT_EQ(TLsocket::makesockaddr("192.0.2.7", "1").in4.sin_addr.s_addr, inet_addr("192.0.2.7"));

    // A label longer than 63 characters can never be resolved.
    std::string name = std::string(64, 'a') + ".example";
    TLsocket s;
    s.remoteaddr = name;
    s.remoteport = "6667";
    try {
        s.connectto();
        ADD_FAILURE() << "no error";
    } catch (const ESocketException& e) {
        EXPECT_EQ(std::string(e.what()), "unable to resolve address: " + name);
    }
    EXPECT_EQ(s.connstate, WSCLOSED);
    EXPECT_EQ(s.readfd, -1);
}
