// Channel and user modes: the outgoing mode queue, incoming mode changes with
// lock and op enforcement, mode locks and the closing of a channel.
#include <string_view>
#include <vector>

#include "bots/services.h"
#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "p10/ircupper.h"
#include "state/modeletters.h"
#include "state/modelock.h"

namespace tessel {

namespace {

constexpr size_t kFlushLetters = 6;     // mode letters that go out in one line
constexpr size_t kPendingFlushAt = 500; // queued changes that force a full flush

bool has(const std::string& letters, char letter) {
    return letters.find(letter) != std::string::npos;
}

// Position of the user among the channel's members, or -1 when it is not one.
int32_t memberposition(const TForm1& form, int32_t u, int32_t chan) {
    if (!form.net.users.valid(u)) return -1;
    const Tuser& usr = form.net.users[u];
    const Tchannel& c = form.net.channels[chan];
    for (int32_t k = 0; k < kUserChannels; ++k) {
        if (usr.channels[k] != chan) continue;
        const int32_t p = usr.memberslots[k];
        if (p >= 0 && p < kChannelMembers && c.members[p] == u) return p;
    }
    return -1;
}

void setstatus(Tchannel& c, int32_t p, uint8_t bit, bool on) {
    const uint8_t old = c.memberstatus[p];
    c.memberstatus.set(p, static_cast<uint8_t>(on ? old | bit : old & ~bit));
}

void addban(Tchannel& c, const std::string& mask) {
    const std::string key = ircupper(mask);
    int32_t free = -1;
    for (size_t p = 0; p < c.bans.stored(); ++p) {
        if (c.bans[p].empty()) {
            if (free < 0) free = static_cast<int32_t>(p);
        } else if (ircupper(c.bans[p]) == key) {
            return;
        }
    }
    if (free < 0 && c.bans.stored() < c.bans.size()) free = static_cast<int32_t>(c.bans.stored());
    if (free >= 0) c.bans.set(free, mask);
}

void removeban(Tchannel& c, const std::string& mask) {
    const std::string key = ircupper(mask);
    for (size_t p = 0; p < c.bans.stored(); ++p) {
        if (!c.bans[p].empty() && ircupper(c.bans[p]) == key) {
            c.bans.set(p, std::string());
            return;
        }
    }
}

bool* userflag(Tuser& u, char letter) {
    switch (letter) {
    case 'd':
        return &u.umode_d;
    case 'i':
        return &u.umode_i;
    case 'r':
        return &u.umode_r;
    case 'w':
        return &u.umode_w;
    case 's':
        return &u.umode_s;
    case 'x':
        return &u.umode_x;
    case 'g':
        return &u.umode_g;
    case 'k':
        return &u.umode_k;
    default:
        return nullptr;
    }
}

} // namespace

bool* channelflag(Tchannel& c, char letter) {
    switch (letter) {
    case 'i':
        return &c.cmode_i;
    case 'm':
        return &c.cmode_m;
    case 'n':
        return &c.cmode_n;
    case 'p':
        return &c.cmode_p;
    case 's':
        return &c.cmode_s;
    case 't':
        return &c.cmode_t;
    default:
        return nullptr;
    }
}

std::string modelocksetup(const Tchanserv& rec) {
    if (rec.mlockon.empty() && rec.mlockoff.empty()) return {};
    std::string text = "+" + rec.mlockon;
    if (!rec.mlockoff.empty()) text += "-" + rec.mlockoff;
    return text;
}

std::string modelocktext(const Tchanserv& rec) {
    std::string text;
    if (!rec.mlockon.empty()) text += "+" + rec.mlockon;
    if (!rec.mlockoff.empty()) text += "-" + rec.mlockoff;
    return text;
}

void TForm1::SETCHANMODE(int32_t chan, bool add, char letter, const std::string& param) {
    if (modes.pendingchannels.size() > kPendingFlushAt) FLUSHALLCHANMODE();
    if (!net.channels.valid(chan)) return;
    modes.pendingchannels.push_back(chan);
    Tchannel& c = channel(chan);
    if (add) {
        c.pendaddmodes += letter;
        c.pendaddparams += " " + param;
    } else {
        c.penddelmodes += letter;
        c.penddelparams += " " + param;
    }
    c.modesdirty = true;
    if (c.pendaddmodes.size() + c.penddelmodes.size() >= kFlushLetters) FLUSHCHANMODE(chan);
}

void TForm1::FLUSHCHANMODE(int32_t chan) {
    if (!net.channels.valid(chan)) return;
    Tchannel& c = channel(chan);
    if (!c.modesdirty) return;
    const bool fromserver = modes.closingchannel || cfg.umode == 2;
    // Mode changes come from ChanServ unless the server itself has to set them.
    std::string line = (fromserver ? cfg.servernumeric : servicenumeric(cfg, kBotChanServ)) +
                       " M " + c.name + " ";
    if (!c.pendaddmodes.empty()) line += "+" + c.pendaddmodes;
    if (!c.penddelmodes.empty()) line += "-" + c.penddelmodes;
    line += c.pendaddparams + c.penddelparams;
    c.pendaddmodes.clear();
    c.pendaddparams.clear();
    c.penddelmodes.clear();
    c.penddelparams.clear();
    c.modesdirty = false;

    SEND(line);
    // The services' own change is taken into the picture as sent, without
    // enforcing locks against it; the rest of the line being processed keeps
    // whatever enforcement it had.
    const bool unchecked = modes.uncheckedmodes;
    modes.uncheckedmodes = true;
    PARSECOMMAND(line);
    modes.uncheckedmodes = unchecked;
}

void TForm1::FLUSHALLCHANMODE() {
    // Changes queued while flushing stay listed for the next flush.
    std::vector<int32_t> pending;
    pending.swap(modes.pendingchannels);
    for (int32_t chan : pending)
        if (net.channels.valid(chan) && channel(chan).modesdirty) FLUSHCHANMODE(chan);
}

// M #chan letters params... from `source` (-1 for a server).
void TForm1::PARSEMODECHAN(int32_t source, const tlinewords& w) {
    if (net.users.valid(source) && user(source).umode_k) modes.uncheckedmodes = true;
    const int32_t chan = GETCHANNAME(w.upwords[1]);
    if (chan < 0) return;
    Tchannel& c = channel(chan);
    std::string lockon, lockoff;
    if (reg.chans.valid(c.csindex)) {
        lockon = chanreg(c.csindex).mlockon;
        lockoff = chanreg(c.csindex).mlockoff;
    }

    int param = 3;
    auto nextparam = [&]() -> std::string {
        return param < w.wordcount ? w.words[param++] : std::string();
    };
    int direction = 0; // letters before the first sign have none and are skipped
    bool oprefused = false;
    for (char letter : w.words[2]) {
        if (letter == '+' || letter == '-') {
            direction = letter == '+' ? 1 : -1;
            continue;
        }
        if (direction == 0) continue;
        const bool adding = direction > 0;
        const bool enforce = !modes.uncheckedmodes;
        switch (letter) {
        case 'i':
        case 'm':
        case 'n':
        case 'p':
        case 's':
        case 't':
            if (enforce && has(adding ? lockoff : lockon, letter))
                SETCHANMODE(chan, !adding, letter, "");
            else
                *channelflag(c, letter) = adding;
            break;
        case 'k': {
            const std::string key = nextparam();
            if (enforce && has(adding ? lockoff : lockon, 'k'))
                SETCHANMODE(chan, !adding, 'k', key);
            else
                c.key = adding ? key : std::string();
            break;
        }
        case 'l':
            if (adding) {
                const std::string limit = nextparam();
                if (enforce && has(lockoff, 'l'))
                    SETCHANMODE(chan, false, 'l', "");
                else
                    c.limit = decimalor(limit, 0);
            } else if (enforce && has(lockon, 'l')) {
                SETCHANMODE(chan, true, 'l', std::to_string(c.limit));
            } else {
                c.limit = 0;
            }
            break;
        case 'b': {
            const std::string mask = nextparam();
            if (mask.empty()) break;
            if (adding)
                addban(c, mask);
            else
                removeban(c, mask);
            break;
        }
        case 'o':
        case 'v': {
            const std::string numeric = nextparam();
            const int32_t target = GETP10ID(numeric);
            const int32_t p = target < 0 ? -1 : memberposition(*this, target, chan);
            // A change for someone the picture does not have in the channel
            // means the picture is behind: the rest of the line is not trusted.
            if (p < 0) return;
            if (letter == 'v') {
                setstatus(c, p, kStatusVoice, adding);
                break;
            }
            const cprivsrec access = CHANACCESS(c.csindex, target);
            const bool refused =
                access.registered && !access.canop &&
                (access.strictop || (source == -1 && cfg.umode != 1) || source == target);
            if (!adding || !enforce || user(target).umode_k || !refused) {
                setstatus(c, p, kStatusOp, adding);
            } else {
                SETCHANMODE(chan, false, 'o', numeric);
                oprefused = true;
            }
            break;
        }
        case 'h':
        // The hub's channel passwords (+A, +U) carry a parameter as well.
        case 'A':
        case 'U':
            nextparam();
            break;
        default:
            break;
        }
    }

    if (!oprefused) return;
    for (size_t p = 0; p < c.members.stored(); ++p) {
        const int32_t m = c.members[p];
        if (m < 0 || !(c.memberstatus[p] & kStatusOp) || !net.users.valid(m)) continue;
        if (!CHANACCESS(c.csindex, m).canop) SETCHANMODE(chan, false, 'o', user(m).numeric);
    }
}

void TForm1::PARSEMODEUSER(int32_t u, const std::string& text) {
    if (!net.users.valid(u)) return;
    Tuser& usr = user(u);
    bool adding = true;
    for (char letter : text) {
        if (letter == '+' || letter == '-') {
            adding = letter == '+';
        } else if (letter == 'o') {
            usr.umode_o = adding;
            if (adding)
                CHECKSOP(u);
            else
                usr.servicesop = false;
        } else if (bool* flag = userflag(usr, letter)) {
            *flag = adding;
        }
    }
}

void TForm1::PARSEMODELOCK(int32_t rec, const std::string& text) {
    if (!reg.chans.valid(rec)) return;
    Tchanserv& r = chanreg(rec);
    r.mlockon.clear();
    r.mlockoff.clear();
    std::string* target = nullptr;
    for (char ch : text) {
        if (ch == '+')
            target = &r.mlockon;
        else if (ch == '-')
            target = &r.mlockoff;
        else if (target)
            *target += ch;
    }
}

// OperServ closes a channel: moderated, secret, everyone banned, nobody opped
// or voiced. The lines carry the services' server as source.
void TForm1::KILLCHANNEL(int32_t chan) {
    if (!net.channels.valid(chan)) return;
    FLUSHALLCHANMODE();
    OPERSEND("J " + channel(chan).name);
    modes.closingchannel = true;
    for (char letter : {'m', 'n', 't', 's'})
        SETCHANMODE(chan, true, letter, "");
    SETCHANMODE(chan, true, 'b', "*!*@*");
    // Every member position is visited: after parts, members sit anywhere
    // in the array, not only below the member count.
    for (uint8_t bit : {kStatusOp, kStatusVoice}) {
        const Tchannel& c = channel(chan);
        std::vector<std::string> numerics;
        for (size_t p = 0; p < c.members.stored(); ++p) {
            const int32_t m = c.members[p];
            if (m >= 0 && (c.memberstatus[p] & bit) && net.users.valid(m))
                numerics.push_back(user(m).numeric);
        }
        for (const std::string& numeric : numerics)
            SETCHANMODE(chan, false, bit == kStatusOp ? 'o' : 'v', numeric);
    }
    FLUSHALLCHANMODE();
    modes.closingchannel = false;
}

} // namespace tessel
