// Kept apart from the rest of the harness so that tests which never use the
// link's framing do not need it linked in.
#include "support/harness.h"

namespace tesseltest {

void Harness::receive(const std::string& bytes) {
    form.receivebytes(bytes);
}

} // namespace tesseltest
