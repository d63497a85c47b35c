#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tessel {

// One DNS message as carried over UDP.
constexpr int dnspacketsize = 512;
using tdnspacket = std::array<uint8_t, dnspacketsize>;

constexpr int dnsheadersize = 12;

constexpr uint16_t dnstypea = 1;
constexpr uint16_t dnstypecname = 5;
constexpr uint16_t dnstypeptr = 12;
constexpr uint16_t dnstypeaaaa = 28;

// Longest host name (without its final dot) a query is built for.
constexpr size_t dnsmaxquerynamelength = 127;

inline uint16_t get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

// Writes a recursive query for `name` of `type` with the given ID into
// `packet`. Returns the message length, or 0 when the name cannot be asked
// for (empty, longer than 127 characters, or a label that is empty or longer
// than 63 characters).
int buildquery(tdnspacket& packet, const std::string& name, uint16_t type, uint16_t id);

// Reads the possibly compressed name at `offset` of a message of `length`
// bytes into `name` (labels joined by "."; the root is empty). `used` gets the
// bytes the name takes at `offset` itself. Every problem writes one "error: "
// line to standard output and returns false; nothing outside the message is
// ever read.
bool decodename(const uint8_t* message, int length, int offset, std::string& name, int& used);

// The bytes the name at `offset` takes there, without interpreting it: labels
// up to the terminating zero or a 2-byte compression pointer. -1 when it does
// not fit in the message.
int skipname(const uint8_t* message, int length, int offset);

} // namespace tessel
