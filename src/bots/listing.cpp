// The listing shared by NickServ LIST and ChanServ LIST.
#include "bots/listing.h"

#include "engine/tform1.h"

namespace tessel {

namespace {

constexpr int32_t kMostLines = 100;

// Names are shown while they sort below the one-byte text holding byte 255.
bool showable(std::string_view key) {
    return key < std::string_view("\xFF", 1);
}

} // namespace

tlisting::tlisting(int32_t max) : limit_(max < 1 ? 1 : max > kMostLines ? kMostLines : max) {}

void tlisting::offer(const std::string& key, int32_t slot) {
    ++total_;
    if (key.empty() || !showable(key)) return; // shown names sort above the empty one
    if (shown_.size() >= limit_ && key >= shown_.rbegin()->first) return;
    if (!shown_.emplace(key, slot).second) return; // the first record of a name stays
    if (shown_.size() > limit_) shown_.erase(std::prev(shown_.end()));
}

void tlisting::sendline(TForm1& form, const std::string& prefix, const std::string& line) const {
    form.SEND(prefix + line);
}

void tlisting::sendend(TForm1& form, const std::string& prefix) const {
    form.SEND(prefix + "End of list - " + std::to_string(shown_.size()) + "/" +
              std::to_string(total_) + " matches shown.");
}

std::string listingline(const std::string& name, const std::string& detail) {
    std::string line = "    " + name + " ";
    if (line.size() < 32) line.resize(32, ' ');
    return line + detail;
}

} // namespace tessel
