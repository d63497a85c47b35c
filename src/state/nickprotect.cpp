// Keeping registered nicks for their owners: recognition on every nick
// change, and the warnings that end in a forced rename or a kill.
#include <random>

#include "engine/tform1.h"

namespace tessel {

namespace {

// What precedes NickServ's notice (or private message, by MSGCOMMAND) to one user.
std::string warnprefix(const TForm1& form, const Tuser& u) {
    return form.cfg.msgcommand + " " + u.numeric + " :";
}

} // namespace

void TForm1::NICKCHANGED(int32_t user) {
    if (!net.users.valid(user)) return;
    Tuser& u = this->user(user);
    const int32_t ns = GETNS(u.nick);

    if (u.identified) {
        if (u.nsindex < 0) {
            LOGWRITE(kLogInvalid, "Invalid: internal error in nickchanged");
            MESEND("SQ " + link.uplinkname + " 0 :Invalid: internal error in nickchanged");
            return;
        }
        if (reg.nicks.valid(u.nsindex)) {
            Tnickserv& old = nickreg(u.nsindex);
            old.identuser = -1;
            old.lastdate = clock.now;
        }
    }

    u.nsindex = ns;
    u.identified = false;
    u.recognised = false;
    u.nagstate = 0;
    if (ns < 0) return;

    const Tnickserv& rec = nickreg(ns);
    if (u.nickts != 0 && u.nickts == rec.TS &&
        u.nick + "!" + u.ident + "@" + u.host == rec.lastmask) {
        NICKSEND(std::string(rec.privmsg ? "P " : "O ") + u.numeric +
                 " :You are recognised and identified");
        IDENTIFY(user, ns);
    } else {
        STARTNAG(user);
    }
}

void TForm1::STARTNAG(int32_t user) {
    if (!net.users.valid(user)) return;
    Tuser& u = this->user(user);
    if (u.nagstate != 0 || u.identified) return;
    u.nagstate = 1;
    u.recognised = NICKACCESS(user, u.nsindex, "") > 0;
    const std::string prefix = warnprefix(*this, u);
    NICKSEND(prefix + "This nick is owned by someone else. Please choose another.");
    if (u.recognised)
        NICKSEND(prefix + "If this is your nick, type: /msg " + cfg.nicknick +
                 " IDENTIFY <password>");
}

void TForm1::nagsteps() {
    for (int32_t i = 0; i <= net.users.highwater; ++i) {
        if (!net.users.valid(i)) continue;
        Tuser& u = user(i);
        if (u.identified || u.umode_o || u.nsindex == -1) continue;
        const std::string prefix = warnprefix(*this, u);
        switch (u.nagstate) {
        case 1:
            NICKSEND(prefix +
                     (cfg.usekill
                          ? "You will be disconnected in 60 seconds if you do not comply."
                          : "Your nick will be changed in 60 seconds if you do not comply."));
            u.nagstate = 2;
            break;
        case 2:
            NICKSEND(prefix + "You now have 40 seconds to change your nick. The nick you are "
                              "currently using is registered to another user.");
            u.nagstate = 3;
            break;
        case 3:
            NICKSEND(prefix +
                     "You now have 20 seconds to change your nick. If you do not comply, I "
                     "will change your nick for you. This is your final warning.");
            u.nagstate = 4;
            break;
        case 4:
            if (cfg.usekill) {
                NICKSEND("D " + u.numeric + " :" + cfg.servername + "!" + cfg.nicknick +
                         " (User did not identify)");
                REMOVEUSER(i);
            } else {
                std::uniform_int_distribution<int> pick(0, 89999);
                const std::string guest = "Guest" + std::to_string(10000 + pick(random));
                NICKSEND(prefix + "Your nick has been changed to " + guest + ".");
                MESEND("SN " + u.numeric + " " + guest);
                u.nagstate = -1;
            }
            break;
        default:
            break;
        }
    }
}

} // namespace tessel
