#include "support/netpicture.h"

#include "p10/ircupper.h"
#include "p10/numerics.h"
#include "state/tableops.h"

namespace tesseltest {

using namespace tessel;

void placeserver(TForm1& form, int32_t slot, const std::string& name, int32_t numeric, int32_t mask,
                 int32_t uplink) {
    tserver& s = form.net.servers[slot];
    s.inuse = true;
    s.name = name;
    s.namekey = ircupper(name);
    s.numeric = numeric;
    s.mask = mask;
    s.slots.assign(static_cast<size_t>(mask) + 1, -1);
    s.uplink = uplink;
    form.net.serverbynumber[numeric] = slot;
}

int32_t placeuser(TForm1& form, const userfields& fields) {
    const int32_t u = form.ADDUSER();
    if (u < 0) return u;
    form.SETNICK(u, fields.nick);
    Tuser& rec = form.user(u);
    rec.ident = fields.ident;
    rec.host = fields.host;
    rec.ip = fields.ip;
    rec.realname = fields.realname;
    rec.nickts = fields.nickts;
    rec.umode_o = fields.oper;
    rec.numeric = fields.numeric;
    rec.server = form.net.serverbynumber[decodenumeric(fields.numeric.substr(0, 2))];
    tserver& s = form.net.servers[rec.server];
    rec.clientnum = decodenumeric(fields.numeric.substr(2)) & s.mask;
    s.slots[rec.clientnum] = u;
    return u;
}

int32_t placechannel(TForm1& form, const std::string& name) {
    int32_t c = form.GETCHANNAME(name);
    if (c >= 0) return c;
    c = form.ADDCHANNEL();
    form.SETCHANNAME(c, name);
    return c;
}

void placemember(TForm1& form, int32_t chan, int32_t user, uint8_t status) {
    Tchannel& c = form.channel(chan);
    Tuser& u = form.user(user);
    size_t pos = 0;
    while (c.members[pos] != -1)
        ++pos;
    c.members.set(pos, user);
    c.memberstatus.set(pos, status);
    ++c.membercount;
    for (int k = 0; k < kUserChannels; ++k) {
        if (u.channels[k] == -1) {
            u.channels[k] = chan;
            u.memberslots[k] = static_cast<int32_t>(pos);
            return;
        }
    }
}

int memberstatusof(const TForm1& form, int32_t chan, int32_t user) {
    if (!form.net.channels.valid(chan) || !form.net.users.valid(user)) return -1;
    const Tuser& u = form.net.users[user];
    const Tchannel& c = form.net.channels[chan];
    for (int k = 0; k < kUserChannels; ++k)
        if (u.channels[k] == chan && c.members[u.memberslots[k]] == user)
            return c.memberstatus[u.memberslots[k]];
    return -1;
}

int32_t placenickreg(TForm1& form, const std::string& nick, const std::string& password) {
    const int32_t ns = form.newnsslot();
    newrecord(form.reg.nicks, ns);
    form.SETNS(ns, nick);
    form.nickreg(ns).password = password;
    ++form.reg.nickcount;
    return ns;
}

int32_t placechanreg(TForm1& form, const std::string& name, const std::string& owner) {
    const int32_t cs = form.newcsslot();
    newrecord(form.reg.chans, cs);
    form.SETCS(cs, name);
    form.chanreg(cs).owner = owner;
    ++form.reg.chancount;
    const int32_t live = form.GETCHANNAME(name);
    if (live >= 0) {
        form.chanreg(cs).chanindex = live;
        form.channel(live).csindex = cs;
    }
    return cs;
}

logcapture::logcapture(TForm1& form, int32_t mask) : form_(form), file_(std::tmpfile()) {
    form.log.logfile = file_;
    form.log.logopen = file_ != nullptr;
    form.cfg.logmask = mask;
}

logcapture::~logcapture() {
    form_.log.logopen = false;
    form_.log.logfile = nullptr;
    if (file_) std::fclose(file_);
}

std::vector<std::string> logcapture::messages() const {
    std::vector<std::string> out;
    if (!file_) return out;
    std::fflush(file_);
    std::rewind(file_);
    std::string line;
    for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        // "[h:m] text"; date lines begin with "*** ".
        const size_t stamp = line.find("] ");
        if (line.rfind("[", 0) == 0 && stamp != std::string::npos)
            out.push_back(line.substr(stamp + 2));
        line.clear();
    }
    std::fseek(file_, 0, SEEK_END);
    return out;
}

} // namespace tesseltest
