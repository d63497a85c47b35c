// What happens once a user from the network is fully introduced.
#include <cstdint>

#include "engine/tform1.h"
#include "p10/ircupper.h"
#include "registry/wildmatch.h"

namespace tessel {

namespace {

// Seconds from now to a later expiry, without overflowing on odd clocks.
int32_t remaining(int32_t expires, int32_t now) {
    const int64_t left = int64_t{expires} - now;
    return left > INT32_MAX ? INT32_MAX : static_cast<int32_t>(left);
}
} // namespace

void TForm1::NEWUSER(int32_t user) {
    if (!net.users.valid(user)) return;
    const Tuser& u = this->user(user);

    if (!cfg.autogreet.empty()) CHANSEND(cfg.msgcommand + " " + u.numeric + " :" + cfg.autogreet);

    // The hub may not know a G-line yet (set while it was split off), so a
    // matching newcomer gets it sent again.
    const std::string byhost = ircupper(u.ident + "@" + u.host);
    const std::string byip = ircupper(u.ident + "@" + u.ip);
    for (const tgline& g : oper.glines) {
        if (!g.used || g.expires <= clock.now) continue;
        const std::string mask = ircupper(g.mask);
        if (wildmatch(mask, byhost) || wildmatch(mask, byip))
            SENDGLINE(g.mask, remaining(g.expires, clock.now), g.reason);
    }

    LOGWRITE(kLogConnect, "Client connect: " + u.nick + " (" + u.ident + "@" + u.host + ")");
}

} // namespace tessel
