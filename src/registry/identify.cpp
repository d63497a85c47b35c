// Binding a user to a registered nick, and the memo count that greets them.
#include "bots/slotlist.h"
#include "engine/tform1.h"

namespace tessel {

void TForm1::IDENTIFY(int32_t user, int32_t ns) {
    if (!net.users.valid(user) || !reg.nicks.valid(ns)) return;
    Tuser& u = this->user(user);
    Tnickserv& rec = nickreg(ns);

    rec.lastmask = u.nick + "!" + u.ident + "@" + u.host;
    rec.identuser = user;
    rec.TS = u.nickts;
    rec.gecos = u.realname;
    u.identified = true;
    u.nagstate = -1;
    u.nsindex = ns;
    rec.lastdate = clock.now;

    CHECKSOP(user);
    CHECKMAIL(user);

    for (int k = 0; k < kUserChannels; ++k) {
        const int32_t chan = u.channels[k];
        if (!net.channels.valid(chan)) continue;
        const int32_t cs = channel(chan).csindex;
        if (!reg.chans.valid(cs)) continue;
        const cprivsrec privs = CHANACCESS(cs, user);
        if (privs.founder) {
            chanreg(cs).ownerpresent = true;
            chanreg(cs).lastdate = clock.now;
        }
        if (privs.canop)
            SETCHANMODE(chan, true, 'o', u.numeric);
        else if (privs.canvoice)
            SETCHANMODE(chan, true, 'v', u.numeric);
    }
}

void TForm1::CHECKMAIL(int32_t user) {
    if (!net.users.valid(user)) return;
    const Tuser& u = this->user(user);
    if (!u.identified || !reg.nicks.valid(u.nsindex)) return;
    const Tnickserv& rec = nickreg(u.nsindex);

    const int count = usedcount(rec.memos);
    const std::string token = rec.privmsg ? "P " : "O ";
    if (count == 1) {
        MEMOSEND(token + u.numeric + " :You have one memo. Type /msg " + cfg.memonick +
                 " READ 1 to read it.");
    } else if (count > 1) {
        MEMOSEND(token + u.numeric + " :You have " + std::to_string(count) + " memos. Type /msg " +
                 cfg.memonick + " LIST to see them.");
    }
}

} // namespace tessel
