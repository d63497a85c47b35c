// The identity table of the service clients.
#include "bots/services.h"

#include <iterator>

namespace tessel {

namespace {

constexpr tserviceidentity identities[] = {
    {kBotNickServ, "AAB", &tconfig::nicknick, true, nickservcommands, &tconfig::nickgcos},
    {kBotChanServ, "AAA", &tconfig::channick, true, chanservcommands, &tconfig::changcos},
    {kBotMemoServ, "AAC", &tconfig::memonick, true, memoservcommands, &tconfig::memogcos},
    {kBotOperServ, "AAD", &tconfig::opernick, false, operservcommands, &tconfig::opergcos},
};

static_assert(identities[kBotNickServ].bot == kBotNickServ &&
              identities[kBotChanServ].bot == kBotChanServ &&
              identities[kBotMemoServ].bot == kBotMemoServ &&
              identities[kBotOperServ].bot == kBotOperServ);

} // namespace

std::span<const tserviceidentity> serviceidentities() {
    return identities;
}

const tserviceidentity* serviceidentity(int bot) {
    if (bot < 0 || bot >= static_cast<int>(std::size(identities))) return nullptr;
    return &identities[bot];
}

std::string servicenumeric(const tconfig& cfg, int bot) {
    const tserviceidentity* s = serviceidentity(bot);
    return s ? cfg.servernumeric + s->suffix : std::string();
}

} // namespace tessel
