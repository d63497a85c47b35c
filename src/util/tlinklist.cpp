#include "util/tlinklist.h"

namespace tessel {

namespace {
long g_livenodes = 0;
}

tlinklist::tlinklist() {
    ++g_livenodes;
}
tlinklist::~tlinklist() {
    --g_livenodes;
}
long tlinklist::livecount() {
    return g_livenodes;
}

} // namespace tessel
