// ChanServ OP, DEOP, OPME, INVITE, KICK and CLEAR: acting on a registered
// channel through ChanServ. Those that need the live channel end without a
// word while the channel is not on the network.
#include <string>

#include "bots/chanserv.h"
#include "bots/services.h"
#include "engine/tform1.h"

namespace tessel::chanserv {

namespace {

// The nick a command acts on: word 2, or the sender when it is missing.
std::string targetnick(const TForm1& form, const tbotmessage& msg) {
    return msg.words[2].empty() ? form.net.users[msg.user].nick : msg.words[2];
}

// The target of OP and DEOP, when it is a member of the channel; otherwise
// the refusal is sent and -1 given.
int32_t membertarget(TForm1& form, const tbotmessage& msg, int32_t chan,
                     const std::string& channel) {
    const std::string nick = targetnick(form, msg);
    const int32_t target = form.GETNICK(nick);
    if (target < 0) {
        msg.reply(form, "No such nick: " + nick);
        return -1;
    }
    if (!ismember(form, chan, target)) {
        msg.reply(form, "User " + form.user(target).nick + " is not in channel " + channel);
        return -1;
    }
    return target;
}

// The CLEAR options, recognised by their beginning in this order.
enum class tclear { user, op, mode, ban };
struct tclearkind {
    const char* word;
    tclear what;
    int32_t level;
};
constexpr tclearkind kClearKinds[] = {
    {"USER", tclear::user, kLevelSop},
    {"OP", tclear::op, kLevelSop},
    {"MODE", tclear::mode, kLevelAop},
    {"BAN", tclear::ban, kLevelAop},
};

void massdeop(TForm1& form, int32_t chan) {
    const Tchannel& c = form.channel(chan);
    for (size_t p = 0; p < kChannelMembers; ++p) {
        const int32_t m = c.members[p];
        if (form.net.users.valid(m) && (c.memberstatus[p] & kStatusOp))
            form.SETCHANMODE(chan, false, 'o', form.user(m).numeric);
    }
}

void masskick(TForm1& form, int32_t chan, const std::string& channel, const std::string& by) {
    for (size_t p = 0; p < kChannelMembers && form.net.channels.valid(chan); ++p) {
        const int32_t m = form.channel(chan).members[p];
        if (!form.net.users.valid(m)) continue;
        form.CHANSEND("K " + channel + " " + form.user(m).numeric + " :Mass kick by " + by);
        form.REMOVEUSERCHANNEL(chan, m);
    }
}

void clearmodes(TForm1& form, int32_t chan, const std::string& channel) {
    Tchannel& c = form.channel(chan);
    std::string letters;
    if (!c.key.empty()) letters += 'k';
    if (c.limit > 0) letters += 'l';
    if (c.cmode_i) letters += 'i';
    if (c.cmode_m) letters += 'm';
    if (c.cmode_s) letters += 's';
    if (c.cmode_p) letters += 'p';
    if (!letters.empty())
        form.CHANSEND("M " + channel + " -" + letters + (c.key.empty() ? "" : " " + c.key));
    c.key.clear();
    c.limit = 0;
    c.cmode_i = c.cmode_m = c.cmode_s = c.cmode_p = false;
}

void clearbans(TForm1& form, int32_t chan) {
    Tchannel& c = form.channel(chan);
    for (size_t b = 0; b < kChannelBans; ++b) {
        if (c.bans[b].empty()) continue;
        const std::string mask = c.bans[b];
        c.bans.set(b, std::string());
        form.SETCHANMODE(chan, false, 'b', mask);
    }
}

} // namespace

void op(TForm1& form, tbotmessage& msg) {
    if (msg.words[1].empty()) {
        msg.reply(form, "Not enough parameters. syntax is OP <channel> <nick>");
        return;
    }
    const int32_t cs = registeredchannel(form, msg);
    if (cs < 0) return;
    const int32_t chan = livechannel(form, cs);
    if (chan < 0) return;
    const Tuser& u = form.user(msg.user);
    const std::string channel = form.chanreg(cs).channel;
    if (!form.CHANACCESS(cs, msg.user).canop) {
        if (!u.servicesop) {
            msg.reply(form, "AOP privileges on channel are required to use OP command.");
            return;
        }
        logadmin(form, "Admin: " + u.nick + " uses chanserv OP on " + channel);
    }
    const int32_t target = membertarget(form, msg, chan, channel);
    if (target < 0) return;
    if (form.chanreg(cs).strictop && form.CHANACCESS(cs, target).level < kLevelAop) {
        msg.reply(form, "This user cannot have ops on " + channel + " because of STRICTOP setting.");
        return;
    }
    form.SETCHANMODE(chan, true, 'o', form.user(target).numeric);
    channelnotice(form, channel, u.nick + " issued OP");
}

void deop(TForm1& form, tbotmessage& msg) {
    if (msg.words[1].empty()) {
        msg.reply(form, "Not enough parameters. syntax is DEOP <channel> <nick>");
        return;
    }
    const int32_t cs = registeredchannel(form, msg);
    if (cs < 0) return;
    const int32_t chan = livechannel(form, cs);
    if (chan < 0) return;
    const std::string channel = form.chanreg(cs).channel;
    if (!form.CHANACCESS(cs, msg.user).canop) {
        msg.reply(form, "AOP privileges on channel are required to use DEOP command.");
        return;
    }
    const int32_t target = membertarget(form, msg, chan, channel);
    if (target < 0) return;
    const Tuser& t = form.user(target);
    if (t.umode_k) {
        msg.reply(form, t.nick + " is a service");
        return;
    }
    channelnotice(form, channel, form.user(msg.user).nick + " issued DEOP");
    form.SETCHANMODE(chan, false, 'o', t.numeric);
}

void opme(TForm1& form, tbotmessage& msg) {
    const Tuser& u = form.user(msg.user);
    if (msg.words[1].empty()) {
        for (int32_t chan : u.channels) {
            if (!form.net.channels.valid(chan)) continue;
            const int32_t cs = form.channel(chan).csindex;
            if (form.reg.chans.valid(cs) && form.CHANACCESS(cs, msg.user).canop)
                form.SETCHANMODE(chan, true, 'o', u.numeric);
        }
        return;
    }
    const int32_t cs = registeredchannel(form, msg);
    if (cs < 0) return;
    if (!form.CHANACCESS(cs, msg.user).canop) {
        msg.reply(form, "You don't have AOP privileges on channel " + form.chanreg(cs).channel);
        return;
    }
    const int32_t chan = livechannel(form, cs);
    if (chan >= 0 && ismember(form, chan, msg.user)) form.SETCHANMODE(chan, true, 'o', u.numeric);
}

void invite(TForm1& form, tbotmessage& msg) {
    if (msg.words[1].empty()) {
        msg.reply(form, "Not enough parameters. syntax is INVITE <channel>");
        return;
    }
    const int32_t cs = registeredchannel(form, msg);
    if (cs < 0) return;
    const std::string& channel = form.chanreg(cs).channel;
    if (form.CHANACCESS(cs, msg.user).level <= kLevelNone) {
        msg.reply(form, "No privileges on channel " + channel);
        return;
    }
    form.CHANSEND("INVITE " + form.user(msg.user).nick + " " + channel);
}

void kick(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is KICK <channel> <nick>");
        return;
    }
    const int32_t cs = registeredchannel(form, msg);
    if (cs < 0) return;
    const Tuser& u = form.user(msg.user);
    if (form.CHANACCESS(cs, msg.user).level < kLevelAop && !u.servicesop) {
        msg.reply(form, "Channel AOP privileges required.");
        return;
    }
    const int32_t chan = livechannel(form, cs);
    if (chan < 0) return;
    const int32_t target = form.GETNICK(msg.words[2]);
    if (target < 0) {
        msg.reply(form, "No such nick.");
        return;
    }
    const Tuser& t = form.user(target);
    if (t.umode_k) {
        msg.reply(form, t.nick + " is a service");
        return;
    }
    std::string reason = wordsfrom(msg, 3);
    reason = reason.empty() ? u.nick : "(" + u.nick + ") " + reason;
    if (!ismember(form, chan, target)) return;
    const std::string line = servicenumeric(form.cfg, kBotChanServ) + " K " +
                             form.chanreg(cs).channel + " " + t.numeric + " :" + reason;
    form.SEND(line);
    // The picture follows ChanServ's own kick as if the hub had reported it.
    const bool unchecked = form.modes.uncheckedmodes;
    form.modes.uncheckedmodes = true;
    form.PARSECOMMAND(line);
    form.modes.uncheckedmodes = unchecked;
}

void clear(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is CLEAR <channel> <option>");
        return;
    }
    const int32_t cs = registeredchannel(form, msg);
    if (cs < 0) return;
    const tclearkind* kind = nullptr;
    for (const tclearkind& k : kClearKinds) {
        if (msg.upwords[2].starts_with(k.word)) {
            kind = &k;
            break;
        }
    }
    if (!kind) {
        msg.reply(form, "Invalid parameters. /msg " + form.cfg.channick +
                            " HELP CLEAR for more information");
        return;
    }
    const Tuser& u = form.user(msg.user);
    if (form.CHANACCESS(cs, msg.user).level < kind->level && !u.servicesop) {
        msg.reply(form, kind->level == kLevelSop ? "Channel SOP privileges required."
                                                 : "Channel AOP privileges required.");
        return;
    }
    const int32_t chan = livechannel(form, cs);
    if (chan < 0) return;
    const std::string channel = form.chanreg(cs).channel;
    const std::string by = u.nick;
    // This notice keeps the NOTICE token whatever MSGCOMMAND says.
    form.CHANSEND("O " + form.channel(chan).name + " :" + by + " issued CLEAR " + kind->word);
    switch (kind->what) {
    case tclear::user:
        masskick(form, chan, channel, by);
        break;
    case tclear::op:
        massdeop(form, chan);
        break;
    case tclear::mode:
        clearmodes(form, chan, channel);
        break;
    case tclear::ban:
        clearbans(form, chan);
        break;
    }
}

} // namespace tessel::chanserv
