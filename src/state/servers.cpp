// Tearing down the server picture: netsplits and the loss of the link.
#include <array>
#include <vector>

#include "engine/tform1.h"
#include "state/tableops.h"

namespace tessel {

namespace {

// Frees a server slot; its numeric no longer names it.
void releaseserver(tnetworkstate& net, int32_t s) {
    tserver& srv = net.servers[s];
    if (srv.numeric >= 0 && srv.numeric < kServerNumbers && net.serverbynumber[srv.numeric] == s)
        net.serverbynumber[srv.numeric] = -1;
    std::vector<int32_t>().swap(srv.slots);
    srv.mask = 0;
    srv.inuse = false;
    srv.name.clear();
    srv.namekey.clear();
    srv.uplink = -1;
}

} // namespace

void TForm1::DESTROYSERVER(int32_t server) {
    if (server < 0 || server >= kServerCapacity || !net.servers[server].inuse) return;
    if (server == 0) {
        // Entry 0 is ourselves; only our own restart may rebuild it.
        LOGWRITE(kLogInvalid, "Invalid: squit of the services' own server");
        return;
    }

    // Everything behind the server goes first, depth-first. Each server is
    // visited once, so an uplink chain that loops back (a corrupted picture)
    // cannot send the walk round in circles.
    std::vector<int32_t> order; // servers in the order they are finished
    std::array<bool, kServerCapacity> visiting{};
    struct frame {
        int32_t server;
        int32_t next; // next candidate downlink index
    };
    std::vector<frame> stack{{server, 0}};
    visiting[server] = true;
    while (!stack.empty()) {
        frame& top = stack.back();
        bool descended = false;
        while (top.next < kServerCapacity) {
            const int32_t i = top.next++;
            if (!visiting[i] && net.servers[i].inuse && net.servers[i].uplink == top.server) {
                visiting[i] = true;
                stack.push_back({i, 0});
                descended = true;
                break;
            }
        }
        if (descended) continue;
        order.push_back(top.server);
        stack.pop_back();
    }

    for (int32_t s : order) {
        for (int32_t u = 0; u <= net.users.highwater; ++u)
            if (net.users.valid(u) && user(u).server == s) REMOVEUSER(u);
        releaseserver(net, s);
    }
}

void TForm1::CLEARSERVER() {
    for (int32_t u = 0; u < net.users.capacity(); ++u)
        if (net.users.valid(u)) REMOVEUSER(u);
    cleartable(net.users);

    for (int32_t c = 0; c < net.channels.capacity(); ++c)
        if (net.channels.valid(c)) REMOVECHANNEL(c);
    cleartable(net.channels);

    for (int32_t s = 1; s < kServerCapacity; ++s)
        if (net.servers[s].inuse) releaseserver(net, s);
}

} // namespace tessel
