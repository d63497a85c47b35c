// Channel traffic: joins and creations with the enforcement of registered
// channels, channel bursts, parts, topics, kicks, mode lines and mode clearing.
#include <optional>
#include <string_view>
#include <vector>

#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "p10/ircupper.h"
#include "p10/numerics.h"
#include "state/modeletters.h"
#include "state/modelock.h"

namespace tessel {

namespace {

constexpr size_t kBurstMembers = 99; // member entries read from one burst line
constexpr size_t kBurstBans = 125;   // ban masks read from one burst line
constexpr size_t kBansPerLine = 6;   // ban masks per synthesised mode line

// ChanServ sits in registered channels only when UMODE is 1.
bool heldbychanserv(const TForm1& form, const Tchannel& c) {
    return form.cfg.umode == 1 && c.csindex >= 0;
}

Tchanserv* registrationof(TForm1& form, const Tchannel& c) {
    return form.reg.chans.valid(c.csindex) ? &form.chanreg(c.csindex) : nullptr;
}

// A new channel record named `name`, linked with its registration both ways.
int32_t createchannel(TForm1& form, const std::string& name, const std::string& line) {
    const int32_t chan = form.ADDCHANNEL();
    if (chan < 0) {
        form.LOGWRITE(kLogInvalid, "Invalid: channel table full: " + line);
        return -1;
    }
    form.SETCHANNAME(chan, name);
    Tchannel& c = form.channel(chan);
    c.csindex = form.GETCS(c.namekey);
    if (Tchanserv* r = registrationof(form, c)) r->chanindex = chan;
    return chan;
}

// First member position that holds nobody, or -1 when the channel is full.
int32_t firstfreeposition(const Tchannel& c) {
    for (size_t p = 0; p < c.members.stored(); ++p)
        if (c.members[p] == -1) return static_cast<int32_t>(p);
    return c.members.stored() < c.members.size() ? static_cast<int32_t>(c.members.stored()) : -1;
}

// Records the user in the channel. A membership is only recorded when both
// the user's channel list and the channel's member array have room; the
// counter follows every join either way, as every part lowers it.
void addmembership(TForm1& form, int32_t chan, int32_t u, const std::string& line) {
    Tuser& usr = form.user(u);
    Tchannel& c = form.channel(chan);
    int32_t k = -1;
    for (int32_t i = 0; i < kUserChannels; ++i) {
        if (usr.channels[i] == -1) {
            k = i;
            break;
        }
    }
    if (k >= 0) {
        const int32_t p = firstfreeposition(c);
        if (p >= 0) {
            usr.channels[k] = chan;
            usr.memberslots[k] = p;
            c.members.set(p, u);
            c.memberstatus.set(p, 0);
        } else {
            form.LOGWRITE(kLogInvalid, "Invalid: member array of " + c.name + " full: " + line);
        }
    }
    ++c.membercount;
}

// Whether a part or kick of the user lowers the channel's counter. For a
// member it does. For someone the picture does not hold in the channel it
// only does while the channel has joins it could not record; otherwise the
// counter would fall while members remain, and the channel would be freed
// under them.
bool departurecounts(TForm1& form, int32_t chan, int32_t u) {
    const Tchannel& c = form.channel(chan);
    const Tuser& usr = form.user(u);
    for (int32_t k = 0; k < kUserChannels; ++k)
        if (usr.channels[k] == chan) return true;
    int32_t recorded = 0;
    for (size_t p = 0; p < c.members.stored(); ++p)
        if (c.members[p] != -1) ++recorded;
    if (c.membercount > recorded) return true;
    form.LOGWRITE(kLogInvalid,
                  "Invalid: " + usr.nick + " leaves " + c.name + " without being in it");
    return false;
}

// A registered channel created while ChanServ stays out of channels gets its
// greeting, lock and topic from ChanServ at once.
void configurenewchannel(TForm1& form, const Tchannel& c, const Tchanserv& r, const Tuser& usr) {
    if (r.welcome.empty())
        form.CHANSEND("O " + usr.numeric + " :" + c.name +
                      " is a registered channel. Access privileges apply.");
    const std::string lock = modelocksetup(r);
    if (!lock.empty()) form.CHANSEND("M " + r.channel + " " + lock);
    if (!r.topic.empty()) form.CHANSEND("T " + c.name + " :" + r.topic);
}

void joinone(TForm1& form, int32_t u, const std::string& name, bool create, const tlinewords& w) {
    int32_t chan = form.GETCHANNAME(name);
    if (chan < 0) {
        chan = createchannel(form, name, w.line);
        if (chan < 0) return;
        Tchannel& c = form.channel(chan);
        if (const Tchanserv* r = registrationof(form, c)) {
            if (form.cfg.umode == 1)
                c.chants = r->TS;
            else
                configurenewchannel(form, c, *r, form.user(u));
        }
        form.LOGWRITE(kLogChannelCreate, "Channel create: " + c.name + " " + form.user(u).nick);
    }
    addmembership(form, chan, u, w.line);

    const std::string channame = form.channel(chan).name;
    const std::string numeric = form.user(u).numeric;
    const cprivsrec access = form.CHANACCESS(form.channel(chan).csindex, u);
    if (Tchanserv* r = registrationof(form, form.channel(chan))) {
        if (access.level == kLevelAkick) {
            form.SETCHANMODE(chan, true, 'b', "*!*@" + form.user(u).host);
            form.FLUSHCHANMODE(chan);
            form.CHANSEND("K " + channame + " " + numeric + " :You are banned from this channel");
            form.REMOVEUSERCHANNEL(chan, u);
        } else {
            const Tuser& usr = form.user(u);
            if (usr.identified && usr.nickkey == ircupper(r->owner)) {
                r->lastdate = form.clock.now;
                r->ownerpresent = true;
            }
            if (access.canop)
                form.SETCHANMODE(chan, true, 'o', numeric);
            else if (access.canvoice)
                form.SETCHANMODE(chan, true, 'v', numeric);
            if (!r->welcome.empty())
                form.CHANSEND("O " + numeric + " :(" + r->channel + ") " + r->welcome);
            if (access.level == kLevelNone && r->operonly && !form.user(u).umode_o) {
                form.CHANSEND("K " + channame + " " + numeric +
                              " :Only IRC Operators are allowed in this channel.");
                form.REMOVEUSERCHANNEL(chan, u);
            }
        }
    }

    // The creator of a channel is its first operator.
    if (create && form.net.channels.valid(chan) && form.channel(chan).name == channame) {
        form.channel(chan).chants = decimalor(w.words[2], 0);
        const Tuser& usr = form.user(u);
        const int32_t server = usr.server;
        if (server >= 0 && server < kServerCapacity && form.net.servers[server].numeric >= 0) {
            const auto number = static_cast<uint32_t>(form.net.servers[server].numeric);
            form.PARSECOMMAND(encodenumeric(number, 2) + " M " + channame + " +o " + numeric);
        }
    }
}

// J 0: the user leaves every channel it is in, one part line per channel.
void partall(TForm1& form, int32_t u) {
    std::vector<std::string> names;
    const Tuser& usr = form.user(u);
    for (int32_t chan : usr.channels)
        if (form.net.channels.valid(chan)) names.push_back(form.channel(chan).name);
    const std::string numeric = usr.numeric;
    for (const std::string& name : names)
        form.PARSECOMMAND(numeric + " L " + name);
}

std::vector<std::string> splitat(std::string_view text, char separator, size_t limit) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() < limit && start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start || separator == ',') parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// A burst's mode word and the parameters it takes, from words[i] on. Returns
// the index of the first word after its parameters. The letters are applied
// to the channel unless the burst is overridden.
int applyburstmodes(TForm1& form, const tlinewords& w, int i, bool overridden) {
    const std::string& word = w.words[i++];
    auto nextparam = [&]() -> std::string {
        return i < w.wordcount ? w.words[i++] : std::string();
    };
    const int32_t chan = form.GETCHANNAME(w.words[1]);
    Tchannel* c = overridden || chan < 0 ? nullptr : &form.channel(chan);
    bool adding = true;
    for (char letter : word) {
        if (letter == '+' || letter == '-') {
            adding = letter == '+';
            continue;
        }
        if (bool* flag = c ? channelflag(*c, letter) : nullptr) {
            *flag = adding;
            continue;
        }
        switch (letter) {
        case 'l':
            if (adding) {
                const std::string limit = nextparam();
                if (c) c->limit = decimalor(limit, 0);
            } else if (c) {
                c->limit = 0;
            }
            break;
        case 'k': {
            const std::string key = nextparam();
            if (c) c->key = adding ? key : std::string();
            break;
        }
        // The hub's channel passwords (+A admin, +U user) travel as
        // parameters too; they are not part of the picture.
        case 'A':
        case 'U':
            nextparam();
            break;
        default:
            break;
        }
    }
    return i;
}

} // namespace

// J/C #a,#b ts  --  J 0 leaves every channel.
void TForm1::onjoin(const tlinewords& w) {
    const int32_t u = w.sourceuser;
    if (u < 0) return;
    if (w.words[1] == "0") {
        partall(*this, u);
        return;
    }
    const bool create = w.upwords[0] == "C";
    for (int i = 0; i < w.targetcount; ++i) {
        if (w.targets[i].empty()) continue;
        if (!net.users.valid(u)) return;
        joinone(*this, u, w.targets[i], create, w);
    }
}

// B #chan ts [+modes [params]] [members] [:%bans]
void TForm1::onburst(const tlinewords& w) {
    if (w.words[1].empty()) return;
    const std::optional<int32_t> ts = decimalvalue(w.words[2]);
    if (!ts) LOGWRITE(kLogInvalid, "Invalid: burst with an unreadable timestamp: " + w.line);

    bool overridden = false;
    int32_t chan = GETCHANNAME(w.upwords[1]);
    if (chan < 0) {
        chan = createchannel(*this, w.words[1], w.line);
        if (chan < 0) return;
        Tchannel& c = channel(chan);
        c.chants = ts.value_or(0);
        Tchanserv* r = registrationof(*this, c);
        if (r && heldbychanserv(*this, c)) {
            if ((r->TS == 0 || r->TS > c.chants) && c.chants != 0) r->TS = c.chants;
            if (r->TS != 0 && r->TS < c.chants) {
                overridden = true;
                c.chants = r->TS;
            }
        }
    } else {
        Tchannel& c = channel(chan);
        if (!ts || *ts > c.chants)
            overridden = true;
        else
            c.chants = *ts;
    }
    const std::string channame = channel(chan).name;

    int i = 3;
    while (i < w.wordcount && !w.words[i].empty()) {
        const std::string& word = w.words[i];
        if (word[0] == '+') {
            i = applyburstmodes(*this, w, i, overridden);
            continue;
        }
        ++i;
        if (word[0] == '%') {
            if (overridden) break;
            const std::vector<std::string> masks =
                splitat(std::string_view(word).substr(1), ' ', kBurstBans);
            for (size_t first = 0; first < masks.size(); first += kBansPerLine) {
                const size_t n = std::min(kBansPerLine, masks.size() - first);
                std::string line = w.source + " M " + channame + " +" + std::string(n, 'b');
                for (size_t m = first; m < first + n; ++m)
                    line += " " + masks[m];
                PARSECOMMAND(line);
            }
            break;
        }
        // The member list: "numeric[:flags]" entries, each flag set holding
        // for the entries after it. An op level (digits) marks an operator.
        bool op = false, voice = false;
        for (const std::string& entry : splitat(word, ',', kBurstMembers)) {
            const size_t colon = entry.find(':');
            if (colon != std::string::npos) {
                const std::string_view flags = std::string_view(entry).substr(colon + 1);
                op = flags.find_first_of("o0123456789") != std::string_view::npos;
                voice = flags.find('v') != std::string_view::npos;
            }
            const std::string numeric = entry.substr(0, colon);
            if (numeric.empty() || numeric.find(' ') != std::string::npos) continue;
            PARSECOMMAND(numeric + " J " + w.words[1]);
            if (overridden) continue;
            if (op) PARSECOMMAND(w.source + " M " + w.words[1] + " +o " + numeric);
            if (voice) PARSECOMMAND(w.source + " M " + w.words[1] + " +v " + numeric);
        }
    }
}

// L #a,#b :reason
void TForm1::onpart(const tlinewords& w) {
    if (w.sourceuser < 0) return;
    for (int i = 0; i < w.targetcount; ++i) {
        if (w.targets[i].empty()) continue;
        const int32_t chan = GETCHANNAME(w.uptargets[i]);
        if (chan >= 0 && departurecounts(*this, chan, w.sourceuser))
            REMOVEUSERCHANNEL(chan, w.sourceuser);
    }
}

// T #chan [chants topicts] :topic
void TForm1::ontopic(const tlinewords& w) {
    if (w.wordcount < 3) return;
    const std::string& topic = w.lastword();
    const int32_t chan = GETCHANNAME(w.upwords[1]);
    if (chan >= 0) channel(chan).topic = topic;
    const int32_t cs = GETCS(w.upwords[1]);
    if (cs < 0) return;
    if (CHANACCESS(cs, w.sourceuser).level >= kLevelAop) chanreg(cs).topic = topic;
}

// K #chan victim :reason
void TForm1::onkick(const tlinewords& w) {
    const int32_t chan = GETCHANNAME(w.upwords[1]);
    const int32_t victim = GETP10ID(w.words[2]);
    if (chan < 0 || victim < 0 || !departurecounts(*this, chan, victim)) return;
    const std::string channame = channel(chan).name;
    REMOVEUSERCHANNEL(chan, victim);
    LOGWRITE(kLogKick, "Kick: " + channame + " " + user(victim).nick);
}

// M/OM #chan modes params...  or  M nick :modes
void TForm1::onmode(const tlinewords& w) {
    if (w.words[1].empty()) return;
    if (w.upwords[0] == "OM") modes.uncheckedmodes = true;
    if (w.words[1][0] == '#')
        PARSEMODECHAN(w.sourceuser, w);
    else
        PARSEMODEUSER(GETNICK(w.upwords[1]), w.words[2]);
}

// CM #chan [letters]
void TForm1::onclearmodes(const tlinewords& w) {
    const int32_t chan = GETCHANNAME(w.upwords[1]);
    if (chan < 0) return;
    Tchannel& c = channel(chan);
    const std::string letters = w.words[2].empty() ? "mntipslkovb" : w.words[2];
    for (char letter : letters) {
        if (bool* flag = channelflag(c, letter)) {
            *flag = false;
            continue;
        }
        switch (letter) {
        case 'l':
            c.limit = 0;
            break;
        case 'k':
            c.key.clear();
            break;
        case 'o':
        case 'v': {
            const uint8_t bit = letter == 'o' ? kStatusOp : kStatusVoice;
            for (size_t p = 0; p < c.memberstatus.stored(); ++p)
                c.memberstatus.at(p) = static_cast<uint8_t>(c.memberstatus[p] & ~bit);
            break;
        }
        case 'b':
            c.bans.clear();
            break;
        default:
            break;
        }
    }
}

} // namespace tessel
