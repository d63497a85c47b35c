// Storing G-lines and announcing them to the network.
#include <cstdint>

#include "engine/tform1.h"
#include "p10/ircupper.h"
#include "registry/timetext.h"

namespace tessel {

namespace {} // namespace

void TForm1::ADDGLINE(const std::string& mask, int32_t expires, const std::string& reason,
                      const std::string& setter) {
    const std::string key = ircupper(mask);
    int found = -1;
    for (int i = 0; i < kGlineCapacity; ++i)
        if (oper.glines[i].used && ircupper(oper.glines[i].mask) == key) found = i;

    const char* what = "Reset expiration on G-line: ";
    if (found < 0) {
        what = "Added G-line: ";
        for (int i = 0; i < kGlineCapacity && found < 0; ++i)
            if (!oper.glines[i].used) found = i;
        if (found < 0) return; // table full
    }
    tgline& g = oper.glines[found];
    g.used = true;
    g.setter = setter;
    g.mask = mask;
    g.expires = expires;
    g.reason = reason;
    LOGWRITE(kLogGlineAdded,
             what + mask + " " + std::to_string(int64_t{expires} - clock.now) + " " + reason);
}

void TForm1::SENDGLINE(const std::string& mask, int32_t duration, const std::string& reason) {
    const int64_t until = int64_t{clock.now} + duration;
    MESEND("GL * +" + mask + " " + std::to_string(duration) + " :Banned " + mask + " Until " +
           shortdatetext(until - clock.zoneoffset, clock.zoneoffset) + " GMT [" +
           std::to_string(until) + "]: " + reason);
}

void TForm1::SENDUNGLINE(const std::string& mask) {
    MESEND("GL * -" + mask);
}

} // namespace tessel
