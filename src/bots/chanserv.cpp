// ChanServ's command table.
#include "bots/chanserv.h"

#include "bots/services.h"
#include "engine/tform1.h"

namespace tessel {

namespace {

// No commands yet: every word gets the unknown-command reply.
constexpr std::span<const tbotcommand> commands = {};

} // namespace

std::span<const tbotcommand> chanservcommands() {
    return commands;
}

} // namespace tessel
