// MemoServ's command table.
#include "bots/memoserv.h"

#include "bots/services.h"
#include "engine/tform1.h"

namespace tessel {

namespace {

// No commands yet: every word gets the unknown-command reply.
constexpr std::span<const tbotcommand> commands = {};

} // namespace

std::span<const tbotcommand> memoservcommands() {
    return commands;
}

} // namespace tessel
