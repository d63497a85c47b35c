#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

// Longest database line that is read; a longer line is skipped whole. The
// longest line the services write (a channel list of 101 masks that each came
// from one IRC line) stays well below it.
inline constexpr size_t kMaxDbLine = 64 * 1024;

// Test seam: when set, it is asked before every read and a non-zero result is
// taken as the errno with which that read failed.
using dbreadfault = std::function<int(const std::string& path)>;
void setdbreadfault(dbreadfault hook);

// Reads a database file line by line. LF, CR LF and a lone CR each end a line;
// the last line needs no end. Lines longer than kMaxDbLine are skipped.
class tdbreader {
public:
    enum openresult { opened, absent, failed };

    tdbreader() = default;
    ~tdbreader();
    tdbreader(const tdbreader&) = delete;
    tdbreader& operator=(const tdbreader&) = delete;

    openresult open(const std::string& path);
    // False at the end of the file or after a read error (see error()).
    bool readline(std::string& line);

    bool ok() const { return error_.empty(); }
    // e.g. "read: Input/output error".
    const std::string& error() const { return error_; }

private:
    bool fill();

    std::string path_;
    std::vector<char> buffer_;
    size_t pos_ = 0;
    size_t len_ = 0;
    int fd_ = -1;
    bool eof_ = false;
    bool afterCR_ = false; // a CR ended the last line: an LF right after it belongs to it
    std::string error_;
};

// A data line "key=value": the key is the IRC-upper-cased text before the first
// "=", the value everything after it as read. False for a line without "=".
bool splitkeyvalue(std::string_view line, std::string& key, std::string_view& value);

// The free text of a memo, G-line, jupe or seen line: what follows the " :"
// that ends the leading words, or else what follows the first ":", or else the
// whole value.
std::string_view trailingtext(std::string_view value);

} // namespace tessel
