// Who an online user is to the registrations: nick access, channel levels,
// Services-operator status, memo ignores.
#include "engine/tform1.h"
#include "p10/ircupper.h"
#include "registry/wildmatch.h"

namespace tessel {

namespace {

// Channel lists in the order they are searched within one slot.
struct listlevel {
    int list;
    int32_t bynick; // level for an exact nick entry (an identified user)
    int32_t bymask; // level for a matching full mask
};
constexpr listlevel kSearchOrder[] = {
    {LIST_SOP, kLevelSop, kLevelSop},
    {LIST_AKICK, kLevelNone, kLevelAkick}, // a nick entry only stops the nick search
    {LIST_AOP, kLevelAop, kLevelAop},
    {LIST_VOP, kLevelVop, kLevelVop},
};

} // namespace

int32_t TForm1::NICKACCESS(int32_t user, int32_t ns, const std::string& password,
                           std::string* refusal) {
    if (!reg.nicks.valid(ns)) return kAccessNoRecord;
    if (!net.users.valid(user)) return kAccessNoMask;
    const Tuser& u = this->user(user);
    Tnickserv& rec = nickreg(ns);

    const std::string byhost = ircupper(u.ident + "@" + u.host);
    const std::string byip = ircupper(u.ident + "@" + u.ip);
    bool recognised = false;
    for (int i = 0; i < kNickAccess && !recognised; ++i) {
        if (rec.access[i].empty()) continue;
        const std::string mask = ircupper(rec.access[i]);
        recognised = wildmatch(mask, byhost) || wildmatch(mask, byip);
    }
    if (!recognised) return kAccessNoMask;
    // Nick protection asks with the empty password only whether the mask is
    // recognised (no command passes one): that is no guess and costs no hash.
    if (password.empty()) return rec.password.empty() ? kAccessGranted : kAccessWrongPassword;
    return checkpassword(user, "nick", rec.nick, rec.password, rec.failed, password, refusal);
}

cprivsrec TForm1::CHANACCESS(int32_t cs, int32_t user) {
    cprivsrec r;
    // A slot that holds no registration is treated as an unregistered channel.
    const bool registered = reg.chans.valid(cs);
    r.registered = registered;
    if (!registered || !net.users.valid(user)) {
        r.level = kLevelFounder;
        return r;
    }
    const Tchanserv& rec = chanreg(cs);
    const Tuser& u = this->user(user);
    const std::string nick = ircupper(u.nick);

    r.level = kLevelNone;
    r.founder = u.identified && ircupper(rec.owner) == nick;
    if (r.founder) {
        r.level = kLevelFounder;
    } else {
        if (u.identified) {
            bool found = false;
            for (int i = 0; i < kChanListEntries && !found; ++i) {
                for (const listlevel& l : kSearchOrder) {
                    const std::string& entry = rec.lists[l.list][i];
                    if (entry.empty() || ircupper(entry) != nick) continue;
                    r.level = l.bynick;
                    found = true;
                    break;
                }
            }
        }
        if (r.level == kLevelNone) {
            const std::string byhost = nick + "!" + ircupper(u.ident + "@" + u.host);
            const std::string byip = nick + "!" + ircupper(u.ident + "@" + u.ip);
            bool found = false;
            for (int i = 0; i < kChanListEntries && !found; ++i) {
                for (const listlevel& l : kSearchOrder) {
                    const std::string& entry = rec.lists[l.list][i];
                    if (entry.empty()) continue;
                    const std::string mask = ircupper(entry);
                    if (!wildmatch(mask, byhost) && !wildmatch(mask, byip)) continue;
                    r.level = l.bymask;
                    found = true;
                    break;
                }
            }
        }
        if (r.level < kLevelAop && u.umode_o && rec.operop) r.level = kLevelAop;
    }
    r.strictop = rec.strictop;
    r.canvoice = r.level >= kLevelVop;
    r.canop = r.level >= kLevelAop;
    return r;
}

void TForm1::CHECKSOP(int32_t user) {
    if (!net.users.valid(user)) return;
    Tuser& u = this->user(user);
    u.servicesop = false;
    if (!u.identified || !u.umode_o) return;
    const std::string nick = ircupper(u.nick);
    for (const std::string& mask : cfg.soplist) {
        if (!mask.empty() && wildmatch(ircupper(mask), nick)) {
            u.servicesop = true;
            return;
        }
    }
}

bool TForm1::ONIGNORE(int32_t ns, int32_t sender) {
    if (!reg.nicks.valid(ns)) return false;
    const Tnickserv& rec = nickreg(ns);
    for (int i = 0; i < kNickIgnore; ++i) {
        const std::string& entry = rec.ignore[i];
        if (entry.empty()) continue;
        const int32_t found = GETNS(entry);
        if (found != -1 && found == sender) return true;
    }
    return false;
}

} // namespace tessel
