// Name-index lookups at full user capacity: 30,000 IRC-upper-cased nicks.
#include "p10/ircupper.h"
#include "util/thashtable.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

using namespace tessel;

namespace {

std::vector<std::string> makenicks(size_t count) {
    static const char first[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ[]\\`^{|}_";
    static const char rest[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789[]"
                               "\\`^{|}_-";
    std::mt19937 rng(12345);
    std::vector<std::string> nicks;
    nicks.reserve(count);
    while (nicks.size() < count) {
        std::string nick(1, first[rng() % (sizeof first - 1)]);
        size_t len = 3 + rng() % 10;
        while (nick.size() < len)
            nick += rest[rng() % (sizeof rest - 1)];
        nicks.push_back(ircupper(nick) + std::to_string(nicks.size()));
    }
    return nicks;
}

// The table holding every nick, each with its position + 1 as value.
void fill(thashtable& table, const std::vector<std::string>& nicks) {
    for (size_t i = 0; i < nicks.size(); ++i)
        table.add(nicks[i], int32_t(i + 1));
}

void BM_FindPresent(benchmark::State& state) {
    auto nicks = makenicks(30000);
    thashtable table;
    fill(table, nicks);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.find(nicks[i]));
        if (++i == nicks.size()) i = 0;
    }
}
BENCHMARK(BM_FindPresent);

void BM_FindAbsent(benchmark::State& state) {
    auto nicks = makenicks(30000);
    thashtable table;
    fill(table, nicks);
    std::vector<std::string> absent;
    for (const auto& n : nicks)
        absent.push_back(n + "_");
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.find(absent[i]));
        if (++i == absent.size()) i = 0;
    }
}
BENCHMARK(BM_FindAbsent);

void BM_AddRemove(benchmark::State& state) {
    auto nicks = makenicks(30000);
    thashtable table;
    fill(table, nicks);
    size_t i = 0;
    for (auto _ : state) {
        table.remove(nicks[i]);
        table.add(nicks[i], int32_t(i + 1));
        if (++i == nicks.size()) i = 0;
    }
}
BENCHMARK(BM_AddRemove);

} // namespace

BENCHMARK_MAIN();
