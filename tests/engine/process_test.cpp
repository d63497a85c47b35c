// The daemon as a process: started from a private directory through a
// symbolic link, linked to a hub played by the test.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/daemon.h"
#include "support/scriptedhub.h"

namespace {

using tesseltest::DaemonDir;
using tesseltest::ScriptedHub;

// Deadline for anything the daemon does at once; generous for slow machines
// and sanitizer builds. Not a statement about speed.
constexpr int kWait = 30;
// How soon a further stop signal must end a flush to a hub that does not
// read; far below the flush's own limit of 10 s.
constexpr std::chrono::seconds kFlushCut{4};

std::string config(const std::string& connectaddr, uint16_t port, int logmask) {
    return "CONNECTADDR=" + connectaddr + "\nCONNECTPORT=" + std::to_string(port) +
           "\nCONNECTPASS=linkpass\nSERVERNAME=services.test\nSERVERID=1\n"
           "LOGFILE=services.log\nLOGMASK=" +
           std::to_string(logmask) + "\n";
}

class Daemon : public testing::Test {
protected:
    DaemonDir dir;
    ScriptedHub hub;

    pid_t startforeground(int logmask = 0) {
        dir.write("tesselsv.ini", config("127.0.0.1", hub.port(), logmask));
        pid_t pid = dir.start({"foreground"});
        EXPECT_TRUE(dir.waitforfile("tesselsv.pid", std::to_string(pid) + "\n", kWait));
        return pid;
    }

    // Takes the connection, checks the introduction, answers it and reads
    // the services' burst up to its end.
    void link() {
        ASSERT_TRUE(hub.accept(kWait));
        EXPECT_EQ(hub.readline(kWait), "PASS :linkpass");
        auto server = hub.readline(kWait);
        ASSERT_TRUE(server);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(
            *server, m,
            std::regex(
                R"(SERVER services\.test 1 (\d+) (\d+) J10 ABAA\] \+s :tessel ircd services)")))
            << *server;
        EXPECT_LE(std::stoll(m[1]), std::stoll(m[2]));
        hub.introduce("linkpass");
        ASSERT_TRUE(hub.readuntilprefix("AB EB", kWait));
        hub.send("AK EB ");
    }

    void expectpingreply(const std::string& token) {
        hub.send("AK G !" + token + " services.test " + token);
        EXPECT_TRUE(hub.readuntil(
            [&](const std::string& l) { return l == "AB Z services.test :" + token; }, kWait))
            << "no answer to the ping " << token;
    }

    void expectorderlystop(pid_t pid) {
        EXPECT_EQ(dir.waitexit(pid, kWait), 0);
        EXPECT_FALSE(dir.exists("tesselsv.pid"));
        for (const char* db : {"nickserv.db", "chanserv.db", "operserv.db"})
            EXPECT_TRUE(dir.exists(db)) << db;
    }
};

// Every file of the directory with its content (the link to the binary
// aside).
std::map<std::string, std::string> files(const DaemonDir& dir) {
    std::map<std::string, std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_symlink()) out[name] = dir.read(name);
    }
    return out;
}

// SIGHUP changes nothing: the picture, the configuration read at the start
// and every file stay as they were. SIGTERM unlinks in order, saves and
// removes the pid file.
TEST_F(Daemon, HangupChangesNothingAndTermStopsInOrder) {
    pid_t pid = startforeground();
    link();
    hub.send("AK N alice 1 1000 user host.example B]AAAB AKAAA :Real Name");
    expectpingreply("1796870000.123456");
    // Re-read, this would make every reply a PRIVMSG.
    dir.write("tesselsv.ini", config("127.0.0.1", hub.port(), 0) + "MSGCOMMAND=P\n");
    const auto before = files(dir);
    ::kill(pid, SIGHUP);
    ASSERT_TRUE(tesseltest::signalhandled(pid, SIGHUP, kWait));
    // alice is still known (a message from nobody known is dropped) and the
    // reply keeps the token configured at the start.
    hub.send("AKAAA P ABAAB :frob");
    EXPECT_EQ(hub.readuntilprefix("ABAAB ", kWait),
              "ABAAB O AKAAA :Unknown command: frob. Type /msg NickServ HELP for a list of "
              "commands.");
    EXPECT_EQ(files(dir), before);

    ::kill(pid, SIGTERM);
    auto quit = hub.readuntilprefix("ABAAA Q", kWait);
    EXPECT_EQ(quit, "ABAAA Q :brb");
    EXPECT_EQ(hub.readline(kWait), "AB SQ hub.test 0 :received signal SIGTERM");
    EXPECT_TRUE(hub.waitclosed(kWait));
    expectorderlystop(pid);
}

// A hub that refuses the connection, or drops it, is tried again.
TEST(DaemonRetry, RefusedOrDroppedLinkIsRetried) {
    DaemonDir dir;
    ScriptedHub hub(false);
    dir.write("tesselsv.ini", config("127.0.0.1", hub.port(), 3));
    pid_t pid = dir.start({"foreground"});
    EXPECT_TRUE(
        dir.waitforfile("services.log", "Services failed to connect to server, error 111", kWait));
    hub.listen();
    ASSERT_TRUE(hub.accept(kWait));
    EXPECT_EQ(hub.readline(kWait), "PASS :linkpass");
    hub.closeconnection();
    EXPECT_TRUE(
        dir.waitforfile("services.log", "Services disconnected from server, error 0", kWait));
    ASSERT_TRUE(hub.accept(kWait));
    EXPECT_EQ(hub.readline(kWait), "PASS :linkpass");
    ::kill(pid, SIGINT);
    EXPECT_EQ(dir.waitexit(pid, kWait), 0);
    EXPECT_FALSE(dir.exists("tesselsv.pid"));
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++n;
    return n;
}

// An attempt that cannot even start is logged and retried; the process keeps
// running and still stops in order.
TEST(DaemonRetry, UnresolvableAddressIsRetried) {
    DaemonDir dir;
    dir.write("tesselsv.ini", config("bad..name", 6667, 1));
    pid_t pid = dir.start({"foreground"});
    const std::string failure =
        "Services failed to connect to server: unable to resolve address: bad..name";
    EXPECT_TRUE(dir.waitforfile("services.log", failure, kWait));
    EXPECT_TRUE(
        tesseltest::waitfor([&] { return count(dir.read("services.log"), failure) >= 2; }, kWait));
    EXPECT_TRUE(tesseltest::processalive(pid));
    ::kill(pid, SIGINT);
    EXPECT_EQ(dir.waitexit(pid, kWait), 0);
    EXPECT_FALSE(dir.exists("tesselsv.pid"));
}

TEST(DaemonLock, SecondInstanceExitsAndLeavesThePidFile) {
    DaemonDir dir;
    ScriptedHub hub;
    dir.write("tesselsv.ini", config("127.0.0.1", hub.port(), 0));
    pid_t first = dir.start({"foreground"});
    ASSERT_TRUE(dir.waitforfile("tesselsv.pid", std::to_string(first) + "\n", kWait));
    pid_t second = dir.start({"foreground"});
    EXPECT_EQ(dir.waitexit(second, kWait), 0);
    EXPECT_EQ(dir.read("tesselsv.pid"), std::to_string(first) + "\n");
    EXPECT_TRUE(tesseltest::processalive(first));
    ::kill(first, SIGTERM);
    EXPECT_EQ(dir.waitexit(first, kWait), 0);
}

// Only an exact "foreground" as first argument keeps the process in front;
// anything else detaches, and the pid file names the process that runs on.
class DaemonDetach : public testing::TestWithParam<std::vector<std::string>> {};

TEST_P(DaemonDetach, RunsInTheBackground) {
    DaemonDir dir;
    ScriptedHub hub;
    dir.write("tesselsv.ini", config("127.0.0.1", hub.port(), 0));
    pid_t launcher = dir.start(GetParam());
    EXPECT_EQ(dir.waitexit(launcher, kWait), 0);
    ASSERT_TRUE(hub.accept(kWait));
    EXPECT_EQ(hub.readline(kWait), "PASS :linkpass");
    pid_t daemon = dir.pidfromfile();
    ASSERT_GT(daemon, 0);
    EXPECT_NE(daemon, launcher);
    EXPECT_TRUE(tesseltest::processalive(daemon));
    ::kill(daemon, SIGTERM);
    EXPECT_TRUE(dir.waitdaemongone(daemon, kWait));
    EXPECT_FALSE(dir.exists("tesselsv.pid"));
}

INSTANTIATE_TEST_SUITE_P(Arguments, DaemonDetach,
                         testing::Values(std::vector<std::string>{},
                                         std::vector<std::string>{"FOREGROUND"},
                                         std::vector<std::string>{"x", "foreground"}),
                         [](const auto& info) {
                             std::string name = "Args";
                             for (const std::string& arg : info.param)
                                 name += "_" + arg;
                             return name;
                         });

std::vector<std::string> loglines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// With link events and raw traffic selected, the log holds the date line,
// the connection, every received line as it came and the disconnection.
TEST_F(Daemon, LogsLinkEventsAndRawLines) {
    startforeground(0x1 | 0x2 | 0x2000);
    link();
    // Everything sent is read before closing, so the close is orderly (unread
    // data would reset the connection instead).
    ASSERT_TRUE(hub.readuntilprefix("AB EA", kWait));
    hub.closeconnection();
    ASSERT_TRUE(dir.waitforfile("services.log", "Services disconnected from server", kWait));
    const auto lines = loglines(dir.read("services.log"));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_TRUE(std::regex_match(lines[0],
                                 std::regex(R"(\*\*\* \w{3} \w{3} \d{1,2} \d\d:\d\d:\d\d \d{4})")))
        << lines[0];
    std::vector<std::string> texts;
    const std::regex stamp(R"(\[\d{1,2}:\d{1,2}\] (.*))");
    for (size_t i = 1; i < 6; ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, stamp)) << lines[i];
        texts.push_back(m[1]);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Services connected to server", "RAW: PASS :linkpass",
                         "RAW: SERVER hub.test 1 1796866274 1796869881 J10 AKAP] +h6 :Test P10 hub",
                         "RAW: AK EB ", "Services disconnected from server, error 0"}));
}

// A hub that takes the link and then reads nothing more, with the smallest
// receive buffer, so the services' output piles up.
class DeafHub : public testing::Test {
protected:
    DeafHub() : hub(false) {
        hub.shrinkreceivebuffer();
        hub.listen();
    }
    DaemonDir dir;
    ScriptedHub hub;

    // Starts the daemon and answers its introduction; returns its pid.
    pid_t startlinked(int logmask) {
        dir.write("tesselsv.ini", config("127.0.0.1", hub.port(), logmask));
        pid_t pid = dir.start({"foreground"});
        EXPECT_TRUE(hub.accept(kWait));
        EXPECT_EQ(hub.readline(kWait), "PASS :linkpass");
        hub.introduce("linkpass");
        return pid;
    }
};

// A hub that has stopped reading cannot hold the stop up: the closing flush
// gives way to a further signal (or to its own time limit).
TEST_F(DeafHub, CannotBlockTheStop) {
    const pid_t pid = startlinked(0x2000);
    ASSERT_FALSE(HasFailure());
    // More replies than the kernel's socket buffers hold (4 MB at most).
    constexpr int kPings = 40000;
    const std::string padding(200, 'x');
    std::string pings;
    for (int i = 0; i < kPings; ++i) {
        const std::string token = std::to_string(i) + padding;
        pings += "AK G !" + token + " services.test " + token + "\r\n";
    }
    hub.sendraw(pings); // the replies pile up unread
    ASSERT_TRUE(dir.waitforfile("services.log", "RAW: AK G !" + std::to_string(kPings - 1), kWait));
    // The flush's own limit is 10 s; a further signal must cut it well
    // before. The signal is repeated until the exit, as one may come before
    // the flush has begun.
    ::kill(pid, SIGTERM);
    const auto first = std::chrono::steady_clock::now();
    int status = -1;
    while ((status = dir.waitexit(pid, 0)) == -1 &&
           std::chrono::steady_clock::now() - first < kFlushCut) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        ::kill(pid, SIGTERM);
    }
    EXPECT_NE(status, -1) << "still running " << kFlushCut.count() << " s after the first signal";
    if (status == -1) status = dir.waitexit(pid, kWait);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(dir.exists("tesselsv.pid"));
    EXPECT_TRUE(dir.exists("nickserv.db"));
}

// A hub that keeps the connection open but stops reading has at most 32 MB
// of output queued for it: past that the link is dropped and made again.
TEST_F(DeafHub, UnreadOutputPastTheCapDropsAndRemakesTheLink) {
    const pid_t pid = startlinked(0x2);
    ASSERT_FALSE(HasFailure());
    // Each ping of 502 bytes is answered with 516; 100 batches of a thousand
    // are 50 MB, more than the cap and every socket buffer together. The
    // sending ends when the services drop the link.
    std::string batch;
    for (int i = 0; i < 1000; ++i)
        batch += "AK G :" + std::string(494, 'x') + "\r\n";
    const std::string dropped = "Services disconnected from server, error 105";
    for (int i = 0; i < 100 && dir.read("services.log").find(dropped) == std::string::npos; ++i)
        hub.sendraw(batch);
    EXPECT_TRUE(dir.waitforfile("services.log", dropped, kWait));
    ASSERT_TRUE(hub.accept(kWait));
    EXPECT_EQ(hub.readline(kWait), "PASS :linkpass");
    ::kill(pid, SIGTERM);
    EXPECT_EQ(dir.waitexit(pid, kWait), 0);
}

} // namespace
