// What password checks cost the single-threaded loop: one check in each
// stored form, and the loop under a flood of wrong IDENTIFYs from 200
// clients, each on a registered nick of its own (argon2id) and on an address
// of its own, so that only the hash budget stands between the flood and the
// loop. The flood arrives in the chunks the link socket reads; the figure
// that matters is the longest single chunk (the loop's worst stall), given in
// the loop thread's CPU time, which a busy machine does not inflate, and in
// wall time.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "benchnetwork.h"
#include "engine/tform1.h"
#include "p10/numerics.h"
#include "registry/passwords.h"
#include "state/tableops.h"

using namespace tessel;

namespace {

constexpr int kClients = 200;
constexpr int kRounds = 25;         // wrong passwords each client sends
constexpr size_t kReadChunk = 1460; // bytes the link socket takes per read
constexpr int32_t kNow = 1796870000;

tpasswordpolicy argon() {
    tpasswordpolicy p;
    p.form = tpassform::argon2id;
    return p;
}

void BM_CheckArgon2id(benchmark::State& state) {
    const std::string stored = storepassword("correct horse", argon());
    for (auto _ : state)
        benchmark::DoNotOptimize(verifypassword(stored, "wrong horse", true));
}
BENCHMARK(BM_CheckArgon2id)->Unit(benchmark::kMillisecond);

void BM_CheckDigest(benchmark::State& state) {
    const std::string stored = storepassword("correct horse", tpasswordpolicy{});
    for (auto _ : state)
        benchmark::DoNotOptimize(verifypassword(stored, "wrong horse", true));
}
BENCHMARK(BM_CheckDigest)->Unit(benchmark::kMicrosecond);

double threadcpums() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

std::string clientnumeric(int i) {
    return "AK" + encodenumeric(static_cast<uint32_t>(i), 3);
}

// An engine linked to hub "AK", with the 200 registrations and their owners'
// would-be impostors online.
void buildnetwork(TForm1& form, size_t& outbytes) {
    bench::ownserver(form);
    form.cfg.passhash = tpassform::argon2id;
    form.clock.now = kNow;
    tserver& hub = form.net.servers[1];
    hub.inuse = true;
    hub.name = "hub.test";
    hub.namekey = "HUB.TEST";
    hub.numeric = 10;
    hub.mask = 4095;
    hub.slots.assign(4096, -1);
    hub.uplink = -1;
    form.net.serverbynumber[10] = 1;
    form.link.linkstate = 2;
    form.link.uplinkname = "hub.test";
    form.link.outputsink = [&outbytes](std::string_view batch) { outbytes += batch.size(); };
    form.terminatehook = [] { std::abort(); };

    const std::string stored = storepassword("the right one", argon());
    for (int i = 0; i < kClients; ++i) {
        const std::string nick = "victim" + std::to_string(i);
        Tnickserv& rec = newrecord(form.reg.nicks, i);
        form.SETNS(i, nick);
        rec.password = stored;
        rec.access.set(0, "*@*");
        const uint32_t ip = 0x0a000000u + static_cast<uint32_t>(i);
        form.PARSECOMMAND("AK N " + nick + " 1 1000 u dsl" + std::to_string(i) + ".example +i " +
                          encodenumeric(ip, 6) + " " + clientnumeric(i) + " :Real Name");
    }
    form.reg.nicks.highwater = kClients - 1;
}

void BM_WrongIdentifyFlood(benchmark::State& state) {
    double worstms = 0, totalms = 0, worstcpums = 0;
    int chunks = 0, checked = 0, busy = 0, locked = 0;
    for (auto _ : state) {
        size_t outbytes = 0;
        auto form = std::make_unique<TForm1>();
        buildnetwork(*form, outbytes);
        worstms = totalms = worstcpums = 0;
        chunks = 0;
        std::string replies;
        form->link.outputsink = [&](std::string_view batch) { replies.append(batch); };

        const auto start = std::chrono::steady_clock::now();
        for (int round = 0; round < kRounds; ++round) {
            form->clock.now = kNow + 2 * round; // within every client's flood allowance
            std::string flood;
            for (int i = 0; i < kClients; ++i)
                flood += clientnumeric(i) + " P NickServ@services.test :IDENTIFY guess" +
                         std::to_string(round) + "\r\n";
            for (size_t pos = 0; pos < flood.size(); pos += kReadChunk) {
                const auto t0 = std::chrono::steady_clock::now();
                const double cpu0 = threadcpums();
                form->receivebytes(std::string_view(flood).substr(pos, kReadChunk));
                worstcpums = std::max(worstcpums, threadcpums() - cpu0);
                const double ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                        .count();
                worstms = std::max(worstms, ms);
                totalms += ms;
                ++chunks;
            }
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        auto count = [&](std::string_view text) {
            int n = 0;
            for (size_t at = replies.find(text); at != std::string::npos;
                 at = replies.find(text, at + 1))
                ++n;
            return n;
        };
        checked = count(":Password incorrect.");
        busy = count(":Services are busy checking passwords. Try again shortly.");
        locked = count(":Too many failed password attempts");
        if (checked + busy + locked != kClients * kRounds)
            state.SkipWithError("an attempt went unanswered");
    }
    state.counters["worst_chunk_cpu_ms"] = worstcpums;
    state.counters["worst_chunk_ms"] = worstms;
    state.counters["mean_chunk_ms"] = chunks ? totalms / chunks : 0;
    state.counters["hashed"] = checked;
    state.counters["busy"] = busy;
    state.counters["locked"] = locked;
}
BENCHMARK(BM_WrongIdentifyFlood)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
