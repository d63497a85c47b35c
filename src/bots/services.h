#pragma once

// The four service clients as both the inbound dispatcher and BOTTALK see
// them: the number BOTTALK is called with, the client number after the
// server numeric, the configured nick and the command table.
#include <span>
#include <string>

#include "bots/botmessage.h"
#include "engine/config.h"

namespace tessel {

struct tserviceidentity {
    int bot;                    // kBotNickServ ...
    const char* suffix;         // client number after the server numeric
    std::string tconfig::*nick; // configured nick
    bool helphint;              // unknown commands point at HELP
    std::span<const tbotcommand> (*commands)();
    std::string tconfig::*gcos; // configured real name in the burst
};

// Indexed by service number (kBotNickServ .. kBotOperServ).
std::span<const tserviceidentity> serviceidentities();

// The service with that number, or nullptr (the scanner feed has none).
const tserviceidentity* serviceidentity(int bot);

// The full client numeric of a service (kBotNickServ .. kBotOperServ): the
// services' server numeric and the service's client number.
std::string servicenumeric(const tconfig& cfg, int bot);

// Each service's command table, in its own file.
std::span<const tbotcommand> nickservcommands();
std::span<const tbotcommand> chanservcommands();
std::span<const tbotcommand> memoservcommands();
std::span<const tbotcommand> operservcommands();

} // namespace tessel
