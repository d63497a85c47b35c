// Token N: a server introducing a new client, or a client changing its nick.
#include "engine/tform1.h"
#include "p10/clientslot.h"
#include "p10/decimalword.h"
#include "p10/ircupper.h"
#include "p10/numerics.h"

namespace tessel {

namespace {

// The services cannot follow the network any more: they log the line and
// break their own link, so the hub's next burst rebuilds the picture.
void breaklink(TForm1& form, const std::string& reason, const std::string& line) {
    form.LOGWRITE(kLogInvalid, "Invalid: " + reason + ": " + line);
    form.MESEND("SQ " + form.link.uplinkname + " 0 :Invalid: " + reason + ": " + line);
}

// The user modes an introduction carries that the services keep track of.
void introductionmodes(Tuser& u, const std::string& word) {
    for (char c : word) {
        switch (c) {
        case 'o':
            u.umode_o = true;
            break;
        case 'i':
            u.umode_i = true;
            break;
        case 'w':
            u.umode_w = true;
            break;
        case 's':
            u.umode_s = true;
            break;
        case 'd':
            u.umode_d = true;
            break;
        case 'k':
            u.umode_k = true;
            break;
        case 'x':
            u.umode_x = true;
            break;
        default:
            break;
        }
    }
}

} // namespace

// Introduction: N nick hops ts ident host [+modes [args]] ip numeric :realname
// Nick change:  N nick ts
void TForm1::onnick(const tlinewords& w) {
    // Only servers introduce clients; a nick change from a client the services
    // do not know (one that has just left, say) changes nothing.
    if (w.sourceuser < 0 && w.source.size() != 2) {
        LOGWRITE(kLogInvalid, "Invalid: nick change from an unknown client: " + w.line);
        return;
    }
    const int32_t holder = GETNICK(w.upwords[1]);
    if (holder >= 0 && holder != w.sourceuser) {
        breaklink(*this, "nick collision", w.line);
        return;
    }

    if (w.sourceuser >= 0) {
        if (w.words[1].empty()) {
            LOGWRITE(kLogInvalid, "Invalid: nick change without a nick: " + w.line);
            return;
        }
        Tuser& u = user(w.sourceuser);
        const bool newnick = w.upwords[1] != u.nickkey;
        SETNICK(w.sourceuser, w.words[1]);
        u.nickts = decimalor(w.words[2], 0);
        if (newnick) NICKCHANGED(w.sourceuser);
        return;
    }

    if (w.words[8].empty()) {
        breaklink(*this, "Received nick for not yet existing user with not enough params", w.line);
        return;
    }
    const std::string numeric = normalisenumeric(w.words[w.wordcount - 2]);
    const std::optional<tclientslot> place = clientslot(net, numeric);
    if (!place) {
        LOGWRITE(kLogInvalid, "Invalid: client introduced on an unknown server: " + w.line);
        return;
    }
    // A numeric still held by someone else means that client left unnoticed.
    tserver& server = net.servers[place->server];
    const int32_t stale = server.slots[static_cast<size_t>(place->clientnum)];
    if (stale >= 0) {
        LOGWRITE(kLogInvalid, "Invalid: client numeric reused: " + w.line);
        REMOVEUSER(stale);
    }
    const int32_t u = ADDUSER();
    if (u < 0) {
        LOGWRITE(kLogInvalid, "Invalid: user table full: " + w.line);
        return;
    }

    Tuser& rec = user(u);
    SETNICK(u, w.words[1]);
    rec.nickts = decimalor(w.words[3], 0);
    rec.ident = w.words[4];
    rec.host = w.words[5];
    rec.realname = w.lastword();
    if (!w.words[6].empty() && w.words[6][0] == '+') introductionmodes(rec, w.words[6]);
    rec.numeric = numeric;
    rec.server = place->server;
    rec.clientnum = place->clientnum;
    server.slots[static_cast<size_t>(place->clientnum)] = u;
    rec.ip = numericiptext(decodenumeric(w.words[w.wordcount - 3]));

    NEWUSER(u);
    NICKCHANGED(u);
}

} // namespace tessel
