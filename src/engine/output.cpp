// Outgoing lines: queueing, batching and the per-service prefixes.
#include "bots/services.h"
#include "engine/tform1.h"

namespace tessel {

namespace {
// A batch handed to the socket holds at most this many bytes of queued lines
// (not counting the line end of the newest one).
constexpr size_t kBatchLimit = 1400;
} // namespace

void TForm1::SEND(const std::string& line) {
    if (link.linkstate == 0) return;
    if (link.sendbuffer.size() + line.size() > kBatchLimit) SENDFLUSH();
    link.sendbuffer += line;
    link.sendbuffer += "\r\n";
}

void TForm1::SENDFLUSH() {
    if (link.sendbuffer.empty()) return;
    std::string batch;
    batch.swap(link.sendbuffer);
    if (link.outputsink) link.outputsink(batch);
}

void TForm1::MESEND(const std::string& text) {
    SEND(cfg.servernumeric + " " + text);
}
void TForm1::CHANSEND(const std::string& text) {
    SEND(servicenumeric(cfg, kBotChanServ) + " " + text);
}
void TForm1::NICKSEND(const std::string& text) {
    SEND(servicenumeric(cfg, kBotNickServ) + " " + text);
}
void TForm1::MEMOSEND(const std::string& text) {
    SEND(servicenumeric(cfg, kBotMemoServ) + " " + text);
}
void TForm1::OPERSEND(const std::string& text) {
    SEND(servicenumeric(cfg, kBotOperServ) + " " + text);
}

} // namespace tessel
