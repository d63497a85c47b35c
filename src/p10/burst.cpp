// The services' own burst once the hub has accepted the link, and the
// re-sending of channels and G-lines OperServ asks for on a live link.
#include "bots/services.h"
#include "engine/tform1.h"
#include "state/modelock.h"

namespace tessel {

void TForm1::SPAWNSERVICES() {
    const std::string now = std::to_string(clock.now);
    const std::string boot = std::to_string(clock.boottime);
    if (cfg.settime) MESEND("SE :" + now);

    for (const tjupe& j : oper.jupes)
        if (j.used)
            MESEND("S " + j.servername + " 2 " + boot + " " + now + " P10 " + j.numeric +
                   "AAA 0 :JUPE " + j.reason);

    // The clients in the order the network has always seen them; OperServ
    // alone is an operator.
    struct serviceclient {
        int bot;
        const char* modes;
    };
    constexpr serviceclient clients[] = {
        {kBotChanServ, " +kd AAAAAA "},
        {kBotNickServ, " +kd AAAAAA "},
        {kBotMemoServ, " +kd AAAAAA "},
        {kBotOperServ, " +okd AAAAAA "},
    };
    for (const serviceclient& c : clients) {
        const tserviceidentity& s = *serviceidentity(c.bot);
        MESEND("N " + cfg.*s.nick + " 1 1 " + cfg.servuserid + " " + cfg.servhost + c.modes +
               servicenumeric(cfg, c.bot) + " :" + cfg.*s.gcos);
    }

    const std::string chanserv = servicenumeric(cfg, kBotChanServ);
    MESEND("B " + cfg.operchannel + " " + boot + " +ntsi " + servicenumeric(cfg, kBotOperServ) +
           ":o");

    for (int32_t i = 0; i <= reg.chans.highwater && i < reg.chans.capacity(); ++i) {
        if (!reg.chans.valid(i)) continue;
        const Tchanserv& r = chanreg(i);
        if (cfg.umode == 1)
            MESEND("B " + r.channel + " " + std::to_string(r.TS) + " " + chanserv + ":o :%");
        const std::string lock = modelocksetup(r);
        if (!lock.empty()) CHANSEND("M " + r.channel + " " + lock);
        if (!r.topic.empty()) CHANSEND("T " + r.channel + " :" + r.topic);
    }
    MESEND("EB");
}

void TForm1::SENDRESETCHAN() {
    if (cfg.umode != 1) return;
    const std::string chanserv = servicenumeric(cfg, kBotChanServ);
    for (int32_t i = 0; i <= reg.chans.highwater && i < reg.chans.capacity(); ++i) {
        if (!reg.chans.valid(i)) continue;
        const Tchanserv& r = chanreg(i);
        CHANSEND("J " + r.channel + " :" + std::to_string(clock.now));
        MESEND("M " + r.channel + " +o " + chanserv);
        if (!r.topic.empty()) CHANSEND("T " + r.channel + " :" + r.topic);
        const std::string lock = modelocktext(r);
        if (!lock.empty()) CHANSEND("M " + r.channel + " " + lock);
    }
}

void TForm1::SENDRESET() {
    SENDRESETCHAN();
}

void TForm1::SENDRESETGLINE() {
    for (const tgline& g : oper.glines)
        if (g.used && g.expires > clock.now) SENDGLINE(g.mask, g.expires - clock.now, g.reason);
}

} // namespace tessel
