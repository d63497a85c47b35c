#include "support/harness.h"

#include <gtest/gtest.h>

#include <utility>

namespace tesseltest {

Harness::Harness() {
    using namespace tessel;
    form.cfg.servername = "services.test";
    form.cfg.servhost = "services.test";
    form.cfg.serverid = 1;
    form.cfg.servernumber = 1;
    form.cfg.servernumeric = "AB";
    form.clock.now = 1796870000;
    form.clock.boottime = 1796860000;

    tserver& own = form.net.servers[0];
    own.inuse = true;
    own.name = "services.test";
    own.namekey = "SERVICES.TEST";
    own.numeric = 1;
    own.mask = 63;
    own.slots.assign(64, -1);
    form.net.serverbynumber[1] = 0;

    tserver& hub = form.net.servers[1];
    hub.inuse = true;
    hub.name = "hub.test";
    hub.namekey = "HUB.TEST";
    hub.numeric = 10; // "AK"
    hub.mask = 1023;
    hub.slots.assign(1024, -1);
    hub.uplink = -1;
    form.net.serverbynumber[10] = 1;

    form.link.linkstate = 2;
    form.link.autoreconnect = true;
    form.link.uplinkname = "hub.test";
    form.link.outputsink = [this](std::string_view batch) {
        size_t start = 0;
        while (start < batch.size()) {
            size_t end = batch.find("\r\n", start);
            if (end == std::string_view::npos) end = batch.size();
            sent.emplace_back(batch.substr(start, end - start));
            start = end + 2;
        }
    };
    form.terminatehook = [this] { ++terminations_; };
    form.parseexceptionobserver = [this](const std::string& what) { exceptions_.push_back(what); };
}

Harness::~Harness() {
    for (const std::string& what : exceptions_)
        ADD_FAILURE() << "exception in parsecommand: " << what;
    if (terminations_ != 0) ADD_FAILURE() << terminations_ << " unexpected immediate stop(s)";
}

int Harness::taketerminations() {
    return std::exchange(terminations_, 0);
}

std::vector<std::string> Harness::takeexceptions() {
    return std::exchange(exceptions_, {});
}

void Harness::feed(const std::string& line) {
    form.modes.uncheckedmodes = false;
    form.PARSECOMMAND(line);
    form.modes.uncheckedmodes = false;
    form.FLUSHALLCHANMODE();
    form.SENDFLUSH();
}

std::vector<std::string> Harness::take() {
    std::vector<std::string> out;
    out.swap(sent);
    return out;
}

std::vector<std::string> Harness::flushed() {
    form.FLUSHALLCHANMODE();
    form.SENDFLUSH();
    return take();
}

int32_t Harness::adduser(const std::string& nick, const std::string& numeric,
                         const std::string& modes, const std::string& ident,
                         const std::string& host, int32_t ts) {
    std::string line = "AK N " + nick + " 1 " + std::to_string(ts) + " " + ident + " " + host;
    if (!modes.empty()) line += " " + modes;
    line += " B]AAAB " + numeric + " :Real Name";
    feed(line);
    return form.GETNICK(nick);
}

} // namespace tesseltest
