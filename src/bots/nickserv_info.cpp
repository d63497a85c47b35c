// NickServ INFO and LIST, and the sorted listing of registered nicks.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "bots/nickserv.h"
#include "engine/tform1.h"
#include "p10/ircupper.h"
#include "registry/timetext.h"
#include "registry/wildmatch.h"

namespace tessel {

namespace nickserv {

void info(TForm1& form, tbotmessage& msg) {
    const std::string& nick = msg.words[1];
    if (nick.empty()) {
        msg.reply(form, "Not enough parameters. Syntax is INFO <nick>");
        return;
    }
    int32_t ns = form.GETNS(nick);
    if (!form.reg.nicks.valid(ns)) {
        msg.reply(form, nick + " is not a registered nickname");
        return;
    }
    const Tnickserv& rec = form.nickreg(ns);
    const Tuser& asker = form.user(msg.user);
    const int32_t online = onlineowner(form, ns);
    if (rec.private_ && online != msg.user && !asker.umode_o) {
        msg.reply(form, "information about nick " + nick + " is private");
        return;
    }
    const int32_t now = form.clock.now;
    msg.reply(form,
              rec.gecos.empty() ? "Information about " + rec.nick : rec.nick + " is " + rec.gecos);
    if (online < 0)
        msg.reply(form, "Last seen address: " + visiblemask(form, msg.user, rec.lastmask));
    if (asker.umode_o && !rec.email.empty()) msg.reply(form, "    Email Address: " + rec.email);
    if (!rec.url.empty()) msg.reply(form, "              URL: " + rec.url);
    msg.reply(form, "       Registered: " + durationtext(int64_t{now} - rec.regdate) + " ago");
    if (online < 0)
        msg.reply(form, "        Last seen: " + durationtext(int64_t{now} - rec.lastdate) + " ago");
    else
        msg.reply(form, "This user is currently online, type /whois " + form.user(online).nick +
                            " for more information.");
    if (asker.identified && msg.ns >= 0 && form.ONIGNORE(ns, msg.ns))
        msg.reply(form, "This user has you on ignore.");
}

void list(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Syntax: LIST <pattern> [max]");
        msg.reply(form, "Type /msg " + form.cfg.nicknick + " HELP LIST for more information.");
        return;
    }
    form.NICKLIST(msg.prefix, msg.words[1], msg.user, smallnumber(msg.words[2]));
}

} // namespace nickserv

void TForm1::NICKLIST(const std::string& prefix, const std::string& pattern, int32_t asking,
                      int32_t max) {
    if (max > 100) max = 100;
    const std::string uppattern = ircupper(pattern);
    const bool sop = net.users.valid(asking) && user(asking).servicesop;

    std::vector<std::pair<std::string, int32_t>> selected; // upper-cased nick, slot
    const int32_t last = std::min(reg.nicks.highwater, reg.nicks.capacity() - 1);
    for (int32_t i = 0; i <= last; ++i) {
        if (!reg.nicks.valid(i)) continue;
        const Tnickserv& rec = nickreg(i);
        if (rec.private_ && !sop) continue;
        std::string key = ircupper(rec.nick);
        if (wildmatch(uppattern, key)) selected.emplace_back(std::move(key), i);
    }
    const size_t total = selected.size();
    std::sort(selected.begin(), selected.end());

    // Ascending order of the upper-cased nick; a key equal to the one shown
    // last, or from byte 255 on, is never shown.
    size_t shown = 0;
    std::string lastkey;
    for (const auto& [key, i] : selected) {
        if (key <= lastkey) continue;
        if (static_cast<unsigned char>(key[0]) == 0xFF) break;
        const Tnickserv& rec = nickreg(i);
        std::string line = "    " + rec.nick + " ";
        if (line.size() < 32) line.resize(32, ' ');
        line += nickserv::onlineowner(*this, i) >= 0
                    ? "<< ONLINE >>"
                    : nickserv::visiblemask(*this, asking, rec.lastmask);
        SEND(prefix + line);
        lastkey = key;
        ++shown;
        if (static_cast<int64_t>(shown) >= max || shown >= total) break;
    }
    SEND(prefix + "End of list - " + std::to_string(shown) + "/" + std::to_string(total) +
         " matches shown.");
}

} // namespace tessel
