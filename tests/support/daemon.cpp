#include "support/daemon.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tesseltest {

namespace {

using clock = std::chrono::steady_clock;

// What the daemon prints when a handler failed, and the sanitizers' reports.
constexpr const char* kFaultReports[] = {"exception in parsecommand", "AddressSanitizer",
                                         "LeakSanitizer", "runtime error:"};

} // namespace

bool waitfor(const std::function<bool()>& condition, int seconds) {
    const auto deadline = clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool processalive(pid_t pid) {
    if (pid <= 0) return false;
    if (::kill(pid, 0) != 0) return errno == EPERM;
    // A zombie still answers kill(0); its state in /proc tells.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t paren = content.rfind(')');
    return paren == std::string::npos || paren + 2 >= content.size() || content[paren + 2] != 'Z';
}

bool signalhandled(pid_t pid, int signum, int seconds) {
    // /proc/<pid>/status lists the pending signals as hexadecimal masks, bit
    // n - 1 for signal n: SigPnd for the thread, ShdPnd for the process.
    auto pending = [&] {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        const uint64_t bit = uint64_t{1} << (signum - 1);
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("SigPnd:", 0) != 0 && line.rfind("ShdPnd:", 0) != 0) continue;
            if (std::stoull(line.substr(7), nullptr, 16) & bit) return true;
        }
        return false;
    };
    return waitfor([&] { return !pending(); }, seconds) && processalive(pid);
}

DaemonDir::DaemonDir() {
    std::filesystem::create_symlink(TESSELSV_BINARY, path() / "tesselsv");
}

DaemonDir::~DaemonDir() {
    // A daemon that detached is known only by its pid file.
    // Only a process working in this directory is ours.
    pid_t detached = pidfromfile();
    std::error_code ec;
    auto cwd = std::filesystem::read_symlink("/proc/" + std::to_string(detached) + "/cwd", ec);
    if (detached > 0 && !ec && cwd == path() && processalive(detached)) ::kill(detached, SIGKILL);
    for (pid_t pid : started_) {
        if (::waitpid(pid, nullptr, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    // A test passes only if the daemon stayed sound all along.
    const std::string output = read("output.txt");
    for (const char* fault : kFaultReports)
        if (output.find(fault) != std::string::npos)
            ADD_FAILURE() << "the daemon reported \"" << fault << "\":\n" << output;
}

pid_t DaemonDir::start(const std::vector<std::string>& args) {
    const std::string program = (path() / "tesselsv").string();
    const std::string output = (path() / "output.txt").string();
    std::vector<std::string> argvstore{program};
    argvstore.insert(argvstore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvstore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid == 0) {
        int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        // Started from somewhere else: the daemon must find its directory
        // from argument 0.
        if (::chdir("/") != 0) ::_exit(126);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (pid > 0) started_.push_back(pid);
    return pid;
}

int DaemonDir::waitexit(pid_t pid, int seconds) {
    int status = 0;
    bool ended = waitfor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, seconds);
    if (!ended) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

pid_t DaemonDir::pidfromfile() const {
    std::string text = read("tesselsv.pid");
    if (text.empty() || text.back() != '\n') return 0;
    try {
        return static_cast<pid_t>(std::stol(text));
    } catch (...) {
        return 0;
    }
}

bool DaemonDir::waitforfile(const std::string& name, const std::string& text, int seconds) const {
    return waitfor([&] { return read(name).find(text) != std::string::npos; }, seconds);
}

bool DaemonDir::waitgone(const std::string& name, int seconds) const {
    return waitfor([&] { return !exists(name); }, seconds);
}

bool DaemonDir::waitdaemongone(pid_t pid, int seconds) const {
    return waitfor([&] { return !processalive(pid); }, seconds);
}

} // namespace tesseltest
