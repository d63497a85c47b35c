// A full network: 30,000 registered nicks and 3,000 registered channels read
// from their database files, then the hub's burst of four servers, 30,000
// users and 10,000 channels with their members and bans, fed through the
// link's framing in the chunks the socket reads. Reports the time the burst
// takes and the memory the engine holds afterwards.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "benchnetwork.h"
#include "engine/tform1.h"
#include "p10/numerics.h"

using namespace tessel;

namespace {

constexpr int kUsers = 30000;
constexpr int kChannels = 10000;
constexpr int kBigChannels = 20; // of 300..1,000 members each
constexpr int kNickRegs = 30000;
constexpr int kChanRegs = 3000;
constexpr int kOnlineOwners = 10000; // users holding a registered nick, recognised on arrival
constexpr int kServers = 4;          // the hub and three leaves, 7,500 users each
constexpr size_t kReadChunk = 1460;  // bytes the link socket takes per read
constexpr int32_t kNow = 1796870000;

double residentmb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Bytes handed out by the allocator and not yet freed.
double heapmb() {
    const struct mallinfo2 m = ::mallinfo2();
    return double(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}

std::string servernumeric(int server) {
    return encodenumeric(static_cast<uint32_t>(10 + server), 2); // AK, AL, AM, AN
}

std::string usernumeric(int user) {
    return servernumeric(user % kServers) +
           encodenumeric(static_cast<uint32_t>(user / kServers), 3);
}

std::string nickof(int user) {
    return user < kOnlineOwners ? "Owner" + std::to_string(user) : "guest" + std::to_string(user);
}
std::string identof(int user) {
    return "~u" + std::to_string(user);
}
std::string hostof(int user) {
    return "dsl-" + std::to_string(user) + ".pool" + std::to_string(user % 97) + ".isp.example";
}

// A private working directory for the database files, removed at the end.
class scratchdir {
public:
    scratchdir() {
        char pattern[] = "/tmp/tesselbench.XXXXXX";
        if (::mkdtemp(pattern)) path_ = pattern;
        if (::getcwd(old_, sizeof old_) == nullptr) old_[0] = 0;
        if (!path_.empty() && ::chdir(path_.c_str()) != 0) path_.clear();
    }
    ~scratchdir() {
        if (path_.empty()) return;
        for (const char* name : kDbFileNames)
            std::remove((path_ + "/" + name).c_str());
        if (old_[0] && ::chdir(old_) != 0) return;
        ::rmdir(path_.c_str());
    }

private:
    std::string path_;
    char old_[4096];
};

void writenickdb() {
    std::ofstream out("nickserv.db");
    out << "# NICKSERV DATABASE\n\n";
    for (int i = 0; i < kNickRegs; ++i) {
        const bool online = i < kOnlineOwners;
        const std::string nick = online ? nickof(i) : "Sleeper" + std::to_string(i);
        out << "nick=" << nick << "\ngecos=Real Name " << i
            << "\nregdate=1700000000\nlastdate=" << kNow - 3600
            << "\nTS=" << (online ? 1796869000 : 1700000000) << "\nlastmask=" << nick << "!"
            << identof(i) << "@" << hostof(i)
            << "\npass=5f4dcc3b5aa765d61d8327deb882cf99\nemail=" << nick
            << "@mail.example\naccess=*@*.pool" << i % 97 << ".isp.example \n";
        if (i % 10 == 0) out << "memo=Owner" << (i + 1) % kOnlineOwners << " 1796860000 :see you\n";
        out << "\n";
    }
}

void writechandb() {
    std::ofstream out("chanserv.db");
    out << "# CHANSERV DATABASE\n\n";
    for (int i = 0; i < kChanRegs; ++i) {
        out << "channel=#chan" << i << "\nregdate=1700000000\nlastdate=" << kNow - 3600
            << "\nTS=1796000000\nowner=" << nickof(i) << "\npass=5f4dcc3b5aa765d61d8327deb882cf99"
            << "\nmlock=+nt\ntopic=Welcome to channel " << i << "\nsop=\naop=" << nickof(i + 1)
            << " " << nickof(i + 2) << " \nvop=*!*@*.pool" << i % 97
            << ".isp.example \nakick=*!*@spam" << i << ".example \n\n";
    }
}

// The hub's side: its SERVER line, then the burst as one byte stream.
std::string hubburst(int& lines) {
    std::string out;
    auto line = [&](const std::string& l) {
        out += l;
        out += "\r\n";
        ++lines;
    };
    line("PASS :linkpass");
    line("SERVER hub.test 1 1796866409 1796870009 J10 AKB]] +h6 :Test P10 hub");
    for (int s = 1; s < kServers; ++s)
        line("AK S leaf" + std::to_string(s) + ".test 2 1796866409 1796870009 J10 " +
             servernumeric(s) + "B]] +h6 :Leaf " + std::to_string(s));

    for (int u = 0; u < kUsers; ++u) {
        const std::string modes = u % 100 == 0 ? " +owg" : u % 10 == 0 ? " +ix" : "";
        const uint32_t ip = 0x0a000000u + static_cast<uint32_t>(u);
        line(servernumeric(u % kServers) + " N " + nickof(u) + " 2 " +
             std::to_string(u < kOnlineOwners ? 1796869000 : 1796869500) + " " + identof(u) + " " +
             hostof(u) + modes + " " + encodenumeric(ip, 6) + " " + usernumeric(u) +
             " :Real Name " + std::to_string(u));
    }

    // Channel memberships: every user in about two channels; a user never
    // appears twice in one channel.
    std::mt19937 rng(4242);
    int nextuser = 0;
    for (int c = 0; c < kChannels; ++c) {
        const std::string name = "#chan" + std::to_string(c);
        const int members = c < kBigChannels ? 300 + static_cast<int>(rng() % 700)
                                             : 3 + static_cast<int>(rng() % 5);
        std::vector<std::string> entries;
        for (int m = 0; m < members; ++m) {
            const int u = nextuser++ % kUsers;
            std::string e = usernumeric(u);
            // ircu lists plain members first, then voiced, then operators.
            if (m == members - 2)
                e += ":v";
            else if (m == members - 1)
                e += ":o";
            entries.push_back(e);
        }
        // ircu keeps a B line within the line length: long member lists go
        // out in several lines for the same channel.
        const std::string head = "AK B " + name + " 1796000000";
        size_t i = 0;
        bool first = true;
        while (i < entries.size()) {
            std::string l = head + (first ? " +nt" : "") + " ";
            bool any = false;
            while (i < entries.size() && l.size() + entries[i].size() + 1 < 400) {
                l += (any ? "," : "") + entries[i++];
                any = true;
            }
            if (first && c % 10 == 0)
                l += " :%*!*@bad" + std::to_string(c) + ".example *!*@*.spam.example";
            line(l);
            first = false;
        }
    }
    line("AK EB ");
    return out;
}

void BM_FullNetworkBurst(benchmark::State& state) {
    double rss = 0, heap = 0, heapregs = 0, heapnet = 0, heaprelink = 0, loadms = 0;
    int users = 0, channels = 0, identified = 0;
    size_t outbytes = 0;
    int inlines = 0;
    for (auto _ : state) {
        scratchdir dir;
        writenickdb();
        writechandb();
        inlines = 0;
        const std::string burst = hubburst(inlines);
        const double heapbase = heapmb();

        auto form = std::make_unique<TForm1>();
        bench::ownserver(*form);
        form->clock.now = kNow;
        form->clock.boottime = 1796866409;
        outbytes = 0;
        form->link.outputsink = [&](std::string_view batch) { outbytes += batch.size(); };
        form->terminatehook = [] { std::abort(); };

        const auto load0 = std::chrono::steady_clock::now();
        form->LOADDB();
        loadms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - load0)
                     .count();
        heapregs = heapmb() - heapbase;
        form->link.linkstate = 1;

        const auto start = std::chrono::steady_clock::now();
        for (size_t pos = 0; pos < burst.size(); pos += kReadChunk)
            form->receivebytes(std::string_view(burst).substr(pos, kReadChunk));
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());

        if (form->link.linkstate != 2 || form->GETNICK(nickof(kUsers - 1)) < 0 ||
            form->GETCHANNAME("#chan" + std::to_string(kChannels - 1)) < 0)
            state.SkipWithError("the burst did not build the picture");
        rss = residentmb();
        heap = heapmb() - heapbase;
        heapnet = heap - heapregs;
        users = channels = identified = 0;
        for (int32_t u = 0; u <= form->net.users.highwater; ++u) {
            if (!form->net.users.valid(u)) continue;
            ++users;
            if (form->user(u).identified) ++identified;
        }
        for (int32_t c = 0; c <= form->net.channels.highwater; ++c)
            if (form->net.channels.valid(c)) ++channels;

        // The link drops and the same network bursts again: what the first
        // picture held is given back, not kept beside the second.
        form->CLOSED(0);
        form->link.linkstate = 1;
        for (size_t pos = 0; pos < burst.size(); pos += kReadChunk)
            form->receivebytes(std::string_view(burst).substr(pos, kReadChunk));
        heaprelink = heapmb() - heapbase;
    }
    state.counters["rss_MB"] = rss;
    state.counters["heap_MB"] = heap;
    state.counters["heap_registrations_MB"] = heapregs;
    state.counters["heap_network_MB"] = heapnet;
    state.counters["heap_after_relink_MB"] = heaprelink;
    state.counters["load_ms"] = loadms;
    state.counters["users"] = users;
    state.counters["channels"] = channels;
    state.counters["identified"] = identified;
    state.counters["lines_in"] = inlines;
    state.counters["bytes_out"] = static_cast<double>(outbytes);
}
BENCHMARK(BM_FullNetworkBurst)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
