// Resolving a client numeric from the network to a user of the table.
#include "engine/tform1.h"
#include "p10/clientslot.h"
#include "p10/numerics.h"

namespace tessel {

std::optional<tclientslot> clientslot(const tnetworkstate& net, std::string_view numeric) {
    if (numeric.size() != 5) return std::nullopt;
    const int32_t number = decodenumeric(numeric.substr(0, 2));
    const int32_t client = decodenumeric(numeric.substr(2));
    if (number < 0 || number >= kServerNumbers || client < 0) return std::nullopt;
    const int32_t server = net.serverbynumber[number];
    if (server <= 0 || server >= kServerCapacity || !net.servers[server].inuse) return std::nullopt;
    const tserver& s = net.servers[server];
    const int32_t clientnum = client & s.mask;
    if (clientnum < 0 || static_cast<size_t>(clientnum) >= s.slots.size()) return std::nullopt;
    return tclientslot{server, clientnum};
}

int32_t TForm1::GETP10ID(const std::string& numeric) {
    const std::string full = normalisenumeric(numeric);
    const std::optional<tclientslot> place = clientslot(net, full);
    if (!place) return -1;
    const int32_t user = net.servers[place->server].slots[place->clientnum];
    if (!net.users.valid(user)) return -1;
    return this->user(user).numeric == full ? user : -1;
}

} // namespace tessel
