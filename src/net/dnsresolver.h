#pragma once

#include "net/dnspacket.h"
#include "net/tbinip.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace tessel {

// A reply holds at most 20 records per section.
constexpr int dnsmaxsectioncount = 20;

// Where one record of the reply lies in `packet`: it starts at `offset`, its
// type, class, TTL and data length begin at `fixedoffset`, and it takes
// `length` bytes in all.
struct trrpointer {
    int32_t offset = 0;
    int32_t fixedoffset = 0;
    int32_t length = 0;
};

// The state of one lookup. `step` moves it on; `resolvewait` runs it to the
// end over the network.
struct tdnsstate {
    uint16_t queryid = 0;     // ID of the query last sent
    int32_t requerycount = 0; // follow-up queries sent (CNAME or A-to-AAAA)
    std::string queryname;    // the name currently asked for
    uint16_t querytype = 0;   // dnstypea, dnstypeaaaa or dnstypeptr
    bool received = false;    // `packet` holds a reply to examine
    std::string resultname;   // answer of a PTR lookup
    tbinip resultip;          // answer of an A or AAAA lookup; family 0 = none
    int32_t resultaction = 0; // after `step`: 0 keep waiting, 1 finished, 2 send `packet`
    int32_t numquestions = 0; // the reply's section counts
    int32_t numanswers = 0;
    int32_t numauthority = 0;
    int32_t numadditional = 0;
    int32_t rrcount = 0; // the sum of the four counts
    std::array<trrpointer, 4 * dnsmaxsectioncount> rrlist{};
    int32_t packetlength = 0; // query length when sending, reply length when received
    tdnspacket packet{};
    int32_t wantedfamily = 0; // 0 any, 2 IPv4, 10 IPv6
};

constexpr int32_t dnsactionwait = 0;
constexpr int32_t dnsactiondone = 1;
constexpr int32_t dnsactionsend = 2;

// Starts a lookup of `name`: an AAAA query when `family` is 10, else an A
// query that falls back to AAAA when `family` is 0.
void startforward(const std::string& name, tdnsstate& state, int32_t family);
// Starts a PTR lookup of the address's in-addr.arpa or ip6.arpa name.
void startreverse(const tbinip& address, tdnsstate& state);
// The in-addr.arpa / ip6.arpa name of an address; empty for family 0.
std::string reversename(const tbinip& address);

// Examines the state and sets `resultaction`: with nothing received it builds
// the query; with a reply it extracts the answer, follows a CNAME, falls back
// from A to AAAA, or fails the lookup (no result, finished).
void step(tdnsstate& state);

// Runs a lookup to its end or until `seconds` have passed, blocking the
// thread. Afterwards `resultip` (or `resultname`) holds the answer or nothing.
// Throws std::runtime_error("unable to bind") when the UDP socket cannot be
// set up.
void resolvewait(tdnsstate& state, int seconds);

// The first "nameserver" entry of a resolv.conf file; empty when there is
// none or the file cannot be read.
std::string readnameserver(const std::string& path);

// Where the name server comes from: the resolv.conf file and the UDP port
// queries go to (by default "/etc/resolv.conf" and 53). The server is read
// once and cached; calling this drops the cached value.
void setresolverconfig(const std::string& resolvconfpath, uint16_t port);

// Supplies the IDs of outgoing queries; an empty function restores random IDs.
void setqueryidhook(std::function<uint16_t()> hook);

} // namespace tessel
