#pragma once

#include <cstdint>
#include <string>

namespace tessel {

// An IPv4 or IPv6 address: family 0 = not an address, 2 = IPv4, 10 = IPv6.
// IPv4 uses the first 4 bytes of `addr`, IPv6 all 16, in network order.
struct tbinip {
    int32_t family = 0;
    uint8_t addr[16] = {};
};

// Literal addresses only; family 0 when the text is not one.
tbinip parseip(const std::string& text);
// parseip, then a lookup of the text as a host name through the resolver (A,
// falling back to AAAA), waiting at most `seconds`; family 0 when that fails
// too. Throws std::runtime_error("unable to bind") when the resolver's socket
// cannot be set up.
tbinip lookupip(const std::string& text, int seconds);
std::string formatip(const tbinip& ip);
bool sameip(const tbinip& a, const tbinip& b);
// ::ffff:a.b.c.d becomes the IPv4 address a.b.c.d; anything else is unchanged.
void unmapip(tbinip& ip);

} // namespace tessel
