// Where a new registration goes, and taking one out again.
#include "engine/tform1.h"
#include "state/tableops.h"

namespace tessel {

namespace {

// The lowest free slot; the high-water mark rises to it when it lies above.
template <class T> int32_t newslot(rectable<T>& table) {
    const int32_t slot = lowestfreeslot(table);
    if (slot >= 0 && slot > table.highwater) table.highwater = slot;
    return slot;
}

} // namespace

int32_t TForm1::newnsslot() {
    return newslot(reg.nicks);
}
int32_t TForm1::newcsslot() {
    return newslot(reg.chans);
}

void TForm1::freensslot(int32_t ns) {
    if (!reg.nicks.valid(ns)) return;
    freeslot(reg.nicks, ns, &Tnickserv::nickkey);
    --reg.nickcount;
}
void TForm1::dropnick(int32_t ns) {
    if (!reg.nicks.valid(ns)) return;
    const int32_t owner = reg.nicks[ns].identuser;
    if (net.users.valid(owner)) {
        Tuser& u = user(owner);
        u.identified = false;
        u.nsindex = -1;
        // Services-operator status rests on the identification.
        CHECKSOP(owner);
    }
    // Someone else may hold the nick without having identified; the freed
    // slot must not stay tied to that user (nick protection reads it).
    const int32_t holder = GETNICK(reg.nicks[ns].nick);
    if (net.users.valid(holder) && user(holder).nsindex == ns) {
        user(holder).nsindex = -1;
        user(holder).nagstate = 0;
    }
    freensslot(ns);
}

void TForm1::freecsslot(int32_t cs) {
    if (!reg.chans.valid(cs)) return;
    freeslot(reg.chans, cs, &Tchanserv::chankey);
    --reg.chancount;
}

} // namespace tessel
