// ChanServ SET: the options of a registered channel.
#include <string>

#include "bots/chanserv.h"
#include "engine/tform1.h"

namespace tessel::chanserv {

namespace {

const std::string kNoPrivileges =
    "Access denied. No privileges for this channel. Try /msg NickServ IDENTIFY <password>";

// What one SET sees: the registration, the sender's level on it and whether
// the sender is a Services operator (who passes every level check).
struct tsetting {
    TForm1& form;
    tbotmessage& msg;
    int32_t cs;
    Tchanserv& rec;
    int32_t level;
    bool servicesop;

    bool allowed(int32_t needed) const { return level >= needed || servicesop; }
    // The level check of the options that share the access-denied reply.
    bool permitted(int32_t needed) const {
        if (allowed(needed)) return true;
        msg.reply(form, kNoPrivileges);
        return false;
    }
};

// The ON/OFF options: one word turns them on or off, none toggles them,
// any other word leaves them alone and says nothing.
struct ttoggle {
    const char* name;
    bool Tchanserv::*flag;
    bool announced; // told to the channel; otherwise answered to the sender
};
constexpr ttoggle kToggles[] = {
    {"PRIVATE", &Tchanserv::private_, false},
    {"STRICTOP", &Tchanserv::strictop, true},
    {"OPEROP", &Tchanserv::operop, true},
    {"OPERONLY", &Tchanserv::operonly, true},
};

// The new value of an ON/OFF option, or nothing to do (-1).
int newstate(bool current, const std::string& word) {
    if ((word == "ON" || word.empty()) && !current) return 1;
    if ((word == "OFF" || word.empty()) && current) return 0;
    return -1;
}

// With STRICTOP just on, the ops without the right to be opped lose it.
void strictdeop(TForm1& form, int32_t cs) {
    const int32_t chan = livechannel(form, cs);
    if (chan < 0) return;
    const Tchannel& c = form.channel(chan);
    for (size_t p = 0; p < kChannelMembers; ++p) {
        const int32_t m = c.members[p];
        if (!form.net.users.valid(m) || !(c.memberstatus[p] & kStatusOp)) continue;
        const Tuser& member = form.user(m);
        if (member.umode_k || form.CHANACCESS(cs, m).level >= kLevelAop) continue;
        form.SETCHANMODE(chan, false, 'o', member.numeric);
    }
}

void toggle(tsetting& s, const ttoggle& t) {
    if (!s.permitted(kLevelSop)) return;
    const int state = newstate(s.rec.*t.flag, s.msg.upwords[3]);
    if (state < 0) return;
    s.rec.*t.flag = state == 1;
    const std::string& channel = s.rec.channel;
    if (!t.announced) {
        s.msg.reply(s.form, "Channel " + channel + (state ? " is now private" : " is no longer private"));
        return;
    }
    channelnotice(s.form, channel,
                  std::string(t.name) + (state ? " set to ON by " : " set to OFF by ") +
                      s.form.user(s.msg.user).nick);
    if (t.flag == &Tchanserv::strictop && state == 1) strictdeop(s.form, s.cs);
}

void password(tsetting& s) {
    if (!s.allowed(kLevelFounder)) {
        s.msg.reply(s.form, kNoPrivileges);
        return;
    }
    // Services operators too must know the old password.
    std::string refusal;
    if (checkchanpassword(s.form, s.msg, s.cs, s.msg.words[3], refusal) != kAccessGranted) {
        s.msg.reply(s.form, refusal.empty() ? "Password incorrect" : refusal);
        return;
    }
    if (s.msg.words[4].empty()) {
        s.msg.reply(s.form,
                    "Not enough parameters. syntax is SET <channel> PASSWORD <oldpass> <newpass>");
        return;
    }
    s.rec.password = storedpassword(s.form, s.msg.words[4]);
    s.msg.reply(s.form, "The password of " + s.rec.channel + " has been changed.");
}

void welcome(tsetting& s) {
    if (!s.permitted(kLevelSop)) return;
    const std::string text = wordsfrom(s.msg, 3);
    s.rec.welcome = text;
    s.msg.reply(s.form, "Welcome message for " + s.rec.channel +
                            (text.empty() ? " has been cleared." : " has been changed."));
}

void founder(tsetting& s) {
    TForm1& form = s.form;
    if (!s.allowed(kLevelFounder)) {
        s.msg.reply(form, "You must be the owner of the channel and have identified to use this "
                          "command.");
        return;
    }
    const bool admin = s.level < kLevelFounder;
    const int32_t target = form.GETNICK(s.msg.words[3]);
    if (target < 0 || !form.user(target).identified ||
        !form.reg.nicks.valid(form.user(target).nsindex)) {
        s.msg.reply(form, "The target user is not online or has not identified.");
        return;
    }
    const Tuser& t = form.user(target);
    const Tnickserv& ns = form.nickreg(t.nsindex);
    s.rec.owner = ns.nick;
    s.msg.reply(form, t.nick + " is now owner of " + s.rec.channel);
    form.CHANSEND((ns.privmsg ? "P " : "O ") + t.numeric + " :" + form.user(s.msg.user).nick +
                  " has given you ownership of channel " + s.rec.channel);
    if (admin) logadmin(form, "Admin: channel " + s.rec.channel + " owner changed to " + t.nick);
}

} // namespace

void set(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is SET <channel> <options>, use HELP SET "
                        "for the list of options.");
        return;
    }
    const int32_t cs = registeredchannel(form, msg);
    if (cs < 0) return;
    tsetting s{form, msg, cs, form.chanreg(cs), form.CHANACCESS(cs, msg.user).level,
               form.user(msg.user).servicesop};
    const std::string& option = msg.upwords[2];
    const std::string& channel = s.rec.channel;

    if (option == "MODELOCK") {
        if (!s.permitted(kLevelSop)) return;
        form.PARSEMODELOCK(cs, msg.words[3]);
        msg.reply(form, "The ModeLock of " + channel + " has been changed.");
    } else if (option == "URL") {
        if (!s.permitted(kLevelSop)) return;
        s.rec.url = msg.words[3];
        msg.reply(form, "The URL information of " + channel + " has been changed.");
    } else if (option == "PASSWORD") {
        password(s);
    } else if (option == "WELCOME") {
        welcome(s);
    } else if (option == "FOUNDER" || option == "OWNER") {
        founder(s);
    } else {
        for (const ttoggle& t : kToggles) {
            if (option != t.name) continue;
            toggle(s, t);
            return;
        }
        msg.reply(form, "Invalid parameters. Syntax is SET <option>. Type /msg " +
                            form.cfg.channick + " HELP SET for a list of valid options.");
    }
}

} // namespace tessel::chanserv
