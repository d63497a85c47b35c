// The services' own burst once the hub has accepted the link, and the
// re-sending of channels and G-lines OperServ asks for on a live link.
#include "engine/tform1.h"
#include "state/modelock.h"

namespace tessel {

void TForm1::SPAWNSERVICES() {
    const std::string& own = cfg.servernumeric;
    const std::string now = std::to_string(clock.now);
    const std::string boot = std::to_string(clock.boottime);
    if (cfg.settime) MESEND("SE :" + now);

    for (const tjupe& j : oper.jupes)
        if (j.used)
            MESEND("S " + j.servername + " 2 " + boot + " " + now + " P10 " + j.numeric +
                   "AAA 0 :JUPE " + j.reason);

    struct serviceclient {
        const std::string& nick;
        const char* modes;
        const char* client;
        const std::string& realname;
    };
    const serviceclient clients[] = {
        {cfg.channick, " +kd AAAAAA ", "AAA", cfg.changcos},
        {cfg.nicknick, " +kd AAAAAA ", "AAB", cfg.nickgcos},
        {cfg.memonick, " +kd AAAAAA ", "AAC", cfg.memogcos},
        {cfg.opernick, " +okd AAAAAA ", "AAD", cfg.opergcos},
    };
    for (const serviceclient& s : clients)
        MESEND("N " + s.nick + " 1 1 " + cfg.servuserid + " " + cfg.servhost + s.modes + own +
               s.client + " :" + s.realname);

    MESEND("B " + cfg.operchannel + " " + boot + " +ntsi " + own + "AAD:o");

    for (int32_t i = 0; i <= reg.chans.highwater && i < reg.chans.capacity(); ++i) {
        if (!reg.chans.valid(i)) continue;
        const Tchanserv& r = chanreg(i);
        if (cfg.umode == 1)
            MESEND("B " + r.channel + " " + std::to_string(r.TS) + " " + own + "AAA:o :%");
        const std::string lock = modelocksetup(r);
        if (!lock.empty()) CHANSEND("M " + r.channel + " " + lock);
        if (!r.topic.empty()) CHANSEND("T " + r.channel + " :" + r.topic);
    }
    MESEND("EB");
}

void TForm1::SENDRESETCHAN() {
    if (cfg.umode != 1) return;
    const std::string& own = cfg.servernumeric;
    for (int32_t i = 0; i <= reg.chans.highwater && i < reg.chans.capacity(); ++i) {
        if (!reg.chans.valid(i)) continue;
        const Tchanserv& r = chanreg(i);
        CHANSEND("J " + r.channel + " :" + std::to_string(clock.now));
        MESEND("M " + r.channel + " +o " + own + "AAA");
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
