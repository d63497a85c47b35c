// Reports of the open-proxy scanner, arriving as server notices.
#include "bots/scanner.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "bots/botmessage.h"
#include "engine/tform1.h"

namespace tessel {

void scannerreport(TForm1& form, const tbotmessage& msg) {
    if (!form.cfg.scanner || msg.upwords[0] != "SCANNER") return;
    const std::string& host = msg.words[1];
    // Only a plain host may be banned: wildcards or a user part would widen
    // the G-line, and an empty host would ban "*@".
    if (host.empty() || host.find_first_of("*?@") != std::string::npos) return;

    const std::string& port = msg.upwords[2];
    std::string reason = "Insecure port detected: " + port;
    for (const tscanreason& r : form.cfg.scanreasons) {
        if (!r.name.empty() && r.name == port) {
            reason = r.reason;
            break;
        }
    }

    const int32_t duration = form.cfg.scangduration;
    const int32_t expires = static_cast<int32_t>(
        std::min<int64_t>(int64_t{form.clock.now} + duration, std::numeric_limits<int32_t>::max()));
    const std::string mask = "*@" + host;
    form.ADDGLINE(mask, expires, reason, "-scanner-");
    form.SENDGLINE(mask, duration, reason);
}

} // namespace tessel
