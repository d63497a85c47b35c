#pragma once

#include "bots/botmessage.h"

namespace tessel {

// ChanServ's handlers, grouped by the file that holds them.
namespace chanserv {} // namespace chanserv

} // namespace tessel
