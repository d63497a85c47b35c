// Cutting the hub's byte stream into lines for the dispatcher.
#include "engine/tform1.h"

namespace tessel {

namespace {
// Longest unfinished line kept while waiting for its end. P10 lines are far
// shorter; a peer that never ends its line must not make the buffer grow
// without bound, so such a line is dropped.
constexpr size_t kMaxPendingLine = 16384;
} // namespace

void TForm1::receivebytes(std::string_view data) {
    beginpasswordbatch();
    link.recvbuffer.append(data);
    // Each line is taken out of the buffer before it is handled, so a handler
    // that drops or restarts the link (which empties the buffer) ends the scan.
    for (;;) {
        const size_t end = link.recvbuffer.find_first_of("\r\n");
        if (end == std::string::npos) break;
        std::string line = link.recvbuffer.substr(0, end);
        link.recvbuffer.erase(0, end + 1);
        if (link.discardingline) {
            // The tail of a line already dropped as too long.
            link.discardingline = false;
            continue;
        }
        if (line.empty()) continue;
        modes.uncheckedmodes = false;
        LOGWRITE(kLogRaw, "RAW: " + line);
        PARSECOMMAND(line);
    }
    if (link.recvbuffer.size() > kMaxPendingLine) {
        link.recvbuffer.clear();
        link.discardingline = true;
    }
    endpasswordbatch();
    modes.uncheckedmodes = false;
    FLUSHALLCHANMODE();
    SENDFLUSH();
}

} // namespace tessel
