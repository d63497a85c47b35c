#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "registry/dbreader.h"
#include "registry/safefile.h"
#include "util/twords.h"

namespace tessel {

bool TForm1::SAVEOPERSERV() {
    return writedatabase(DB_OPERSERV, [this](tsafefile& out) {
        out.line("BootTime=" + std::to_string(clock.boottime));
        out.line("");
        for (const tgline& g : oper.glines)
            if (g.used)
                out.line("Gline=" + g.mask + " " + std::to_string(g.expires) + " " + g.setter +
                         " :" + g.reason);
        out.line("");
        for (const tjupe& j : oper.jupes)
            if (j.used) out.line("Jupe=" + j.servername + " " + j.numeric + " :" + j.reason);
        out.line("");
        // Oldest first: from the entry after the one written last, round the ring.
        for (int k = 1; k <= kSeenCapacity; ++k) {
            const tseen& s = oper.seen[(oper.seenindex + k) % kSeenCapacity];
            if (!s.mask.empty())
                out.line("Seen=" + s.mask + " " + std::to_string(s.time) + " :" + s.gecos);
        }
    });
}

void TForm1::LOADOPERSERV() {
    // Unlike the registrations, a missing file leaves these tables as they are.
    tdbreader in;
    if (!opendatabase(DB_OPERSERV, in)) return;
    oper.glines.fill(tgline{});
    oper.jupes.fill(tjupe{});
    oper.seen.fill(tseen{});
    oper.seenindex = 0;
    size_t glines = 0;
    size_t jupes = 0;
    std::string line;
    std::string key;
    std::string_view value;
    while (in.readline(line)) {
        if (!splitkeyvalue(line, key, value)) continue;
        if (key == "BOOTTIME") {
            clock.boottime = decimalor(value, clock.boottime);
            continue;
        }
        if (key != "GLINE" && key != "JUPE" && key != "SEEN") continue;
        const twords w = splitwords(value);
        if (key == "GLINE") {
            if (w[3].empty() || glines >= oper.glines.size()) continue;
            tgline& g = oper.glines[glines++];
            g.used = true;
            g.mask = w[0];
            g.expires = decimalor(w[1], 0);
            g.setter = w[2];
            g.reason = trailingtext(value);
        } else if (key == "JUPE") {
            if (w[2].empty() || jupes >= oper.jupes.size()) continue;
            tjupe& j = oper.jupes[jupes++];
            j.used = true;
            j.servername = w[0];
            j.numeric = w[1];
            j.reason = trailingtext(value);
        } else {
            if (w[2].empty()) continue;
            oper.seenindex = (oper.seenindex + 1) % kSeenCapacity;
            tseen& s = oper.seen[oper.seenindex];
            s.mask = w[0];
            s.time = decimalor(w[1], 0);
            s.gecos = trailingtext(value);
        }
    }
    closedatabase(DB_OPERSERV, in);
}

} // namespace tessel
