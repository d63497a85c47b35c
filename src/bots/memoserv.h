#pragma once

#include "bots/botmessage.h"

namespace tessel {

// MemoServ's handlers, grouped by the file that holds them.
namespace memoserv {} // namespace memoserv

} // namespace tessel
