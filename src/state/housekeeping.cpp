// The two periodic timers: the one-second clock with saves, time broadcasts
// and the clone scan; the twenty-second expiry of G-lines and registrations
// and the nick-protection warnings.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/tform1.h"

namespace tessel {

namespace {

constexpr int64_t kDay = 86400;
constexpr int32_t kSaveInterval = 180;
constexpr int32_t kClockInterval = 1800;
constexpr int32_t kCloneInterval = 4;
// A G-line this close to its end is dropped now rather than at the next run.
constexpr int64_t kGlineMargin = 20;

} // namespace

void TForm1::TIMER1TIMER() {
    clocktick();
    clock.now += 1;
    if (link.linkstate == 0) return;
    if (clock.now % kSaveInterval == 0) {
        SAVEDB();
        if (clock.now % kClockInterval == 0 && cfg.settime)
            MESEND("SE " + std::to_string(clock.now));
    }
    if (clock.now % kCloneInterval == 0 && (cfg.clonekill > 0 || cfg.clonewarn > 0)) clonescan();
    SENDFLUSH();
}

void TForm1::clonescan() {
    // Every connection of a host that has a newcomer, in slot order. A host is
    // only looked at again when a new connection from it arrives.
    std::unordered_map<std::string, std::vector<int32_t>> hosts;
    for (int32_t i = 0; i <= net.users.highwater; ++i)
        if (net.users.valid(i) && !user(i).clonechecked) hosts.try_emplace(user(i).host);
    if (hosts.empty()) return;
    for (int32_t i = 0; i <= net.users.highwater; ++i) {
        if (!net.users.valid(i)) continue;
        auto it = hosts.find(user(i).host);
        if (it != hosts.end()) it->second.push_back(i);
    }

    for (int32_t i = 0; i <= net.users.highwater; ++i) {
        if (!net.users.valid(i) || user(i).clonechecked) continue;
        const std::vector<int32_t>& group = hosts.at(user(i).host);
        for (int32_t j : group)
            user(j).clonechecked = true;
        int32_t count = static_cast<int32_t>(group.size());

        if (cfg.clonewarn > 0 && count >= cfg.clonewarn) {
            const Tuser& u = user(i);
            OPERSEND("WA :Clone warning: " + std::to_string(count) + " clones from " + u.nick +
                     "!" + u.ident + "@" + u.host);
        }
        if (cfg.clonekill > 0 && count >= cfg.clonekill) {
            // Newest connections first; operators count but are never cut.
            for (auto it = group.rbegin(); it != group.rend(); ++it) {
                if (!net.users.valid(*it) || user(*it).umode_o) continue;
                if (count >= cfg.clonekill) {
                    OPERSEND("D " + user(*it).numeric + " :" + cfg.servername + "!" + cfg.opernick +
                             " (Too many connections from your host)");
                    REMOVEUSER(*it);
                }
                --count;
            }
        }
    }
}

void TForm1::TIMER2TIMER() {
    for (tgline& g : oper.glines) {
        if (!g.used || int64_t{g.expires} >= clock.now + kGlineMargin) continue;
        LOGWRITE(kLogGlineGone, "G-line expired: " + g.mask + " " + g.reason);
        g = tgline{};
    }

    if (cfg.nickexpire > 0) {
        const int64_t keep = cfg.nickexpire * kDay;
        for (int32_t i = 0; i <= reg.nicks.highwater && i < reg.nicks.capacity(); ++i) {
            if (!reg.nicks.valid(i)) continue;
            const Tnickserv& rec = nickreg(i);
            if (rec.lastdate + keep >= clock.now) continue;
            const int32_t holder = GETNICK(rec.nick);
            if (holder >= 0) {
                user(holder).nagstate = -1;
                user(holder).nsindex = -1;
                user(holder).identified = false;
            }
            NICKSEND("WA :Registered nick " + rec.nick + " expired");
            freensslot(i);
        }
    }

    if (cfg.chanexpire > 0) {
        const int64_t keep = cfg.chanexpire * kDay;
        for (int32_t i = 0; i <= reg.chans.highwater && i < reg.chans.capacity(); ++i) {
            if (!reg.chans.valid(i)) continue;
            const Tchanserv& rec = chanreg(i);
            if (rec.lastdate + keep >= clock.now || rec.ownerpresent) continue;
            CHANSEND("WA :Registered channel " + rec.channel + " expired");
            if (net.channels.valid(rec.chanindex) && channel(rec.chanindex).csindex == i)
                channel(rec.chanindex).csindex = -1;
            freecsslot(i);
        }
    }

    nagsteps();
    SENDFLUSH();
}

} // namespace tessel
