// OperServ's commands that act on the network: kills, invitations, global
// notices, the clock, G-lines, channel kills, raw lines, forced modes,
// options and jupes.
#include <cctype>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "bots/operserv.h"
#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "p10/ircupper.h"
#include "p10/numerics.h"

namespace tessel::operserv {

namespace {

// Longest G-line an IRC operator who is not a Services operator may set.
constexpr int64_t kGlineOperLimit = 86400;
// Digits a G-line duration may have, before its unit letter.
constexpr size_t kGlineDurationDigits = 10;
constexpr int kJupeNumericLength = 2;

struct tdurationunit {
    char letter; // upper case, the word is upper-cased
    int64_t seconds;
};
constexpr tdurationunit durationunits[] = {
    {'H', 3600}, {'D', 86400}, {'W', 604800}, {'M', 2592000}, {'Y', 31536000},
};

// KILL and INVITE act in the caller's name and need it proven.
bool identifiedcaller(TForm1& form, const tbotmessage& msg) {
    if (form.user(msg.user).identified && msg.ns >= 0) return true;
    msg.reply(form, "You have to be identied to use this command.");
    return false;
}

// Seconds of a duration word ("30", "2W", "1Y"), -1 for anything else.
int64_t durationseconds(std::string_view word) {
    int64_t factor = 1;
    if (!word.empty()) {
        for (const tdurationunit& unit : durationunits) {
            if (word.back() == unit.letter) {
                factor = unit.seconds;
                word.remove_suffix(1);
                break;
            }
        }
    }
    if (word.empty() || word.size() > kGlineDurationDigits) return -1;
    int64_t value = 0;
    for (char c : word) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        value = value * 10 + (c - '0');
    }
    return value * factor;
}

// Kills one user as OperServ and takes it out of the picture.
void killuser(TForm1& form, int32_t target, const std::string& killtext) {
    form.OPERSEND("D " + form.user(target).numeric + " :" + form.cfg.servername + "!" +
                  form.cfg.opernick + " (" + killtext);
    form.REMOVEUSER(target);
}

// Feeds a line the services sent back through the dispatcher, so their
// picture follows; the modes it carries are applied without enforcement.
void feedback(TForm1& form, const std::string& line) {
    const bool unchecked = form.modes.uncheckedmodes;
    form.modes.uncheckedmodes = true;
    form.PARSECOMMAND(line);
    form.modes.uncheckedmodes = unchecked;
}

bool serverlinked(const TForm1& form, const std::string& upname) {
    for (const tserver& s : form.net.servers)
        if (s.inuse && s.namekey == upname) return true;
    return false;
}

void gladd(TForm1& form, tbotmessage& msg, const std::string& typed) {
    if (msg.words[3].empty()) {
        msg.reply(form, "Not enough parameteres");
        return;
    }
    const Tuser& caller = form.user(msg.user);
    std::string mask = typed;
    const int32_t target = form.GETNICK(typed);
    if (form.net.users.valid(target)) mask = "*@" + form.user(target).host;
    if (mask.find('@') == std::string::npos) mask.insert(0, "*@");

    const int32_t now = form.clock.now;
    int64_t duration = durationseconds(msg.upwords[2]);
    if (int64_t{now} + duration > std::numeric_limits<int32_t>::max())
        duration = int64_t{std::numeric_limits<int32_t>::max()} - now;
    if (duration <= 0 || (duration > kGlineOperLimit && !caller.servicesop)) {
        msg.reply(form, "Invalid duration");
        return;
    }
    const std::string reason = joinedwords(msg, 3);
    announce(form, msg, "GLINE " + mask + " " + msg.words[2] + " " + reason);
    const auto seconds = static_cast<int32_t>(duration);
    form.SENDGLINE(mask, seconds, reason);
    form.ADDGLINE(mask, now + seconds, reason, caller.nick);
}

void glremove(TForm1& form, tbotmessage& msg, const std::string& typed) {
    form.SENDUNGLINE(typed);
    std::string key = ircupper(typed);
    if (key.find('@') == std::string::npos) key.insert(0, "*@");
    for (tgline& g : form.oper.glines) {
        if (!g.used || ircupper(g.mask) != key) continue;
        g.used = false;
        announce(form, msg, "GLINE -" + g.mask + " (" + g.reason + ")");
        form.LOGWRITE(kLogGlineGone, "G-line removed: " + g.mask + " " +
                                         std::to_string(g.expires) + " " + g.reason);
    }
}

void jupeadd(TForm1& form, tbotmessage& msg, int free, int existing) {
    const std::string& name = msg.words[2];
    if (serverlinked(form, msg.upwords[2])) {
        msg.reply(form, "server " + name +
                            " is currently on the network, remove it before adding the jupe");
        return;
    }
    std::string numeric = msg.words[3];
    if (numeric.size() == 1) numeric.insert(0, "A");
    const int32_t number = decodenumeric(numeric);
    // A numeric outside the digit alphabet could never name a server.
    if (numeric.size() != kJupeNumericLength || number < 0) {
        msg.reply(form, "Invalid numeric");
        return;
    }
    const int32_t holder = form.net.serverbynumber[number];
    if (holder >= 0 && holder < kServerCapacity && form.net.servers[holder].inuse) {
        msg.reply(form, "numeric is already used by another server");
        return;
    }
    bool taken = existing >= 0;
    for (const tjupe& j : form.oper.jupes)
        if (j.used && j.numeric == numeric) taken = true;
    if (taken) {
        msg.reply(form, "name or numeric is already used by another jupe");
        return;
    }
    if (free < 0) {
        msg.reply(form, "Jupe list is full, remove a jupe first");
        return;
    }
    tjupe& j = form.oper.jupes[free];
    j.used = true;
    j.servername = name;
    j.numeric = numeric;
    j.reason = wordlist(msg, 4);
    form.MESEND("S " + j.servername + " 2 " + std::to_string(form.clock.boottime) + " " +
                std::to_string(form.clock.now) + " P10 " + j.numeric + "AAA 0 :JUPE " + j.reason);
    msg.reply(form, "Jupe added");
}

} // namespace

void kill(TForm1& form, tbotmessage& msg) {
    if (!identifiedcaller(form, msg)) return;
    const std::string reason = joinedwords(msg, 2);
    announce(form, msg, "KILL " + msg.words[1] + " " + reason);
    const std::string& caller = form.user(msg.user).nick;
    const std::string killtext = reason.empty() ? caller + ")" : "(" + caller + ") " + reason + ")";

    const int32_t target = form.GETNICK(msg.words[1]);
    if (form.net.users.valid(target)) {
        killuser(form, target, killtext);
        return;
    }
    const int32_t chan = form.GETCHANNAME(msg.words[1]);
    if (!form.net.channels.valid(chan)) return;
    // Taken first: every kill changes the member list, and the last one may
    // free the channel.
    std::vector<int32_t> victims;
    const Tchannel& c = form.channel(chan);
    for (size_t p = 0; p < c.members.stored(); ++p) {
        const int32_t m = c.members[p];
        if (form.net.users.valid(m) && !form.user(m).umode_o) victims.push_back(m);
    }
    for (int32_t m : victims)
        if (form.net.users.valid(m)) killuser(form, m, killtext);
}

void invite(TForm1& form, tbotmessage& msg) {
    if (!identifiedcaller(form, msg)) return;
    announce(form, msg, "INVITE " + msg.words[1]);
    form.OPERSEND("I " + form.user(msg.user).nick + " " + msg.words[1]);
}

void news(TForm1& form, tbotmessage& msg) {
    form.SEND(":" + form.cfg.opernick + " PRIVMSG $* :" + wordlist(msg, 1) + "<" +
              form.user(msg.user).nick + ">");
}

void settime(TForm1& form, tbotmessage& msg) {
    const std::string& word = msg.words[1];
    if (form.user(msg.user).servicesop && !word.empty() && (word[0] == '+' || word[0] == '-')) {
        const std::string_view digits = std::string_view(word).substr(1);
        const bool valid = !digits.empty() && std::isdigit(static_cast<unsigned char>(digits[0]));
        const int64_t amount = valid ? decimalor(digits, 0) : 0;
        const int64_t shift = word[0] == '-' ? -amount : amount;
        form.shiftclock(shift);
        msg.reply(form, "Time adjusted " + std::to_string(shift) + " seconds.");
    }
    announce(form, msg, "SETTIME " + word);
    form.MESEND("SE :" + std::to_string(form.clock.now));
}

void gline(TForm1& form, tbotmessage& msg) {
    std::string typed = msg.words[1];
    bool adding = true;
    if (!typed.empty() && (typed[0] == '+' || typed[0] == '-')) {
        adding = typed[0] == '+';
        typed.erase(0, 1);
    }
    // A sign alone names no mask; a removal of nothing would go out as a
    // broken line.
    if (typed.empty()) {
        msg.reply(form, "Not enough parameteres");
        return;
    }
    if (adding)
        gladd(form, msg, typed);
    else
        glremove(form, msg, typed);
}

void killchannel(TForm1& form, tbotmessage& msg) {
    if (msg.words[1].empty()) {
        msg.reply(form, "Give a channel name");
        return;
    }
    const int32_t chan = form.GETCHANNAME(msg.words[1]);
    if (!form.net.channels.valid(chan)) {
        msg.reply(form, "Channel does not exist");
        return;
    }
    announce(form, msg, "KILLCHANNEL " + form.channel(chan).name);
    form.KILLCHANNEL(chan);
}

void raw(TForm1& form, tbotmessage& msg) {
    const std::string text = joinedwords(msg, 1);
    announce(form, msg, "RAW " + text);
    form.LOGWRITE(kLogAdmin, "Admin: RAW from " + form.user(msg.user).nick + ": " + text);
    form.SEND(text);
    feedback(form, text);
}

void mode(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters.");
        return;
    }
    const std::string typed = joinedwords(msg, 1);
    // The network knows users by their numerics.
    std::string numerics;
    for (int i = 1; i < kBotWords && !msg.words[i].empty(); ++i) {
        if (i > 1) numerics += ' ';
        const int32_t u = form.GETNICK(msg.words[i]);
        numerics += form.net.users.valid(u) ? form.user(u).numeric : msg.words[i];
    }
    announce(form, msg, "MODE " + typed);
    form.LOGWRITE(kLogAdmin, "Admin: MODE from " + form.user(msg.user).nick + ": " + typed);
    form.MESEND("M " + numerics);
    feedback(form, form.cfg.servernumeric + " M " + numerics);
}

void options(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters.");
        return;
    }
    const std::string text = joinedwords(msg, 1);
    announce(form, msg, "OPTIONS " + text);
    form.LOGWRITE(kLogAdmin, "Admin: OPTIONS from " + form.user(msg.user).nick + ": " + text);
    form.MESEND("OPTIONS " + text);
}

void jupe(TForm1& form, tbotmessage& msg) {
    if (msg.words[1].empty()) {
        msg.reply(form, "Not enough parameters.");
        return;
    }
    int free = -1;
    int existing = -1;
    for (int i = 0; i < kJupeCapacity; ++i) {
        const tjupe& j = form.oper.jupes[i];
        if (!j.used)
            free = i;
        else if (ircupper(j.servername) == msg.upwords[2])
            existing = i;
    }
    if (msg.upwords[1] == "ADD") {
        jupeadd(form, msg, free, existing);
        return;
    }
    if (msg.upwords[1] == "DEL") {
        if (existing < 0) {
            msg.reply(form, "Jupe " + msg.words[2] + " does not exist");
            return;
        }
        tjupe& j = form.oper.jupes[existing];
        form.MESEND("SQ " + j.servername + " 0 :Jupe removed by " + form.user(msg.user).nick);
        j = tjupe{};
        msg.reply(form, "Jupe removed");
        return;
    }
    msg.reply(form, "Jupe list");
    for (const tjupe& j : form.oper.jupes)
        if (j.used) msg.reply(form, "   " + j.servername + "   " + j.reason);
}

} // namespace tessel::operserv
