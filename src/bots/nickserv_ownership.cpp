// NickServ REGISTER, IDENTIFY, GHOST/RECOVER and DROP: claiming a nick,
// proving ownership, removing an impostor and giving the nick up.
#include <string>

#include "bots/nickserv.h"
#include "engine/tform1.h"
#include "state/tableops.h"

namespace tessel::nickserv {

namespace {

// The owner hears of wrong passwords given for the nick since the last
// identification, unless this very client gave them all (a typing mistake).
void reportfailures(TForm1& form, const tbotmessage& msg, tfailedlogins& failed) {
    const bool own = failed.onlyclient == form.user(msg.user).numeric;
    if (failed.count > 0 && !own) {
        msg.reply(form, std::to_string(failed.count) +
                            (failed.count == 1 ? " failed password attempt"
                                               : " failed password attempts") +
                            " since your last identification, the last from " + failed.lastmask);
    }
    failed = tfailedlogins{};
}

} // namespace

void registernick(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is REGISTER <password> <email>");
        return;
    }
    Tuser& u = form.user(msg.user);
    if (!u.umode_o && !form.cfg.allownickreg) {
        msg.reply(form, "Users can't register their nick.");
        return;
    }
    if (msg.ns >= 0) {
        msg.reply(form, "This nick is already registered by someone. You can't register it.");
        return;
    }
    const int32_t ns = form.newnsslot();
    if (ns < 0 || ns >= form.reg.nicks.capacity()) {
        msg.reply(form, "The nick database is full. Your nick could not be registered.");
        return;
    }

    Tnickserv& rec = newrecord(form.reg.nicks, ns);
    form.SETNS(ns, u.nick);
    rec.password = form.encodepass(msg.words[1]);
    rec.access.set(0, "*@*");
    msg.reply(form, "Your nick is now registered");
    rec.identuser = msg.user;
    rec.regdate = rec.lastdate = form.clock.now;
    rec.TS = u.nickts;
    rec.lastmask = u.nick + "!" + u.ident + "@" + u.host;
    rec.gecos = u.realname;
    rec.email = msg.words[2];
    rec.private_ = false;
    u.nsindex = ns;
    u.identified = true;
    ++form.reg.nickcount;
    form.CHECKSOP(msg.user);
}

void identify(TForm1& form, tbotmessage& msg) {
    const tconfig& cfg = form.cfg;
    if (cfg.safeidentify && !msg.addressed) {
        msg.reply(form, "error: You can not use \"/msg " + cfg.nicknick +
                            "\" to identify. Use \"/msg " + cfg.nicknick + "@" + cfg.servername +
                            "\" or \"/nickserv\"");
        return;
    }
    if (msg.words[1].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is IDENTIFY <password>");
        return;
    }
    if (msg.ns < 0) {
        msg.reply(form, "Your nick is not registered.");
        return;
    }
    if (checkowner(form, msg, msg.ns, msg.words[1]) != kAccessGranted) return;
    msg.reply(form, "Password accepted, you are now recognized.");
    reportfailures(form, msg, form.nickreg(msg.ns).failed);
    form.IDENTIFY(msg.user, msg.ns);
}

void ghost(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form,
                  "Not enough parameters. Syntax is " + msg.upwords[0] + " <nick> <password>");
        return;
    }
    const std::string& nick = msg.words[1];
    int32_t ns = form.GETNS(nick);
    if (!form.reg.nicks.valid(ns)) {
        msg.reply(form, nick + " is not a registered nickname");
        return;
    }
    // The sender's own mask is what the access list is checked against.
    if (checkowner(form, msg, ns, msg.words[2]) != kAccessGranted) return;
    int32_t target = form.GETNICK(nick);
    if (!form.net.users.valid(target)) {
        msg.reply(form, "no such nick: " + nick);
        return;
    }
    msg.reply(form, nick + " has been killed.");
    form.NICKSEND("D " + form.user(target).numeric + " :" + form.cfg.servername + "!" +
                  form.cfg.nicknick + " (Kill requested by " + form.user(msg.user).nick + ")");
    // The target may be the sender: nothing may touch the sender after this.
    form.REMOVEUSER(target);
}

void drop(TForm1& form, tbotmessage& msg) {
    if (msg.words[1].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is DROP <password>");
        return;
    }
    const int32_t result = checkowner(form, msg, msg.ns, msg.words[1]);
    if (result == kAccessNoRecord) msg.reply(form, "Your nick is not registered.");
    if (result != kAccessGranted) return;
    Tuser& u = form.user(msg.user);
    u.identified = false;
    u.nsindex = -1;
    form.dropnick(msg.ns);
    msg.reply(form, "Your nick has been unregistered.");
}

} // namespace tessel::nickserv
