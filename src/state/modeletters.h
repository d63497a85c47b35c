#pragma once

#include "state/records.h"

namespace tessel {

// The flag of a channel behind one of the mode letters without a parameter
// (i, m, n, p, s, t); nullptr for every other letter.
bool* channelflag(Tchannel& c, char letter);

} // namespace tessel
