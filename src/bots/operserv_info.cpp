// OperServ's reports: the command overview, the seen list, G-lines, servers,
// channels, users, one channel, the clock and one user.
#include <algorithm>
#include <string>
#include <utility>
#include <string_view>

#include "bots/operserv.h"
#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "p10/ircupper.h"
#include "p10/numerics.h"
#include "registry/timetext.h"
#include "registry/wildmatch.h"

namespace tessel::operserv {

namespace {

constexpr std::string_view overview[] = {
    "OperServ commands",
    "  MODE <parameters>    Forced mode change (channel hack)",
    "  RAW  <message>       Make the services send any raw command",
    "  NEWS <message>       Send a notice message to everyone on the network",
    "  GLINE +<nick|mask> <duration> <reason>",
    "    GLINE -<mask>      Add/remove a G-line. giving a nick will search *!*@host. duration can "
    "also be h, d, w, m, y (example: 2w means 2 weeks)",
    "  JUPE <add|list|del>  Set or remove jupe servers",
    "  SETNICKPASS <nick> <newpass>   Change the password of a registered nick (to be used in case "
    "of lost passwords)",
    "  NICKDROP <nick>      Drop a registered nick",
    "  RESET                Re-join and re-op chanserv, re-send G-lines, reset time.",
    "  SAVEDB               Save databases.",
    "  GLIST                Show G-lines",
    "  DISCONNECT           Disconnect the services from the network.",
    "  DIE                  terminate services.",
    "  INIT                 Disconnect, load the configuration and databases, connect",
    "  KILL <nick|channel>  Kill user, or all users in a channel",
    "  INVITE <channel>     Get yourself invited to a channel",
    "  KILLCHANNEL <name>   Terminates a channel (makes it unusable) but don't kill users",
    "  OPTIONS * <params>   Send options message (params are the same format as tessd.ini)",
    "  SEEN <nick|mask> [num]    Search through service's seen list.",
};

constexpr int32_t kSeenDefaultLimit = 10;
constexpr size_t kSeenAgeWidth = 9;
// CHANNELS starts a new line once the current one is longer than this.
constexpr size_t kChannelsLineLength = 400;

// A member's status as the listings show it: "@" operator, "+" voice.
const char* statusmark(uint8_t status) {
    if (status & kStatusOp) return "@";
    if (status & kStatusVoice) return "+";
    return "";
}

} // namespace

void help(TForm1& form, tbotmessage& msg) {
    sendlines(form, msg, overview);
}

void seen(TForm1& form, tbotmessage& msg) {
    std::string pattern = msg.upwords[1].empty() ? "*" : msg.upwords[1];
    // A bare nick stands for that nick with any user name and host.
    if (pattern.find_first_of("!@.") == std::string::npos) pattern += "!*@*";
    const int32_t limit = msg.words[2].empty() ? kSeenDefaultLimit
                                               : decimalor(msg.words[2], kSeenDefaultLimit);
    const int32_t now = form.clock.now;
    int32_t matched = 0;
    int32_t shown = 0;
    // Newest first: from the slot written last backwards round the ring.
    int32_t slot = ((form.oper.seenindex % kSeenCapacity) + kSeenCapacity) % kSeenCapacity;
    for (int k = 0; k < kSeenCapacity; ++k, slot = (slot + kSeenCapacity - 1) % kSeenCapacity) {
        const tseen& entry = form.oper.seen[slot];
        if (entry.mask.empty() || !wildmatch(pattern, ircupper(entry.mask))) continue;
        ++matched;
        if (shown >= limit) continue;
        ++shown;
        std::string line = std::to_string(int64_t{now} - entry.time);
        if (line.size() < kSeenAgeWidth) line.insert(0, kSeenAgeWidth - line.size(), ' ');
        line += ' ';
        line += entry.mask;
        line += "   ";
        line += entry.gecos;
        msg.reply(form, line);
    }
    if (matched == 0) {
        msg.reply(form, "i can't remember seeing " + msg.words[1]);
        return;
    }
    msg.reply(form, std::to_string(shown) + " of " + std::to_string(matched) + " entries listed.");
}

void glist(TForm1& form, tbotmessage& msg) {
    msg.reply(form, "G-lines - mask expiration sender reason");
    const int32_t zone = form.clock.zoneoffset;
    for (const tgline& g : form.oper.glines)
        if (g.used)
            msg.reply(form, g.mask + " <" + shortdatetext(int64_t{g.expires} - zone, zone) + " " +
                                g.setter + "> " + g.reason);
}

void servers(TForm1& form, tbotmessage& msg) {
    msg.reply(form, "servers on network - num name");
    for (int i = 0; i < kServerCapacity; ++i) {
        const tserver& s = form.net.servers[i];
        if (!s.inuse) continue;
        msg.reply(form, std::to_string(i) + " " +
                            encodenumeric(static_cast<uint32_t>(s.numeric), 2) + " " + s.name +
                            " " + std::to_string(s.uplink));
    }
}

void channels(TForm1& form, tbotmessage& msg) {
    msg.reply(form, "Channels on network - name chanserv TS size users");
    const auto& table = form.net.channels;
    const int32_t last = std::min(table.highwater, table.capacity() - 1);
    std::string line;
    for (int32_t i = 0; i <= last; ++i) {
        if (!table.valid(i)) continue;
        const Tchannel& c = table[i];
        line = c.name + " " + std::to_string(c.csindex) + " " + std::to_string(c.chants) + " " +
               std::to_string(c.membercount);
        for (size_t p = 0; p < c.members.stored(); ++p) {
            const int32_t m = c.members[p];
            if (!form.net.users.valid(m)) continue;
            line += ' ';
            line += statusmark(c.memberstatus[p]);
            line += form.user(m).nick;
            if (line.size() > kChannelsLineLength) {
                msg.reply(form, line);
                line.clear();
            }
        }
        if (!line.empty()) msg.reply(form, line);
    }
}

void users(TForm1& form, tbotmessage& msg) {
    msg.reply(form, "Users on network - nick nickserv server TS numeric channels");
    const std::string pattern = msg.upwords[1].empty() ? "*" : msg.upwords[1];
    const auto& table = form.net.users;
    const int32_t last = std::min(table.highwater, table.capacity() - 1);
    std::string line;
    for (int32_t i = 0; i <= last; ++i) {
        if (!table.valid(i)) continue;
        const Tuser& u = table[i];
        if (!wildmatch(pattern, u.nickkey)) continue;
        line = u.nick + " " + std::to_string(u.identified ? u.nsindex : -1) + " " +
               std::to_string(u.server) + " " + std::to_string(u.nickts) + " " + u.numeric;
        for (int k = 0; k < kUserChannels; ++k) {
            const int32_t ch = u.channels[k];
            if (!form.net.channels.valid(ch)) continue;
            const Tchannel& c = form.channel(ch);
            const int32_t pos = u.memberslots[k];
            line += ' ';
            if (pos >= 0 && pos < kChannelMembers) line += statusmark(c.memberstatus[pos]);
            line += c.name;
        }
        msg.reply(form, line);
    }
}

void chaninfo(TForm1& form, tbotmessage& msg) {
    const int32_t chan = form.GETCHANNAME(msg.words[1]);
    if (!form.net.channels.valid(chan)) {
        msg.reply(form, "no such channel: " + msg.words[1]);
        return;
    }
    const Tchannel& c = form.channel(chan);
    std::string modes = "+";
    const std::pair<bool, char> flags[] = {{c.cmode_n, 'n'}, {c.cmode_t, 't'}, {c.cmode_m, 'm'},
                                           {c.cmode_p, 'p'}, {c.cmode_s, 's'}, {c.cmode_i, 'i'}};
    for (const auto& [set, letter] : flags)
        if (set) modes += letter;
    const bool haskey = !c.key.empty();
    const bool haslimit = c.limit != 0;
    if (haskey) modes += 'k';
    if (haslimit) modes += 'l';
    if (haskey) modes += " " + c.key;
    if (haslimit) modes += " " + std::to_string(c.limit);
    msg.reply(form, c.name + " modes: " + modes);
    msg.reply(form, c.name + " TS: " + std::to_string(c.chants) + " (" +
                        shortdatetext(c.chants, form.clock.zoneoffset) + ")");
    std::string bans = "Banlist of " + c.name;
    for (size_t b = 0; b < c.bans.stored(); ++b) {
        if (c.bans[b].empty()) continue;
        bans += "  ";
        bans += c.bans[b];
    }
    msg.reply(form, bans);
}

void time(TForm1& form, tbotmessage& msg) {
    const int32_t now = form.clock.now;
    const int32_t zone = form.clock.zoneoffset;
    msg.reply(form, shortdatetext(int64_t{now} - zone, zone) + " GMT (" + std::to_string(now) + ")");
}

void whois(TForm1& form, tbotmessage& msg) {
    const int32_t target = form.GETNICK(msg.words[1]);
    if (!form.net.users.valid(target)) {
        msg.reply(form, msg.words[1] + ": No such nick");
        return;
    }
    const Tuser& u = form.user(target);
    std::string line = u.nick;
    if (form.user(msg.user).umode_o) {
        line += " (" + u.ident + "@" + u.host + ")";
        const std::pair<bool, char> flags[] = {{u.umode_o, 'o'}, {u.umode_i, 'i'}, {u.umode_d, 'd'},
                                               {u.umode_w, 'w'}, {u.umode_s, 's'}, {u.umode_k, 'k'},
                                               {u.umode_g, 'g'}};
        std::string modes;
        for (const auto& [set, letter] : flags)
            if (set) modes += letter;
        if (!modes.empty()) line += "  modes: +" + modes;
        line += "  numeric: " + u.numeric;
    }
    msg.reply(form, line);
    if (form.reg.nicks.valid(form.GETNS(u.nick))) {
        if (u.identified)
            msg.reply(form, "  Has identified");
        else if (u.recognised)
            msg.reply(form, "  Has not identified but mask matches ACCESS list");
        else
            msg.reply(form, "  Has not identified and mask does not match ACCESS list");
    } else {
        msg.reply(form, "  Is not a registered nick");
    }
    if (u.servicesop)
        msg.reply(form, "  Is Services Operator and IRC operator");
    else if (u.umode_o)
        msg.reply(form, "  Is IRC Operator");
}

} // namespace tessel::operserv
