#include "registry/dbreader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "p10/ircupper.h"

namespace tessel {

namespace {

dbreadfault readfault;

constexpr size_t kChunk = 64 * 1024;

} // namespace

void setdbreadfault(dbreadfault hook) {
    readfault = std::move(hook);
}

tdbreader::~tdbreader() {
    if (fd_ >= 0) ::close(fd_);
}

tdbreader::openresult tdbreader::open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0) {
        buffer_.resize(kChunk);
        return opened;
    }
    if (errno == ENOENT) return absent;
    error_ = std::string("open: ") + std::strerror(errno);
    return failed;
}

bool tdbreader::fill() {
    pos_ = len_ = 0;
    if (eof_ || !ok() || fd_ < 0) return false;
    for (;;) {
        const int injected = readfault ? readfault(path_) : 0;
        const ssize_t n = injected ? -1 : ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0) {
            const int err = injected ? injected : errno;
            if (err == EINTR) continue;
            error_ = std::string("read: ") + std::strerror(err);
            return false;
        }
        if (n == 0) {
            eof_ = true;
            return false;
        }
        len_ = static_cast<size_t>(n);
        return true;
    }
}

bool tdbreader::readline(std::string& line) {
    line.clear();
    bool toolong = false;
    bool started = false; // some byte of this line (or its end) has been seen
    for (;;) {
        if (pos_ == len_ && !fill()) {
            // The last line of a file need not end in a line break.
            return ok() && started && !toolong;
        }
        const char c = buffer_[pos_++];
        if (afterCR_) {
            afterCR_ = false;
            if (c == '\n') continue;
        }
        started = true;
        if (c == '\n' || c == '\r') {
            afterCR_ = c == '\r';
            if (!toolong) return true;
            toolong = false;
            started = false;
            line.clear();
            continue;
        }
        if (toolong) continue;
        if (line.size() >= kMaxDbLine) {
            toolong = true;
            line.clear();
            line.shrink_to_fit();
            continue;
        }
        line.push_back(c);
    }
}

bool splitkeyvalue(std::string_view line, std::string& key, std::string_view& value) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = ircupper(line.substr(0, eq));
    value = line.substr(eq + 1);
    return true;
}

std::string_view trailingtext(std::string_view value) {
    // The leading words never hold a blank, so the first " :" is the one
    // written before the text even when a mask or host holds colons itself
    // (IPv6 addresses).
    size_t colon = value.find(" :");
    if (colon != std::string_view::npos) return value.substr(colon + 2);
    colon = value.find(':');
    if (colon != std::string_view::npos) return value.substr(colon + 1);
    return value;
}

} // namespace tessel
