#pragma once

#include <string>
#include <vector>

#include "bots/botfixture.h"
#include "registry/encodepass.h"
#include "support/netpicture.h"

namespace tesseltest {

// Identifies an online user to the registration of its nick, made with the
// given password when there is none.
inline int32_t identifyuser(tessel::TForm1& form, int32_t u, const std::string& password) {
    tessel::Tuser& usr = form.user(u);
    int32_t ns = form.GETNS(usr.nick);
    if (ns < 0) ns = placenickreg(form, usr.nick, tessel::encodepass(password, true));
    usr.identified = true;
    usr.nsindex = ns;
    form.nickreg(ns).identuser = u;
    form.CHECKSOP(u);
    return u;
}

// ChanServ on the harness: users who are identified to their registered
// nicks, channels they sit in, registrations made straight in the tables.
class ChanServTest : public BotTest {
protected:
    using Lines = std::vector<std::string>;

    // A user identified to the registration of its nick (created when there
    // is none), with the password "secret".
    int32_t identified(const std::string& nick, const std::string& numeric,
                       const std::string& modes = "") {
        return identifyuser(h.form, h.adduser(nick, numeric, modes), "secret");
    }
    // Membership in a channel (created when needed), without join handling.
    int32_t member(const std::string& channel, int32_t u, bool op = false) {
        const int32_t chan = placechannel(h.form, channel);
        placemember(h.form, chan, u, op ? tessel::kStatusOp : 0);
        return chan;
    }
    // A registration of `channel` owned by `owner`, password "pw", linked to
    // the live channel when it exists.
    tessel::Tchanserv& regchannel(const std::string& channel, const std::string& owner) {
        const int32_t cs = placechanreg(h.form, channel, owner);
        h.form.chanreg(cs).password = tessel::encodepass("pw", true);
        return h.form.chanreg(cs);
    }
    tessel::Tchanserv* chanrecord(const std::string& channel) {
        const int32_t cs = h.form.GETCS(channel);
        return h.form.reg.chans.valid(cs) ? &h.form.chanreg(cs) : nullptr;
    }

    // What the services send when `from` messages ChanServ.
    Lines cs(const std::string& from, const std::string& text) { return say(from, text, kChanServ); }
    static std::string reply(const std::string& to, const std::string& text) {
        return notice(to, text, kChanServ);
    }
    static Lines replies(const std::string& to, const std::vector<std::string>& texts) {
        Lines out;
        for (const auto& t : texts)
            out.push_back(reply(to, t));
        return out;
    }
    // A line ChanServ sends to the network.
    static std::string chanserv(const std::string& text) { return kChanServ + " " + text; }
};

} // namespace tesseltest
