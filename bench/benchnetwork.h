#pragma once

// The services' own server as the benchmarks set it up: "services.test",
// numeric 1 ("AB"), with room for its 64 client slots.
#include "engine/tform1.h"

namespace tessel::bench {

inline void ownserver(TForm1& form) {
    form.cfg.servername = "services.test";
    form.cfg.servhost = "services.test";
    form.cfg.serverid = 1;
    form.cfg.servernumber = 1;
    form.cfg.servernumeric = "AB";
    tserver& own = form.net.servers[0];
    own.inuse = true;
    own.name = "services.test";
    own.namekey = "SERVICES.TEST";
    own.numeric = 1;
    own.mask = 63;
    own.slots.assign(64, -1);
    form.net.serverbynumber[1] = 0;
}

} // namespace tessel::bench
