#include "net/dnsresolver.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tessel;

namespace {

using bytes = std::vector<uint8_t>;

bytes operator+(bytes a, const bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bytes be16(unsigned value) {
    return {static_cast<uint8_t>(value >> 8 & 0xff), static_cast<uint8_t>(value & 0xff)};
}

bytes encodename(const std::string& name) {
    bytes out;
    size_t start = 0;
    while (start < name.size()) {
        size_t dot = name.find('.', start);
        if (dot == std::string::npos) dot = name.size();
        out.push_back(static_cast<uint8_t>(dot - start));
        out.insert(out.end(), name.begin() + static_cast<long>(start),
                   name.begin() + static_cast<long>(dot));
        start = dot + 1;
    }
    out.push_back(0);
    return out;
}

bytes ipv4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return {a, b, c, d};
}

bytes ipv6(const char* text) {
    tbinip ip = parseip(text);
    return bytes(ip.addr, ip.addr + 16);
}

// A question as the responder saw it.
struct query {
    uint16_t id = 0;
    std::string name;
    uint16_t type = 0;
};

struct record {
    uint16_t type;
    bytes data;
    bytes owner = {0xc0, 12}; // the question's name
};

bytes encoderecords(const std::vector<record>& records) {
    bytes out;
    for (const record& r : records)
        out = out + r.owner + be16(r.type) + be16(1) + be16(300) + be16(0) + be16(r.data.size()) +
              r.data;
    return out;
}

bytes replyheader(uint16_t id, unsigned qd, unsigned an, unsigned ns, unsigned ar) {
    return be16(id) + be16(0x8180) + be16(qd) + be16(an) + be16(ns) + be16(ar);
}

bytes question(const query& q) {
    return encodename(q.name) + be16(q.type) + be16(1);
}

// The reply a name server gives to `q`.
bytes reply(const query& q, const std::vector<record>& answers,
            const std::vector<record>& additional = {}) {
    return replyheader(q.id, 1, static_cast<unsigned>(answers.size()), 0,
                       static_cast<unsigned>(additional.size())) +
           question(q) + encoderecords(answers) + encoderecords(additional);
}

// A name server on 127.0.0.1 that answers every query with the datagrams the
// handler makes for it and remembers what it was asked.
class dnsresponder {
public:
    using handler = std::function<std::vector<bytes>(const query&)>;

    explicit dnsresponder(handler answer) : answer_(std::move(answer)) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof local;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&local), size) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size) != 0)
            throw std::runtime_error("responder socket");
        port_ = ntohs(local.sin_port);
        thread_ = std::thread([this] { run(); });
    }

    ~dnsresponder() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }

    uint16_t port() const { return port_; }

    std::vector<query> queries() {
        std::lock_guard<std::mutex> lock(mutex_);
        return queries_;
    }

private:
    void run() {
        while (!stop_) {
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0) continue;
            uint8_t buffer[512];
            sockaddr_in from{};
            socklen_t size = sizeof from;
            ssize_t n = ::recvfrom(fd_, buffer, sizeof buffer, 0,
                                   reinterpret_cast<sockaddr*>(&from), &size);
            if (n < 12) continue;
            query q;
            q.id = static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
            int pos = 12;
            while (pos < n && buffer[pos] != 0 && pos + 1 + buffer[pos] < n) {
                if (!q.name.empty()) q.name += '.';
                q.name.append(reinterpret_cast<const char*>(buffer + pos + 1), buffer[pos]);
                pos += 1 + buffer[pos];
            }
            if (pos + 3 < n) q.type = static_cast<uint16_t>(buffer[pos + 1] << 8 | buffer[pos + 2]);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                queries_.push_back(q);
            }
            for (const bytes& datagram : answer_(q))
                ::sendto(fd_, datagram.data(), datagram.size(), 0,
                         reinterpret_cast<sockaddr*>(&from), size);
        }
    }

    handler answer_;
    int fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<query> queries_;
    std::thread thread_;
};

class Resolver : public ::testing::Test {
protected:
    void SetUp() override {
        resolvconf_ = ::testing::TempDir() + "resolv.conf." + std::to_string(::getpid());
        std::ofstream(resolvconf_) << "# test name server\nsearch test\nnameserver 127.0.0.1\n";
    }

    void TearDown() override {
        responder_.reset();
        setqueryidhook({});
        setresolverconfig("/etc/resolv.conf", 53);
        std::remove(resolvconf_.c_str());
    }

    void serve(dnsresponder::handler answer) {
        responder_ = std::make_unique<dnsresponder>(std::move(answer));
        setresolverconfig(resolvconf_, responder_->port());
    }

    std::vector<query> queries() { return responder_->queries(); }

    static tdnsstate resolve(const std::string& name, int32_t family = 0, int seconds = 3) {
        tdnsstate state;
        startforward(name, state, family);
        resolvewait(state, seconds);
        return state;
    }

    std::string resolvconf_;
    std::unique_ptr<dnsresponder> responder_;
};

// The CNAME chain c0.test -> c1.test -> ... -> c<length>.test, which has an
// A record.
std::vector<bytes> cnamechain(const query& q, int length) {
    int k = std::stoi(q.name.substr(1));
    if (k < length)
        return {reply(q, {{dnstypecname, encodename("c" + std::to_string(k + 1) + ".test")}})};
    return {reply(q, {{dnstypea, ipv4(192, 0, 2, static_cast<uint8_t>(k))}})};
}

} // namespace

TEST_F(Resolver, LookupipResolvesHostNamesOnlyWhenNoLiteralIsGiven) {
    serve([](const query& q) {
        return std::vector<bytes>{reply(q, {{dnstypea, ipv4(192, 0, 2, 7)}})};
    });
    EXPECT_EQ(formatip(lookupip("198.51.100.1", 3)), "198.51.100.1");
    EXPECT_EQ(formatip(lookupip("hub.test", 3)), "192.0.2.7");
    auto asked = queries();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].name, "hub.test");
    EXPECT_EQ(asked[0].type, dnstypea);
}

TEST_F(Resolver, FollowsCnameChainsUpToTenFollowUps) {
    const struct {
        int length;
        const char* result; // empty: the lookup fails
    } cases[] = {{1, "192.0.2.1"}, {10, "192.0.2.10"}, {11, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        serve([&](const query& q) { return cnamechain(q, c.length); });
        tdnsstate state = resolve("c0.test");
        EXPECT_EQ(state.resultaction, dnsactiondone);
        EXPECT_EQ(formatip(state.resultip), c.result);
        // The first query plus at most ten follow-ups, one per link.
        auto asked = queries();
        ASSERT_EQ(static_cast<int>(asked.size()), std::min(c.length, 10) + 1);
        EXPECT_EQ(asked.back().name, "c" + std::to_string(asked.size() - 1) + ".test");
    }
}

TEST_F(Resolver, TakesTheAddressThatComesWithACname) {
    serve([](const query& q) {
        return std::vector<bytes>{
            reply(q, {{dnstypecname, encodename("real.test")},
                      {dnstypea, ipv4(192, 0, 2, 9), encodename("real.test")}})};
    });
    EXPECT_EQ(formatip(resolve("alias.test").resultip), "192.0.2.9");
    EXPECT_EQ(queries().size(), 1u);
}

TEST_F(Resolver, FallsBackFromAToAaaaOnlyWhenAnyFamilyWillDo) {
    serve([](const query& q) {
        if (q.name == "extra.test" && q.type == dnstypea)
            return std::vector<bytes>{reply(q, {}, {{dnstypeaaaa, ipv6("2001:db8::e")}})};
        if (q.type == dnstypeaaaa)
            return std::vector<bytes>{reply(q, {{dnstypeaaaa, ipv6("2001:db8::6")}})};
        return std::vector<bytes>{reply(q, {})};
    });
    const struct {
        const char* name;
        int32_t family;
        const char* result;
        std::vector<uint16_t> asked;
    } cases[] = {
        {"six.test", 0, "2001:db8::6", {dnstypea, dnstypeaaaa}},
        {"six.test", 10, "2001:db8::6", {dnstypeaaaa}},
        {"six.test", 2, "", {dnstypea}},
        // An AAAA record among the additional records saves the second query.
        {"extra.test", 0, "2001:db8::e", {dnstypea}},
    };
    size_t seen = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " family " + std::to_string(c.family));
        tdnsstate state = resolve(c.name, c.family);
        EXPECT_EQ(state.resultaction, dnsactiondone);
        EXPECT_EQ(formatip(state.resultip), c.result);
        auto asked = queries();
        std::vector<uint16_t> types;
        for (size_t i = seen; i < asked.size(); ++i)
            types.push_back(asked[i].type);
        EXPECT_EQ(types, c.asked);
        seen = asked.size();
    }
}

TEST_F(Resolver, IgnoresRepliesWithAnotherId) {
    serve([](const query& q) {
        query other = q;
        other.id = static_cast<uint16_t>(q.id ^ 0x5a5a);
        std::vector<bytes> out{reply(other, {{dnstypea, ipv4(203, 0, 113, 66)}})};
        if (q.name == "good.test") out.push_back(reply(q, {{dnstypea, ipv4(192, 0, 2, 1)}}));
        return out;
    });

    // The stray reply is skipped and the real one that follows is taken.
    testing::internal::CaptureStdout();
    tdnsstate state = resolve("good.test");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error: ID mismatch\n");
    EXPECT_EQ(formatip(state.resultip), "192.0.2.1");

    // With only the stray reply the wait runs into the deadline without an answer.
    testing::internal::CaptureStdout();
    state = resolve("stray.test", 0, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error: ID mismatch\n");
    EXPECT_EQ(state.resultip.family, 0);
    EXPECT_NE(state.resultaction, dnsactiondone);
    EXPECT_EQ(queries().size(), 2u);
}

TEST_F(Resolver, SendsNothingForALabelLongerThan63) {
    serve([](const query& q) {
        return std::vector<bytes>{reply(q, {{dnstypea, ipv4(192, 0, 2, 1)}})};
    });
    tdnsstate state = resolve(std::string(64, 'a') + ".test");
    EXPECT_EQ(state.resultaction, dnsactiondone);
    EXPECT_EQ(state.resultip.family, 0);

    const std::string longest = std::string(63, 'b') + ".test";
    EXPECT_EQ(formatip(resolve(longest).resultip), "192.0.2.1");
    // Datagrams arrive in order, so the valid name's query is the first one.
    auto asked = queries();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].name, longest);
}

TEST_F(Resolver, MalformedRepliesEndTheLookupWithoutAnAnswer) {
    using maker = std::function<bytes(const query&)>;
    const record a{dnstypea, ipv4(192, 0, 2, 1)};
    const struct {
        const char* what;
        maker make;
        const char* output;
    } cases[] = {
        {"more than 20 answers",
         [&](const query& q) { return reply(q, std::vector<record>(21, a)); }, ""},
        {"answer data past the end",
         [&](const query& q) {
             bytes full = reply(q, {a});
             return bytes(full.begin(), full.end() - 2);
         },
         ""},
        {"data length far past the end",
         [&](const query& q) {
             bytes full = reply(q, {a});
             full[full.size() - 6] = 0xff;
             full[full.size() - 5] = 0xff;
             return full;
         },
         ""},
        {"more records announced than present",
         [&](const query& q) {
             return replyheader(q.id, 1, 2, 0, 0) + question(q) + encoderecords({a});
         },
         ""},
        {"bytes after the last record", [&](const query& q) { return reply(q, {a}) + bytes{0}; },
         ""},
        {"header cut short",
         [&](const query& q) {
             bytes full = reply(q, {a});
             return bytes(full.begin(), full.begin() + 11);
         },
         ""},
        {"question name cut off",
         [&](const query& q) {
             return replyheader(q.id, 1, 0, 0, 0) + bytes{20, 'b', 'a', 'd', 'x'};
         },
         "error: got out of range3\n"},
        {"question name pointing at itself",
         [&](const query& q) {
             return replyheader(q.id, 1, 1, 0, 0) + bytes{0xc0, 12} + be16(dnstypea) + be16(1) +
                    encoderecords({a});
         },
         "error: max recursion\n"},
        {"cname target in a pointer loop",
         [&](const query& q) {
             bytes message = replyheader(q.id, 1, 1, 0, 0) + question(q);
             // The target points at itself: its own offset is 12 bytes past
             // the record's start.
             const size_t target = message.size() + 12;
             return message + encoderecords({{dnstypecname, be16(0xc000 | target)}});
         },
         "error: max recursion\n"},
        {"cname target with a bad character",
         [&](const query& q) {
             return reply(q, {{dnstypecname, encodename("a b.test")}});
         },
         "error: read invalid char\n"},
        {"record owner name running past the end",
         [&](const query& q) {
             return reply(q, {{dnstypea, ipv4(1, 2, 3, 4), bytes{60, 'x'}}});
         },
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        serve([&](const query& q) { return std::vector<bytes>{c.make(q)}; });
        testing::internal::CaptureStdout();
        tdnsstate state = resolve("bad.test");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
        // Finished at once rather than waiting for the deadline, and no follow-up.
        EXPECT_EQ(state.resultaction, dnsactiondone);
        EXPECT_EQ(state.resultip.family, 0);
        EXPECT_EQ(queries().size(), 1u);
    }
}

TEST_F(Resolver, AcceptsOwnerNamesWrittenInFull) {
    serve([](const query& q) {
        return std::vector<bytes>{reply(q, {{dnstypea, ipv4(192, 0, 2, 4), encodename(q.name)}})};
    });
    EXPECT_EQ(formatip(resolve("full.test").resultip), "192.0.2.4");
}

TEST_F(Resolver, ReverseLookupAsksForThePtrName) {
    EXPECT_EQ(reversename(parseip("192.0.2.5")), "5.2.0.192.in-addr.arpa");
    EXPECT_EQ(reversename(parseip("2001:db8::1")),
              "1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.b.d.0.1.0.0.2.ip6.arpa");
    EXPECT_EQ(reversename(tbinip{}), "");

    serve([](const query& q) {
        return std::vector<bytes>{reply(q, {{dnstypeptr, encodename("hub.example.net")}})};
    });
    tdnsstate state;
    startreverse(parseip("192.0.2.5"), state);
    resolvewait(state, 3);
    EXPECT_EQ(state.resultname, "hub.example.net");
    auto asked = queries();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].name, "5.2.0.192.in-addr.arpa");
    EXPECT_EQ(asked[0].type, dnstypeptr);
}

TEST_F(Resolver, QueryIdsComeFromTheHookWhenOneIsSet) {
    serve([](const query& q) {
        return std::vector<bytes>{reply(q, {{dnstypea, ipv4(192, 0, 2, 1)}})};
    });
    setqueryidhook([] { return uint16_t{4242}; });
    EXPECT_EQ(formatip(resolve("hook.test").resultip), "192.0.2.1");
    auto asked = queries();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].id, 4242);
}

TEST(Readnameserver, TakesTheFirstNameserverLine) {
    const struct {
        const char* content;
        const char* server;
    } cases[] = {
        {"nameserver 10.0.0.1\n", "10.0.0.1"},
        {"# local\nsearch example.net\nnameserver\t \t10.0.0.2 # first\nnameserver 10.0.0.3\n",
         "10.0.0.2"},
        {"nameserver 10.0.0.4\textra\n", "10.0.0.4"},
        {"nameserver ::1\n", "::1"},
        {" nameserver 10.0.0.5\n", ""},
        {"search example.net\n", ""},
        {"nameserver\n", ""},
        {"", ""},
    };
    const std::string path = ::testing::TempDir() + "resolv.parse." + std::to_string(::getpid());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        std::ofstream(path) << c.content;
        EXPECT_EQ(readnameserver(path), c.server);
    }
    std::remove(path.c_str());
    EXPECT_EQ(readnameserver(path), "");
}
