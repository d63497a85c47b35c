#include "engine/pidfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tessel {

tpidfile* activepidfile = nullptr;

tpidfile::~tpidfile() {
    if (fd_ >= 0) ::close(fd_);
}

bool tpidfile::lock() {
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    // Truncated through the locked descriptor, so the lock is never released.
    // Should this fail, writepid still replaces the content.
    (void)!::ftruncate(fd, 0);
    fd_ = fd;
    return true;
}

void tpidfile::writepid(long pid) {
    if (fd_ < 0) return;
    const std::string text = std::to_string(pid) + "\n";
    if (::pwrite(fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()))
        (void)!::ftruncate(fd_, static_cast<off_t>(text.size()));
    ::fsync(fd_);
}

void tpidfile::remove() {
    if (fd_ < 0) return;
    ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
}

} // namespace tessel
