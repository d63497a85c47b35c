// Servers joining and leaving the network: the hub's own SERVER line that
// completes the link, server introductions (S) and server quits (SQ).
#include <optional>

#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "p10/ircupper.h"
#include "p10/numerics.h"
#include "registry/wildmatch.h"

namespace tessel {

namespace {

// The server number and client capacity mask of an announced numeric field
// ("AKAP]": server AK, mask AP]). Nothing when the field is not a numeric.
struct announcednumeric {
    int32_t number;
    int32_t mask;
};

std::optional<announcednumeric> readannounced(const std::string& field) {
    const std::string numeric = normalisenumeric(field);
    if (numeric.size() < 2) return std::nullopt;
    const int32_t number = decodenumeric(numeric.substr(0, 2));
    const int32_t mask = decodenumeric(numeric.substr(2));
    if (number < 0 || number >= kServerNumbers || mask < 0) return std::nullopt;
    return announcednumeric{number, mask};
}

void fillserver(TForm1& form, int32_t slot, const tlinewords& w, const announcednumeric& n,
                int32_t uplink) {
    tserver& s = form.net.servers[slot];
    s.inuse = true;
    s.name = w.words[1];
    s.namekey = w.upwords[1];
    s.numeric = n.number;
    s.mask = n.mask;
    s.slots.assign(static_cast<size_t>(n.mask) + 1, -1);
    s.uplink = uplink;
    form.net.serverbynumber[n.number] = slot;
}

// A server may announce an older network boot time than the services know.
void adoptboottime(TForm1& form, const std::string& word) {
    const int32_t t = decimalor(word, 0);
    if (t != 0 && t < form.clock.boottime) form.clock.boottime = t;
}

} // namespace

// SERVER name hops boottime linktime J10 numeric+capacity flags :description
void TForm1::onserver(const tlinewords& w) {
    if (link.linkstate != 1) return;
    if (w.words[7].empty() || w.words[5] != "J10") {
        TERMINATE();
        return;
    }
    const auto announced = readannounced(w.words[6]);
    if (!announced) {
        LOGWRITE(kLogInvalid, "Invalid: hub announced no usable numeric: " + w.line);
        TERMINATE();
        return;
    }
    if (announced->number == cfg.servernumber) {
        TERMINATE();
        return;
    }

    link.linkstate = 2;
    link.uplinkname = w.words[1];
    tserver& hub = net.servers[1];
    if (hub.numeric >= 0 && net.serverbynumber[hub.numeric] == 1)
        net.serverbynumber[hub.numeric] = -1;
    fillserver(*this, 1, w, *announced, -1);
    adoptboottime(*this, w.words[4]);
    SPAWNSERVICES();
}

// S name hops boottime linktime protocol numeric+capacity ... :description
void TForm1::onserverintro(const tlinewords& w) {
    const auto announced = readannounced(w.words[6]);
    if (announced && announced->number == cfg.servernumber) {
        TERMINATE();
        return;
    }
    if (!announced) {
        LOGWRITE(kLogInvalid, "Invalid: server introduced without a usable numeric: " + w.line);
        return;
    }
    if (net.serverbynumber[announced->number] >= 0) {
        LOGWRITE(kLogInvalid, "Invalid: server introduced with a numeric in use: " + w.line);
        return;
    }
    int32_t slot = -1;
    for (int32_t i = 0; i < kServerCapacity; ++i) {
        if (!net.servers[i].inuse) {
            slot = i;
            break;
        }
    }
    // Without a slot the server stays unknown; its users are then refused as
    // users of an unknown server, so the picture stays consistent.
    if (slot < 0) {
        LOGWRITE(kLogInvalid, "Invalid: no free server slot for: " + w.line);
        return;
    }

    LOGWRITE(kLogServerLink, "Server connection: " + w.words[1]);
    const int32_t from = decodenumeric(w.source);
    const int32_t uplink = from >= 0 && from < kServerNumbers ? net.serverbynumber[from] : -1;
    fillserver(*this, slot, w, *announced, uplink);
    adoptboottime(*this, w.words[4]);
}

// SQ name time :reason. A juped server leaving only ends its jupe.
void TForm1::onsquit(const tlinewords& w) {
    for (tjupe& j : oper.jupes) {
        if (j.used && wildmatch(w.upwords[1], ircupper(j.servername))) {
            j.used = false;
            return;
        }
    }
    for (int32_t i = 0; i < kServerCapacity; ++i) {
        const tserver& s = net.servers[i];
        if (!s.inuse || s.namekey != w.upwords[1]) continue;
        // The services' own server is never taken out of the table: the link
        // is about to drop and the picture is rebuilt on the next link.
        if (i == 0) {
            LOGWRITE(kLogInvalid, "Invalid: server quit for the services' own server: " + w.line);
            return;
        }
        LOGWRITE(kLogServerQuit, "Server quit: " + w.words[1] + " " + w.lastword());
        DESTROYSERVER(i);
        return;
    }
}

} // namespace tessel
