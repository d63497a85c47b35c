// Resolving a client numeric from the network to a user of the table.
#include "engine/tform1.h"
#include "p10/numerics.h"

namespace tessel {

int32_t TForm1::GETP10ID(const std::string& numeric) {
    const std::string full = normalisenumeric(numeric);
    if (full.size() != 5) return -1;

    const int32_t servernum = decodenumeric(std::string_view(full).substr(0, 2));
    if (servernum < 0 || servernum >= kServerNumbers) return -1;
    const int32_t server = net.serverbynumber[servernum];
    // Slot 0 is the services' own server: its clients are not in the table.
    if (server <= 0 || server >= kServerCapacity) return -1;
    const tserver& srv = net.servers[server];

    const int32_t slot = decodenumeric(std::string_view(full).substr(2)) & srv.mask;
    if (slot < 0 || static_cast<size_t>(slot) >= srv.slots.size()) return -1;
    const int32_t user = srv.slots[slot];
    if (!net.users.valid(user)) return -1;
    return this->user(user).numeric == full ? user : -1;
}

} // namespace tessel
