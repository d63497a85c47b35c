#include "eventcore/asio.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

#include "eventcore/loop.h"
#include "eventcore/socketexception.h"
#include "eventcore/tasks.h"
#include "util/tlinklist.h"

namespace tessel {

namespace {

// A write to a connection the peer has closed must report EPIPE, not end the
// process, even outside the loop (where SIGPIPE is not yet caught).
ssize_t writenosignal(int fd, const void* data, size_t length) {
    ssize_t r = ::send(fd, data, length, MSG_NOSIGNAL);
    if (r < 0 && errno == ENOTSOCK) r = ::write(fd, data, length);
    return r;
}

void setnonblocking(int fd, bool on) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return;
    ::fcntl(fd, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK);
}

} // namespace

bool transienterror(int err) {
    return err == EAGAIN || err == EWOULDBLOCK || err == EINTR;
}

tlasio::tlasio(TComponent* owner) : tlcomponent(owner) {
    listinsert(loopstate().asiolist, this);
}

tlasio::~tlasio() {
    destroyingflag = true;
    if (connstate != WSCLOSED) {
        try {
            closeinternal(0);
        } catch (...) {
        }
    }
    auto& loop = loopstate();
    if (loop.asiocursor == this) loop.asiocursor = next;
    listunlink(loop.asiolist, this);
    if (loop.loopback == this) loop.loopback = nullptr;
}

void tlasio::markforfree() {
    tlcomponent::markforfree();
    loopstate().freeflag = true;
}

std::string tlasio::receivetext() {
    std::string text(static_cast<size_t>(std::min<int64_t>(receivequeue.size(), INT_MAX)), '\0');
    int32_t n = receivebytes(text.data(), static_cast<int32_t>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

void tlasio::closeinternal(uint16_t error) {
    if (connstate == WSCLOSED) {
        sendqueue.del(sendqueue.size());
        return;
    }
    if (readfd < 0 || writefd < 0)
        throw std::runtime_error("internalclose called with invalid fd handles");
    int32_t rfd = readfd;
    int32_t wfd = writefd;
    for (int32_t fd : {rfd, wfd}) {
        fdunwatchread(fd);
        fdunwatchwrite(fd);
    }
    if (ownsfds) {
        setnonblocking(rfd, false);
        ::close(rfd);
        if (wfd != rfd) {
            setnonblocking(wfd, false);
            ::close(wfd);
        }
    }
    auto& loop = loopstate();
    for (int32_t fd : {rfd, wfd})
        if (fd < kmaxfds && loop.fdowner[fd] == this) loop.fdowner[fd] = nullptr;
    readfd = -1;
    writefd = -1;
    connstate = WSCLOSED;
    // Emptied before the event, so unsent bytes of this connection never go
    // out on a connection the handler opens.
    sendqueue.del(sendqueue.size());
    if (!destroyingflag) fireevent(onclosed, this, error);
}

int32_t tlasio::writeattempt(int& oserror) {
    oserror = 0;
    if (connstate != WSCONNECTED) return 0;
    auto chunk = sendqueue.get(writechunk);
    if (chunk.empty()) return 0;
    ssize_t r = writenosignal(writefd, chunk.data(), chunk.size());
    int32_t written = 0;
    if (r < 0) {
        oserror = errno;
        lasterror = oserror;
    } else {
        written = static_cast<int32_t>(r);
    }
    sendqueue.del(written);
    if (!sendqueue.empty()) fdwatchwrite(writefd);
    if (written > 0) {
        sentthiscycle = true;
        fireevent(onsent, this, written);
        if (sendqueue.empty() && onqueueempty) {
            addtask([this](int32_t, int32_t) { fireevent(onqueueempty, this, uint16_t(0)); }, this,
                    0, 0);
        }
    }
    return written;
}

void tlasio::handlereadiness(bool readable, bool writable) {
    if (connstate == WSCONNECTED && writable) {
        if (!sendqueue.empty()) {
            int err = 0;
            int32_t written = writeattempt(err);
            // Writable but nothing went out, and nothing went out since the
            // last readiness call either: the connection is gone. A mere
            // "try again" is not a failure.
            if (written == 0 && !sentthiscycle && !transienterror(err))
                closeinternal(static_cast<uint16_t>(err));
        }
        if (sendqueue.empty() && writefd >= 0) fdunwatchwrite(writefd);
    }
    sentthiscycle = false;

    if (connstate == WSCONNECTED && readable && receivequeue.empty()) {
        uint8_t buffer[readchunk];
        ssize_t r = ::read(readfd, buffer, sizeof buffer);
        if (r == 0) {
            closeinternal(0);
        } else if (r < 0) {
            int err = errno;
            if (!transienterror(err)) {
                lasterror = err;
                closeinternal(static_cast<uint16_t>(err));
            }
        } else {
            receivequeue.add(buffer, r);
        }
    }
    deliverreceived();
}

void tlasio::deliverreceived() {
    if (receivequeue.empty()) return;
    bool noloop = sockoptions & WSONORECEIVELOOP;
    if (noloop && readfd >= 0) fdunwatchread(readfd);
    fireevent(ondata, this, uint16_t(0));
    if (!noloop && !receivequeue.empty() && !redeliverqueued_) {
        // One task at a time: a consumer that leaves bytes queued for a while
        // must not make the task queue grow.
        redeliverqueued_ = true;
        addtask([this](int32_t, int32_t) { redeliver(); }, this, 0, 0);
    }
}

void tlasio::redeliver() {
    redeliverqueued_ = false;
    if (receivequeue.empty()) return;
    fireevent(ondata, this, uint16_t(0));
    if (!(sockoptions & WSONORECEIVELOOP) && !receivequeue.empty() && !redeliverqueued_) {
        redeliverqueued_ = true;
        addtask([this](int32_t, int32_t) { redeliver(); }, this, 0, 0);
    }
}

void tlasio::sendtext(const std::string& text) {
    sendqueue.add(text.data(), static_cast<int64_t>(text.size()));
    writeattempt();
}

int32_t tlasio::sendbytes(const void* buffer, int32_t length) {
    if (connstate != WSCONNECTED) return -1;
    if (length < 0) length = 0;
    sendqueue.add(buffer, length);
    writeattempt();
    return length;
}

int32_t tlasio::receivebytes(void* buffer, int32_t length) {
    int32_t total = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    while (total < length) {
        auto chunk = receivequeue.get(length - total);
        if (chunk.empty()) break;
        std::memcpy(out + total, chunk.data(), chunk.size());
        receivequeue.del(static_cast<int64_t>(chunk.size()));
        total += static_cast<int32_t>(chunk.size());
    }
    if (receivequeue.empty() && (sockoptions & WSONORECEIVELOOP) && connstate == WSCONNECTED &&
        readfd >= 0)
        fdwatchread(readfd);
    return total;
}

void tlasio::drainoutput() {
    while (!sendqueue.empty()) {
        if (writefd < 0)
            throw std::runtime_error("FD_set fd out of range: " + std::to_string(writefd));
        pollfd p{writefd, POLLOUT, 0};
        if (::poll(&p, 1, -1) < 0 && errno == EINTR) continue;
        if (writeattempt() == 0) break;
    }
}

void tlasio::handleerror(const std::exception& error) {
    bool close = true;
    if (onerror) {
        try {
            fireevent(onerror, this, error, close);
        } catch (...) {
        }
    }
    if (close) {
        try {
            closeinternal(0);
        } catch (...) {
        }
    }
}

tlloopback::tlloopback(TComponent* owner) : tlasio(owner) {
    int fds[2];
    if (::pipe(fds) != 0) {
        lasterror = errno;
        throw ESocketException("unable to create loopback pipe");
    }
    for (int fd : fds) {
        setnonblocking(fd, true);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    readfd = fds[0];
    writefd = fds[1];
    ownsfds = true;
    connstate = WSCONNECTED;
    ondata = [](tlasio* sender, uint16_t) {
        sender->receivequeue.del(sender->receivequeue.size());
    };
}

} // namespace tessel
