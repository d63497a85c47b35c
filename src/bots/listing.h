#pragma once

// The listing behind NickServ LIST and ChanServ LIST: the records a pattern
// selects, shown in ascending order of their upper-cased names, at most a
// requested number of lines, then a count line.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace tessel {

class TForm1;

// Collects the selected records in one pass over a table. Only the names
// that can be shown are kept (at most the number of lines allowed), so the
// cost grows with the table, not with the table times the lines.
class tlisting {
public:
    // `max` as the user asked: above 100 it is 100; 0 or below (also the -1
    // of an unreadable count) still shows one line.
    explicit tlisting(int32_t max);

    // One selected record under its IRC-upper-cased name. Every call counts
    // towards the total; names from byte 255 on are never shown, and of
    // records with the same name only the first offered is.
    void offer(const std::string& key, int32_t slot);

    int32_t total() const { return total_; }

    // Sends one line per shown record, from `lineof(slot)`, and the count
    // line, each after `prefix`.
    template <class LineOf> void send(TForm1& form, const std::string& prefix, LineOf lineof) const;

private:
    void sendline(TForm1& form, const std::string& prefix, const std::string& line) const;
    void sendend(TForm1& form, const std::string& prefix) const;

    size_t limit_;
    int32_t total_ = 0;
    std::map<std::string, int32_t, std::less<>> shown_; // the smallest names so far
};

template <class LineOf>
void tlisting::send(TForm1& form, const std::string& prefix, LineOf lineof) const {
    for (const auto& entry : shown_)
        sendline(form, prefix, lineof(entry.second));
    sendend(form, prefix);
}

// A listing line: four blanks, the name and a blank, padded with blanks to
// 32 characters, then the detail.
std::string listingline(const std::string& name, const std::string& detail);

} // namespace tessel
