// NickServ INFO and LIST, and the listing of registered nicks.
#include <algorithm>
#include <string>

#include "bots/listing.h"
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
    const std::string uppattern = ircupper(pattern);
    const bool sop = net.users.valid(asking) && user(asking).servicesop;
    tlisting listing(max);
    const int32_t last = std::min(reg.nicks.highwater, reg.nicks.capacity() - 1);
    for (int32_t i = 0; i <= last; ++i) {
        if (!reg.nicks.valid(i)) continue;
        const Tnickserv& rec = nickreg(i);
        if (rec.private_ && !sop) continue;
        if (wildmatch(uppattern, rec.nickkey)) listing.offer(rec.nickkey, i);
    }
    listing.send(*this, prefix, [&](int32_t i) {
        const Tnickserv& rec = nickreg(i);
        return listingline(rec.nick, nickserv::onlineowner(*this, i) >= 0
                                         ? "<< ONLINE >>"
                                         : nickserv::visiblemask(*this, asking, rec.lastmask));
    });
}

} // namespace tessel
