// ChanServ REGISTER and DROP: an identified channel operator takes the
// channel, its owner (or a Services operator) gives it up.
#include <string>

#include "bots/chanserv.h"
#include "bots/services.h"
#include "engine/tform1.h"
#include "p10/ircupper.h"
#include "state/tableops.h"

namespace tessel::chanserv {

namespace {

bool hasservice(const TForm1& form, const Tchannel& c) {
    for (size_t p = 0; p < kChannelMembers; ++p) {
        const int32_t m = c.members[p];
        if (form.net.users.valid(m) && form.net.users[m].umode_k) return true;
    }
    return false;
}

bool ischanop(const TForm1& form, int32_t chan, int32_t user) {
    const Tuser& u = form.net.users[user];
    for (int k = 0; k < kUserChannels; ++k) {
        if (u.channels[k] != chan) continue;
        const int32_t pos = u.memberslots[k];
        if (pos >= 0 && pos < kChannelMembers &&
            (form.net.channels[chan].memberstatus[pos] & kStatusOp))
            return true;
    }
    return false;
}

int32_t ownedchannels(const TForm1& form, const std::string& upnick) {
    int32_t count = 0;
    const auto& chans = form.reg.chans;
    for (int32_t i = 0; i <= chans.highwater && i < chans.capacity(); ++i)
        if (chans.valid(i) && ircupper(chans[i].owner) == upnick) ++count;
    return count;
}

} // namespace

void registerchannel(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is REGISTER <channel> <password>");
        return;
    }
    Tuser& u = form.user(msg.user);
    if (!u.umode_o && !form.cfg.allowchanreg) {
        msg.reply(form, "Users can't register a channel.");
        return;
    }
    const int32_t chan = form.GETCHANNAME(msg.words[1]);
    if (chan < 0) {
        msg.reply(form, "You are not in that channel " + msg.words[1]);
        return;
    }
    Tchannel& c = form.channel(chan);
    // A channel another network service sits in belongs to that service.
    if (form.GETCS(c.name) >= 0 || (!u.umode_o && !u.servicesop && hasservice(form, c))) {
        msg.reply(form, "channel " + c.name + " is already registered. You can't register it.");
        return;
    }
    if (!ischanop(form, chan, msg.user)) {
        msg.reply(form, "You must be channel operator in the channel to register it.");
        return;
    }
    if (!u.identified || !form.reg.nicks.valid(u.nsindex)) {
        msg.reply(form, "You must have a registered nick and have identified to register a channel.");
        return;
    }
    if (!u.umode_o && form.cfg.maxchanperuser <= ownedchannels(form, ircupper(u.nick))) {
        msg.reply(form, "You have already own the maximum allowed number of channels.");
        return;
    }
    const int32_t cs = form.newcsslot();
    if (cs < 0) {
        msg.reply(form, "The channel database is full. Channel " + c.name +
                            " could not be registered.");
        return;
    }

    Tchanserv& rec = newrecord(form.reg.chans, cs);
    form.SETCS(cs, c.name);
    rec.password = storedpassword(form, msg.words[2]);
    if (form.cfg.umode == 1) {
        form.CHANSEND("J " + c.name);
        form.MESEND("M " + c.name + " +o " + servicenumeric(form.cfg, kBotChanServ));
    }
    rec.TS = c.chants;
    msg.reply(form,
              "Channel " + c.name + " has been registered, you are now the owner of the channel.");
    channelnotice(form, c.name, "This channel has been registered by " + u.nick);
    form.CHANSEND("WA :Channel registration: " + c.name + " by " + u.nick);
    rec.chanindex = chan;
    rec.regdate = rec.lastdate = form.clock.now;
    rec.owner = form.nickreg(u.nsindex).nick;
    rec.topic = c.topic;
    c.csindex = cs;
    ++form.reg.chancount;
}

void drop(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is DROP <channel> <password>");
        return;
    }
    const int32_t cs = registeredchannel(form, msg);
    if (cs < 0) return;
    const Tuser& u = form.user(msg.user);
    Tchanserv& rec = form.chanreg(cs);
    bool admin = false;
    if (form.CHANACCESS(cs, msg.user).level < kLevelFounder) {
        if (!u.servicesop) {
            msg.reply(form, "You must be the owner of the channel and have identified.");
            return;
        }
        admin = true;
    }
    std::string refusal;
    if (checkchanpassword(form, msg, cs, msg.words[2], refusal) != kAccessGranted) {
        if (!u.servicesop) {
            msg.reply(form, refusal.empty() ? "password incorrect." : refusal);
            return;
        }
        admin = true;
    }
    const std::string name = rec.channel;
    const int32_t chan = livechannel(form, cs);
    if (chan >= 0) {
        form.channel(chan).csindex = -1;
        channelnotice(form, name,
                      "This channel has been dropped by " + u.nick + ". It is no longer registered.");
        if (form.cfg.umode == 1) form.CHANSEND("PART " + name);
    }
    if (admin) logadmin(form, "Admin: channel " + name + " dropped by " + u.nick);
    form.freecsslot(cs);
    // Only ChanServ kept an empty channel alive; with it gone, so is the channel.
    if (chan >= 0 && form.channel(chan).membercount < 1) form.REMOVECHANNEL(chan);
}

} // namespace tessel::chanserv
