#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tessel {

struct tnetworkstate;

// Where a client numeric lives: the slot of its server and its client number
// under that server's capacity mask.
struct tclientslot {
    int32_t server = -1;
    int32_t clientnum = 0;
};

// The place of a full 5-character client numeric; nothing when it is not one,
// its server is unknown, or it names the services' own server (slot 0),
// whose clients the network never introduces.
std::optional<tclientslot> clientslot(const tnetworkstate& net, std::string_view numeric);

} // namespace tessel
