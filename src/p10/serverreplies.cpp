// Answers to the server queries users direct at the services' server:
// VERSION and MOTD. Every other query goes unanswered.
#include <fstream>

#include "engine/tform1.h"
#include "engine/version.h"

namespace tessel {

namespace {
constexpr const char* kMotdFile = "tesselsv.motd";
} // namespace

void TForm1::sendversion(const std::string& target) {
    MESEND("351 " + target + " tessrv" + kVersionText + " " + cfg.servername +
           " :tessel old IRC services");
}

void TForm1::SENDMOTD(const std::string& target) {
    const std::string to = "372 " + target + " :- ";
    MESEND("375 " + target + " :- " + cfg.servername + " Message of the day");
    bool sent = false;
    std::ifstream file(kMotdFile);
    std::string line;
    while (file && std::getline(file, line)) {
        // A file written with CR LF line ends must not put a CR on the link.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        MESEND(to + line);
        sent = true;
    }
    if (!sent) MESEND(to + "No MOTD file");
    MESEND("372 " + target + " :-");
    MESEND(to + "Tessel IRC Services, version " + kVersionText);
    MESEND(to + std::to_string(reg.nickcount) + " registered nicks, " +
           std::to_string(reg.chancount) + " registered channels");
    MESEND("376 " + target + " :End of /MOTD command");
}

// The asking user's numeric is the source of the query.
void TForm1::onversion(const tlinewords& w) {
    if (!w.source.empty()) sendversion(w.source);
}

void TForm1::onmotd(const tlinewords& w) {
    if (!w.source.empty()) SENDMOTD(w.source);
}

} // namespace tessel
