#pragma once

#include <string>

#include "registry/records.h"

namespace tessel {

// The mode line that applies a registered channel's lock when the channel is
// set up (burst, creation): "+" and the letters locked on, then "-" and the
// letters locked off when there are any ("+-k" for a lock with only k off).
// Empty when nothing is locked.
std::string modelocksetup(const Tchanserv& rec);

// The lock as the channel database stores it and a reset re-applies it: each
// sign only with its letters ("-k" for a lock with only k off). Empty when
// nothing is locked.
std::string modelocktext(const Tchanserv& rec);

} // namespace tessel
