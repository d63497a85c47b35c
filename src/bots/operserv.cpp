// OperServ's command table.
#include "bots/operserv.h"

#include "bots/services.h"
#include "engine/tform1.h"

namespace tessel {

namespace {

// No commands yet: every word gets the unknown-command reply.
constexpr std::span<const tbotcommand> commands = {};

} // namespace

std::span<const tbotcommand> operservcommands() {
    return commands;
}

} // namespace tessel
