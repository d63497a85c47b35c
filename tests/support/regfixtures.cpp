#include "support/regfixtures.h"

#include <memory>

namespace tesseltest {

int32_t addchanreg(tessel::TForm1& form, const std::string& name, const std::string& owner) {
    const int32_t slot = form.newcsslot();
    form.reg.chans.recs[slot] = std::make_unique<tessel::Tchanserv>();
    form.reg.chans.inuse[slot] = 1;
    form.SETCS(slot, name);
    form.chanreg(slot).owner = owner;
    ++form.reg.chancount;
    return slot;
}

int32_t addnickreg(tessel::TForm1& form, const std::string& name) {
    const int32_t slot = form.newnsslot();
    form.reg.nicks.recs[slot] = std::make_unique<tessel::Tnickserv>();
    form.reg.nicks.inuse[slot] = 1;
    form.SETNS(slot, name);
    ++form.reg.nickcount;
    return slot;
}

} // namespace tesseltest
