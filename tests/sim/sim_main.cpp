// The simulation's own program: sim_tests [SECONDS] [SEED]
//   without a seed: the fixed seeds, then new ones until SECONDS have passed;
//   with a seed: that seed alone. Every seed's number is printed, and a
//   failing one with the shortest sequence of operations that still fails.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "sim/simulation.h"

namespace {

using kelvaro::sim::RunSeed;

constexpr size_t kOps = 120;  // operations per seed

// Seeds that once found a fault (the program's or the simulation's own): run first, every time.
constexpr uint64_t kFixedSeeds[] = {1,         3,         6,         12,        17,        25,        44,        55,
                                    56,        58,        80,        97,        102,       136,       160,       3858,
                                    147210089, 892192961, 302886650, 500002794, 800002355, 800003781, 900005105};

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    uint64_t seeds = 0, ops = 0, processes = 0;
    auto run = [&](uint64_t seed) {
        const auto result = RunSeed(seed, kOps);
        ++seeds;
        ops += result.ops;
        processes += result.processes;
        if (result.failure) {
            std::printf("%s", result.failure->c_str());
            std::fflush(stdout);
            return false;
        }
        return true;
    };
    if (argc > 2 && std::string(argv[1]) == "survey") {
        // The first failure of each of that many seeds (from 1, or from the seed given), unshrunk.
        const uint64_t from = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
        for (uint64_t s = from; s < from + std::strtoull(argv[2], nullptr, 10); ++s) {
            const auto result = RunSeed(s, kOps, false);
            if (result.failure) std::printf("%s", result.failure->substr(0, result.failure->find('\n') + 1).c_str());
            std::fflush(stdout);
        }
        return 0;
    }
    if (argc > 3 && std::string(argv[1]) == "trace") {
        // sim_tests trace SEED 2,3-,11: replays those ops of the seed (3 without
        // its fault), telling what each did.
        std::vector<size_t> keep;
        std::set<size_t> calm;
        for (const char* at = argv[3]; *at;) {
            char* end = nullptr;
            keep.push_back(std::strtoull(at, &end, 10));
            if (*end == '-') calm.insert(keep.back()), ++end;
            at = *end ? end + 1 : end;
        }
        const auto failure = kelvaro::sim::Replay(std::strtoull(argv[2], nullptr, 10), kOps, keep, true, calm);
        std::printf("%s\n", failure ? failure->what.c_str() : "no invariant broken");
        return failure ? 1 : 0;
    }
    // "sim_tests SECONDS ascending": after the fixed seeds, seeds 1, 2, 3... for
    // the time given, the same on every machine (what CTest runs, so that a
    // test run never fails by the draw); "sim_tests SECONDS SEED": that seed alone.
    const bool ascending = argc > 2 && std::string(argv[2]) == "ascending";
    if (argc > 2 && !ascending) return run(std::strtoull(argv[2], nullptr, 10)) ? 0 : 1;
    for (uint64_t seed : kFixedSeeds)
        if (!run(seed)) return 1;
    // Otherwise new seeds each time, from the clock, printed so that a failure can be replayed.
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    uint64_t seed = ascending ? 1 : static_cast<uint64_t>(counter.QuadPart) % 1000000007ull;
    std::printf("new seeds from %llu\n", static_cast<unsigned long long>(seed));
    while (elapsed() < seconds)
        if (!run(seed++)) return 1;
    std::printf("%llu seeds, %llu operations, %llu copies of the program started, %.1f s: no invariant broken\n",
                static_cast<unsigned long long>(seeds), static_cast<unsigned long long>(ops),
                static_cast<unsigned long long>(processes), elapsed());
    return 0;
}
