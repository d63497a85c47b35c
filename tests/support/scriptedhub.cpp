#include "support/scriptedhub.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace tesseltest {

namespace {

using clock = std::chrono::steady_clock;

int remainingms(clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

} // namespace

ScriptedHub::ScriptedHub(bool listening) {
    listenfd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenfd_ < 0) throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenfd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("bind failed");
    socklen_t len = sizeof addr;
    ::getsockname(listenfd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    if (listening) listen();
}

ScriptedHub::~ScriptedHub() {
    if (conn_ >= 0) ::close(conn_);
    if (listenfd_ >= 0) ::close(listenfd_);
}

void ScriptedHub::listen() {
    if (smallbuffer_) {
        int size = 4096;
        ::setsockopt(listenfd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    if (::listen(listenfd_, 4) != 0) throw std::runtime_error("listen failed");
}

bool ScriptedHub::accept(int seconds) {
    if (conn_ >= 0) closeconnection();
    pollfd p{listenfd_, POLLIN, 0};
    if (::poll(&p, 1, seconds * 1000) <= 0) return false;
    conn_ = ::accept4(listenfd_, nullptr, nullptr, SOCK_CLOEXEC);
    eof_ = false;
    pending_.clear();
    return conn_ >= 0;
}

bool ScriptedHub::fill(int ms) {
    if (conn_ < 0 || eof_) return false;
    pollfd p{conn_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return false;
    char buf[4096];
    ssize_t n = ::read(conn_, buf, sizeof buf);
    if (n <= 0) {
        eof_ = true;
        return false;
    }
    pending_.append(buf, static_cast<size_t>(n));
    return true;
}

std::optional<std::string> ScriptedHub::readline(int seconds) {
    const auto deadline = clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            received.push_back(line);
            return line;
        }
        if (eof_ || conn_ < 0) return std::nullopt;
        int ms = remainingms(deadline);
        if (ms == 0) return std::nullopt;
        fill(ms);
    }
}

std::optional<std::string>
ScriptedHub::readuntil(const std::function<bool(const std::string&)>& test, int seconds) {
    const auto deadline = clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        int left = remainingms(deadline);
        auto line = readline(left / 1000 + (left % 1000 ? 1 : 0));
        if (!line) return std::nullopt;
        if (test(*line)) return line;
    }
}

bool ScriptedHub::waitclosed(int seconds) {
    const auto deadline = clock::now() + std::chrono::seconds(seconds);
    while (!eof_) {
        while (readline(0)) {
        }
        int ms = remainingms(deadline);
        if (ms == 0) return false;
        fill(ms);
    }
    while (readline(0)) {
    }
    return true;
}

void ScriptedHub::sendraw(const std::string& bytes) {
    size_t done = 0;
    while (conn_ >= 0 && done < bytes.size()) {
        ssize_t n = ::send(conn_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

void ScriptedHub::closeconnection() {
    if (conn_ >= 0) ::close(conn_);
    conn_ = -1;
    eof_ = true;
    pending_.clear();
}

void ScriptedHub::introduce(const std::string& password) {
    send("PASS :" + password);
    send("SERVER hub.test 1 1796866274 1796869881 J10 AKAP] +h6 :Test P10 hub");
}

} // namespace tesseltest
