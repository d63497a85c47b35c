// The user and channel tables with their name indexes, memberships, and the
// name side of the registration tables.
#include "engine/tform1.h"
#include "state/tableops.h"

namespace tessel {

namespace {} // namespace

int32_t TForm1::ADDUSER() {
    return addrecord(net.users);
}

int32_t TForm1::ADDCHANNEL() {
    return addrecord(net.channels);
}

void TForm1::SETNICK(int32_t user, const std::string& name) {
    setname(net.users, user, &Tuser::nick, &Tuser::nickkey, name);
}

void TForm1::SETNS(int32_t rec, const std::string& name) {
    setname(reg.nicks, rec, &Tnickserv::nick, &Tnickserv::nickkey, name);
}

void TForm1::SETCHANNAME(int32_t chan, const std::string& name) {
    setname(net.channels, chan, &Tchannel::name, &Tchannel::namekey, name);
}

void TForm1::SETCS(int32_t rec, const std::string& name) {
    setname(reg.chans, rec, &Tchanserv::channel, &Tchanserv::chankey, name);
}

int32_t TForm1::GETNICK(const std::string& name) {
    return findname(net.users, name);
}
int32_t TForm1::GETNS(const std::string& name) {
    return findname(reg.nicks, name);
}
int32_t TForm1::GETCHANNAME(const std::string& name) {
    return findname(net.channels, name);
}
int32_t TForm1::GETCS(const std::string& name) {
    return findname(reg.chans, name);
}

void TForm1::REMOVEUSERCHANNEL(int32_t chan, int32_t user) {
    if (!net.channels.valid(chan)) return;
    Tchannel& c = channel(chan);

    if (net.users.valid(user)) {
        Tuser& u = this->user(user);
        for (int k = kUserChannels - 1; k >= 0; --k) {
            if (u.channels[k] != chan) continue;
            if (reg.chans.valid(c.csindex) && u.identified) {
                Tchanserv& cs = chanreg(c.csindex);
                if (u.nickkey == ircupper(cs.owner)) {
                    cs.lastdate = clock.now;
                    cs.ownerpresent = false;
                }
            }
            const int32_t pos = u.memberslots[k];
            if (pos >= 0 && pos < kChannelMembers && c.members[pos] == user) {
                c.members.set(pos, -1);
                c.memberstatus.set(pos, 0);
            } else {
                LOGWRITE(kLogInvalid, "Invalid: member position of " + u.nick + " in " + c.name +
                                          " does not hold it");
            }
            u.channels[k] = -1;
            u.memberslots[k] = -1;
            break;
        }
    }

    // The counter follows every part processed, also one for a membership
    // that could not be recorded.
    --c.membercount;
    const bool held = cfg.umode == 1 && reg.chans.valid(c.csindex);
    if (c.membercount < 1 && !held) REMOVECHANNEL(chan);
}

void TForm1::REMOVEUSER(int32_t user) {
    if (!net.users.valid(user)) return;
    Tuser& u = this->user(user);

    for (int k = 0; k < kUserChannels; ++k)
        if (u.channels[k] != -1) REMOVEUSERCHANNEL(u.channels[k], user);

    if (reg.nicks.valid(u.nsindex)) {
        Tnickserv& ns = nickreg(u.nsindex);
        if (u.identified) ns.lastdate = clock.now;
        ns.identuser = -1;
    }

    // The numeric came from the network: only clear a slot that is really ours.
    const bool knownserver = u.server >= 0 && u.server < kServerCapacity;
    std::vector<int32_t>* slots = knownserver ? &net.servers[u.server].slots : nullptr;
    if (slots && u.clientnum >= 0 && static_cast<size_t>(u.clientnum) < slots->size() &&
        (*slots)[u.clientnum] == user) {
        (*slots)[u.clientnum] = -1;
    } else {
        LOGWRITE(kLogInvalid, "Invalid: user " + u.nick + " (" + u.numeric +
                                  ") not in the client slots of its server");
    }

    if (!u.nick.empty()) ADDSEEN(user);
    freeslot(net.users, user, &Tuser::nickkey);
}

void TForm1::REMOVECHANNEL(int32_t chan) {
    if (!net.channels.valid(chan)) return;
    Tchannel& c = channel(chan);
    if (reg.chans.valid(c.csindex) && chanreg(c.csindex).chanindex == chan)
        chanreg(c.csindex).chanindex = -1;

    // A membership left behind would point at a freed (later reused) slot.
    int leftover = 0;
    for (size_t pos = 0; pos < c.members.stored(); ++pos) {
        const int32_t member = c.members[pos];
        if (member < 0) continue;
        ++leftover;
        if (net.users.valid(member)) {
            Tuser& u = this->user(member);
            for (int k = 0; k < kUserChannels; ++k) {
                if (u.channels[k] == chan && u.memberslots[k] == static_cast<int32_t>(pos)) {
                    u.channels[k] = -1;
                    u.memberslots[k] = -1;
                }
            }
        }
    }
    if (leftover > 0)
        LOGWRITE(kLogInvalid, "Invalid: channel " + c.name + " removed with " +
                                  std::to_string(leftover) + " members left");
    freeslot(net.channels, chan, &Tchannel::namekey);
}

void TForm1::CLEARNS() {
    cleartable(reg.nicks);
    reg.nickcount = 0;
    for (int32_t i = 0; i <= net.users.highwater; ++i) {
        if (!net.users.valid(i)) continue;
        Tuser& u = user(i);
        if (u.nsindex >= 0) {
            u.identified = false;
            u.recognised = false;
            u.nsindex = -1;
        }
    }
}

void TForm1::CLEARCS() {
    for (int32_t i = 0; i < reg.chans.capacity(); ++i)
        if (reg.chans.valid(i) && chanreg(i).chanindex >= 0)
            CHANSEND("PART :" + chanreg(i).channel);
    cleartable(reg.chans);
    reg.chancount = 0;
    for (int32_t i = 0; i <= net.channels.highwater; ++i) {
        if (!net.channels.valid(i)) continue;
        channel(i).csindex = -1;
        // ChanServ no longer holds it: an empty channel is gone from the network.
        if (channel(i).membercount < 1) REMOVECHANNEL(i);
    }
}

} // namespace tessel
