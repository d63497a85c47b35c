// The seen list: the most recent departures, kept in a ring.
#include "engine/tform1.h"

namespace tessel {

void TForm1::ADDSEEN(int32_t user) {
    if (!net.users.valid(user)) return;
    const Tuser& u = this->user(user);
    // The ring position may come from a stored file; keep it on the ring.
    int32_t next = (oper.seenindex + 1) % kSeenCapacity;
    if (next < 0) next += kSeenCapacity;
    oper.seenindex = next;
    tseen& entry = oper.seen[next];
    entry.mask = u.nick + "!" + u.ident + "@" + u.host;
    entry.gecos = u.realname;
    entry.time = clock.now;
}

} // namespace tessel
