#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bots/botfixture.h"

namespace tesseltest {

using Lines = std::vector<std::string>;

// OperServ on the harness' network, with a written log kept in memory and
// the four kinds of caller the commands tell apart.
class OperServTest : public BotTest {
protected:
    OperServTest() {
        h.form.cfg.soplist[0] = "sop*";
        h.form.clock.zoneoffset = 0;
        logstream = open_memstream(&logbuffer, &loglength);
        h.form.log.logfile = logstream;
        h.form.log.logopen = logstream != nullptr;
        h.form.cfg.logmask = 0x7FFF;
        // The date line of the day is already written.
        h.form.log.lastlogday = h.form.clock.now / 86400;
    }
    ~OperServTest() override {
        // A configuration re-read closes the log itself.
        if (logstream && h.form.log.logfile == logstream) std::fclose(logstream);
        h.form.log.logfile = nullptr;
        h.form.log.logopen = false;
        std::free(logbuffer);
    }

    // The callers: "plain" (AKAAP), IRC operator "oper" (AKAAO), identified
    // IRC operator "idop" (AKAAI) and Services operator "sop" (AKAAS).
    void callers() {
        h.adduser("plain", "AKAAP");
        h.adduser("oper", "AKAAO", "+o");
        registered("idop", "AKAAI", "secret", "+o");
        registered("sop", "AKAAS", "secret", "+o");
        h.take();
    }

    // What OperServ and the rest of the services send when `from` says `text`.
    Lines ask(const std::string& from, const std::string& text) {
        return say(from, text, kOperServ);
    }

    static std::string os(const std::string& to, const std::string& text) {
        return notice(to, text, kOperServ);
    }
    static Lines oslines(const std::string& to, const Lines& texts) {
        return notices(to, texts, kOperServ);
    }
    // An announcement in the operator channel.
    static std::string oc(const std::string& nick, const std::string& text) {
        return kOperServ + " O #OperServ :(" + nick + ") " + text;
    }

    // Log lines written since the last call, without the "[h:m] " stamp.
    Lines logged() {
        if (h.form.log.logfile == logstream) std::fflush(logstream);
        Lines out;
        std::string all(logbuffer ? logbuffer : "", loglength);
        size_t start = logread;
        logread = all.size();
        while (start < all.size()) {
            size_t end = all.find('\n', start);
            if (end == std::string::npos) end = all.size();
            std::string line = all.substr(start, end - start);
            start = end + 1;
            size_t stamp = line.find("] ");
            out.push_back(stamp == std::string::npos ? line : line.substr(stamp + 2));
        }
        return out;
    }

private:
    FILE* logstream = nullptr;
    char* logbuffer = nullptr;
    size_t loglength = 0;
    size_t logread = 0;
};

} // namespace tesseltest
