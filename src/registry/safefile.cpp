#include "registry/safefile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tessel {

namespace {

safefilefault faulthook;

constexpr size_t kFlushAt = 64 * 1024;

const char* stepname(safefilestep step) {
    switch (step) {
    case safefilestep::open:
        return "open";
    case safefilestep::write:
        return "write";
    case safefilestep::sync:
        return "sync";
    case safefilestep::close:
        return "close";
    case safefilestep::rename:
        return "rename";
    case safefilestep::syncdir:
        return "sync directory";
    }
    return "?";
}

std::string directoryof(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace

void setsafefilefault(safefilefault hook) {
    faulthook = std::move(hook);
}

tsafefile::tsafefile(std::string path) : path_(std::move(path)), temp_(path_ + ".tmp") {}

tsafefile::~tsafefile() {
    discard();
}

bool tsafefile::injected(safefilestep step) {
    if (!faulthook) return false;
    const int err = faulthook(step, path_);
    if (err == 0) return false;
    return !fail(step, err);
}

bool tsafefile::fail(safefilestep step, int err) {
    if (error_.empty()) error_ = std::string(stepname(step)) + ": " + std::strerror(err);
    return false;
}

void tsafefile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (tempexists_) {
        ::unlink(temp_.c_str());
        tempexists_ = false;
    }
}

bool tsafefile::open() {
    error_.clear();
    buffer_.clear();
    if (injected(safefilestep::open)) return false;
    // A temporary left by a crash is stale: start afresh rather than write
    // through whatever it is now (O_EXCL and O_NOFOLLOW refuse links).
    ::unlink(temp_.c_str());
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return fail(safefilestep::open, errno);
    tempexists_ = true;
    return true;
}

bool tsafefile::flush() {
    if (!ok()) return false;
    if (fd_ < 0) return fail(safefilestep::write, EBADF);
    size_t done = 0;
    while (done < buffer_.size()) {
        if (injected(safefilestep::write)) return false;
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(safefilestep::write, errno);
        }
        if (n == 0) return fail(safefilestep::write, EIO);
        done += static_cast<size_t>(n);
    }
    buffer_.clear();
    return true;
}

void tsafefile::write(std::string_view text) {
    if (!ok()) return;
    buffer_.append(text);
    if (buffer_.size() >= kFlushAt) flush();
}

void tsafefile::line(std::string_view text) {
    write(text);
    write("\n");
}

// Runs one system call of the replacement: the injected fault or the call's
// own failure is recorded as the failure of that step.
bool tsafefile::step(safefilestep which, const std::function<int()>& call) {
    if (injected(which)) return false;
    if (call() != 0) return fail(which, errno);
    return true;
}

bool tsafefile::commit() {
    if (!flush() || !step(safefilestep::sync, [this] { return ::fsync(fd_); })) {
        discard();
        return false;
    }
    // The descriptor is gone after close() whatever it returns.
    const int fd = fd_;
    fd_ = -1;
    bool closed = false;
    if (!step(safefilestep::close, [fd, &closed] {
            closed = true;
            return ::close(fd);
        })) {
        if (!closed) ::close(fd); // the failure was injected before the call
        discard();
        return false;
    }
    if (!step(safefilestep::rename, [this] { return ::rename(temp_.c_str(), path_.c_str()); })) {
        discard();
        return false;
    }
    tempexists_ = false;
    // The new content is in place; syncing the directory makes the rename
    // itself survive a power loss.
    return step(safefilestep::syncdir, [this] {
        const int dir = ::open(directoryof(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) return -1;
        const int rc = ::fsync(dir);
        const int err = errno;
        ::close(dir);
        errno = err;
        return rc;
    });
}

} // namespace tessel
