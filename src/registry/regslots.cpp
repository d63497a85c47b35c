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
void TForm1::freecsslot(int32_t cs) {
    if (!reg.chans.valid(cs)) return;
    freeslot(reg.chans, cs, &Tchanserv::chankey);
    --reg.chancount;
}

} // namespace tessel
