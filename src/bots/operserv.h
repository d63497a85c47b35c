#pragma once

#include "bots/botmessage.h"

namespace tessel {

// OperServ's handlers, grouped by the file that holds them.
namespace operserv {} // namespace operserv

} // namespace tessel
