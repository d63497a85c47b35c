// The immediate stop some protocol errors demand.
#include <cstdlib>
#include <exception>

#include "engine/pidfile.h"
#include "engine/tform1.h"

namespace tessel {

void TForm1::TERMINATE() {
    if (terminatehook) {
        terminatehook();
        return;
    }
    // No orderly unlinking, but nothing registered may be lost.
    try {
        SAVEDB();
    } catch (const std::exception&) {
        // Stopping is demanded; a failed save cannot prevent it.
    }
    if (log.logfile) std::fflush(log.logfile);
    if (activepidfile) activepidfile->remove();
    std::exit(0);
}

} // namespace tessel
