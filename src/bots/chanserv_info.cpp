// ChanServ INFO and LIST, and the listing of registered channels.
#include <algorithm>
#include <string>

#include "bots/chanserv.h"
#include "bots/listing.h"
#include "engine/tform1.h"
#include "p10/ircupper.h"
#include "registry/timetext.h"
#include "registry/wildmatch.h"

namespace tessel {

namespace chanserv {

namespace {

std::string optionstext(const Tchanserv& rec) {
    std::string text;
    if (rec.private_) text += "Private, ";
    if (rec.strictop) text += "StrictOp, ";
    if (rec.operop) text += "OperOp, ";
    if (rec.operonly) text += "OperOnly, ";
    if (!text.empty()) text.resize(text.size() - 2);
    return text;
}

std::string locktext(const Tchanserv& rec) {
    std::string text;
    if (!rec.mlockon.empty()) text += "+" + rec.mlockon;
    if (!rec.mlockoff.empty()) text += "-" + rec.mlockoff;
    return text;
}

} // namespace

void info(TForm1& form, tbotmessage& msg) {
    if (msg.words[1].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is INFO <channel>");
        return;
    }
    const int32_t cs = form.GETCS(msg.words[1]);
    if (!form.reg.chans.valid(cs)) {
        msg.reply(form, "No such registered channel: " + msg.words[1]);
        return;
    }
    const Tchanserv& rec = form.chanreg(cs);
    const int32_t chan = livechannel(form, cs);
    if (!form.user(msg.user).umode_o && form.CHANACCESS(cs, msg.user).level <= kLevelNone &&
        chan >= 0 && form.channel(chan).cmode_s) {
        msg.reply(form, "No information available about channel: " + msg.words[1]);
        return;
    }
    const int64_t now = form.clock.now;
    msg.reply(form, "Information about " + rec.channel);
    if (!rec.url.empty()) msg.reply(form, "      URL: " + rec.url);
    msg.reply(form, "     Owner: " + rec.owner);
    if (rec.ownerpresent)
        msg.reply(form, " Is currently in the channel");
    else
        msg.reply(form, " Last seen: " + durationtext(now - rec.lastdate) + " ago");
    msg.reply(form, "     Topic: " + rec.topic);
    if (!rec.welcome.empty()) msg.reply(form, "   Welcome: " + rec.welcome);
    msg.reply(form, "Registered: " + durationtext(now - rec.regdate) + " ago");
    const std::string options = optionstext(rec);
    if (!options.empty()) msg.reply(form, "   Options: " + options);
    const std::string lock = locktext(rec);
    if (!lock.empty()) msg.reply(form, "  ModeLock: " + lock);
}

void list(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Syntax: LIST <pattern> [max]");
        msg.reply(form, "Type /msg " + form.cfg.channick + " HELP LIST for more information.");
        return;
    }
    form.CHANLIST(msg.prefix, msg.words[1], msg.user, smallnumber(msg.words[2]));
}

} // namespace chanserv

void TForm1::CHANLIST(const std::string& prefix, const std::string& pattern, int32_t asking,
                      int32_t max) {
    const std::string uppattern = ircupper(pattern);
    const bool sop = net.users.valid(asking) && user(asking).servicesop;
    tlisting listing(max);
    const int32_t last = std::min(reg.chans.highwater, reg.chans.capacity() - 1);
    for (int32_t i = 0; i <= last; ++i) {
        if (!reg.chans.valid(i)) continue;
        const Tchanserv& rec = chanreg(i);
        if (!wildmatch(uppattern, rec.chankey)) continue;
        // Hidden channels are hidden while they are on the network.
        const int32_t chan = chanserv::livechannel(*this, i);
        if (!sop && chan >= 0 &&
            (channel(chan).cmode_s || channel(chan).cmode_p || rec.private_))
            continue;
        listing.offer(rec.chankey, i);
    }
    listing.send(*this, prefix,
                 [&](int32_t i) { return listingline(chanreg(i).channel, chanreg(i).topic); });
}

} // namespace tessel
