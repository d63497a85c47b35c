// The log file (LOGWRITE) and the operator channel (SENDOPERCHANNEL).
#include "engine/tform1.h"
#include "registry/timetext.h"

namespace tessel {

void TForm1::LOGWRITE(int32_t mask, const std::string& text) {
    if (!log.logopen || !log.logfile || (cfg.logmask & mask) == 0) return;
    // The log keeps UTC: the day, the date line and the time stamp all come
    // from the same clock reading.
    const int64_t t = clock.now;
    const int64_t minutes = t / 60;
    const auto day = static_cast<int32_t>(minutes / 1440);
    if (day != log.lastlogday) {
        log.lastlogday = day;
        const std::string dateline = "*** " + shortdatetext(t, 0) + "\n";
        std::fputs(dateline.c_str(), log.logfile);
    }
    const std::string line = "[" + std::to_string((minutes / 60) % 24) + ":" +
                             std::to_string(minutes % 60) + "] " + text + "\n";
    // A full disk must not stop the services: write errors are ignored.
    std::fwrite(line.data(), 1, line.size(), log.logfile);
    std::fflush(log.logfile);
}

void TForm1::SENDOPERCHANNEL(int32_t user, const std::string& text) {
    const std::string nick = net.users.valid(user) ? net.users[user].nick : std::string();
    OPERSEND("O " + cfg.operchannel + " :(" + nick + ") " + text);
}

} // namespace tessel
