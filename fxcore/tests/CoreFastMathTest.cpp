// The exact fast forms against the library-call formulas that define them.
//
// Built twice: fxcore_core_test runs a few million inputs of each form
// (random, edges, near the rounding boundaries the fallback guards, and an
// evenly spread sample of every 32-bit input); fxcore_fastmath_full_test
// (CTest label "full-range", not part of `make test`) runs 10^8 random LFO
// phases and every one of the 2^32 inputs of Exp2 and Log2 on all cores.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <thread>
#include <vector>

#include "fxcore/FXCoreFastMath.h"

namespace fxcore {
namespace {

using namespace fastmath;

#ifdef FXCORE_FULL_RANGE
constexpr std::uint64_t kRandomPhases = 100'000'000;
#else
constexpr std::uint64_t kRandomPhases = 2'000'000;
#endif

// splitmix64: a seeded, reproducible stream.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }  // [0, 1)
};

struct Tally {
    std::uint64_t mismatches = 0;
    std::uint64_t fallbacks = 0;
    std::uint64_t checked = 0;
    double firstBad = 0;  // an input that mismatched
};

void checkPhase(double phase, Tally& tally) {
    SineCosine fast{};
    if (!tryLfoSineCosine(phase, fast)) ++tally.fallbacks;
    const SineCosine result = lfoSineCosine(phase);
    ++tally.checked;
    if (result.sine != lfoSineReference(phase) || result.cosine != lfoCosineReference(phase)) {
        if (tally.mismatches++ == 0) tally.firstBad = phase;
    }
}

// Runs check(first..last) in slices on every core and adds up the tallies.
template <typename Check>
Tally inParallel(std::int64_t first, std::int64_t last, Check check) {
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<Tally> tallies(threads);
    std::vector<std::thread> workers;
    const std::int64_t span = last - first + 1;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            const std::int64_t begin = first + span * t / threads;
            const std::int64_t end = first + span * (t + 1) / threads;
            for (std::int64_t i = begin; i < end; ++i) check(i, tallies[t]);
        });
    }
    for (std::thread& worker : workers) worker.join();
    Tally total;
    for (const Tally& t : tallies) {
        if (t.mismatches > 0 && total.mismatches == 0) total.firstBad = t.firstBad;
        total.mismatches += t.mismatches;
        total.fallbacks += t.fallbacks;
        total.checked += t.checked;
    }
    return total;
}

TEST(CoreFastMath, LfoMatchesTheLibraryOverRandomPhases) {
    const Tally tally =
        inParallel(0, static_cast<std::int64_t>(kRandomPhases) - 1, [](std::int64_t i, Tally& t) {
            Random random{static_cast<std::uint64_t>(i) * 0x1234567ull};
            checkPhase(random.unit() * 6.283185307179586, t);
        });
    EXPECT_EQ(tally.mismatches, 0u) << "first at phase " << tally.firstBad;
    // The fast form decides nearly all of them (the margin is 1e-5 of an
    // output step on each of two outputs).
    EXPECT_LT(tally.fallbacks, tally.checked / 10000 + 10);
    std::printf("LFO: %llu random phases, %llu library fallbacks\n",
                static_cast<unsigned long long>(tally.checked),
                static_cast<unsigned long long>(tally.fallbacks));
}

TEST(CoreFastMath, LfoValuesStayFarInsideTheMargin) {
    // The margin (1e-5 of an output step, 4.7e-15 in sine units) assumes the
    // polynomial and table are within about 1e-15 of the library; measure it.
    Random random{99};
    double worst = 0;
    for (int i = 0; i < 1'000'000; ++i) {
        const double phase = random.unit() * 8.0;
        const SineCosineValues v = lfoValues(phase);
        worst = std::max({worst, std::fabs(v.sine - std::sin(phase)), std::fabs(v.cosine - std::cos(phase))});
    }
    EXPECT_LT(worst, 1e-15);
}

TEST(CoreFastMath, LfoMatchesTheLibraryAtEdgesAndNearRoundingBoundaries) {
    Tally tally;
    constexpr double kPi = 3.141592653589793;
    std::vector<double> phases = {0.0,
                                  -0.0,
                                  std::numeric_limits<double>::denorm_min(),
                                  1e-300,
                                  6.283185307179586,
                                  std::nextafter(6.283185307179586, 0.0),
                                  std::nextafter(8.0, 0.0),
                                  8.0,
                                  -1e-17,
                                  -1.0,
                                  1e300,
                                  std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    // Where the table index changes (odd multiples of pi/64) and the quarter
    // turns, each with its neighbours a few ulps away.
    for (int k = 0; k <= 2 * 81; ++k) {
        double x = k * kPi / 64;
        for (int step = 0; step < 4; ++step) x = std::nextafter(x, 0.0);
        for (int step = 0; step < 9; ++step, x = std::nextafter(x, 9.0)) phases.push_back(x);
    }
    for (double phase : phases) checkPhase(phase, tally);
    // Phases whose sine or cosine times 2147483647 sits on a rounding
    // boundary (an integer plus 0.5), in all four quarter turns: where the
    // fast form must hand over to the library.
    Random random{7};
    std::uint64_t nearBoundary = 0;
    for (int i = 0; i < 20000; ++i) {
        const double n = std::floor(random.unit() * 4294967294.0) - 2147483647.0;
        const double angle = std::asin((n + 0.5) / 2147483647.0);  // in [-pi/2, pi/2]
        for (double phase : {angle, kPi - angle, angle + 2 * kPi, std::acos((n + 0.5) / 2147483647.0),
                             2 * kPi - std::acos((n + 0.5) / 2147483647.0)}) {
            double x = phase;
            for (int step = 0; step < 2; ++step) x = std::nextafter(x, 0.0);
            for (int step = 0; step < 5; ++step, x = std::nextafter(x, 9.0)) {
                const std::uint64_t before = tally.fallbacks;
                checkPhase(x, tally);
                nearBoundary += tally.fallbacks - before;
            }
        }
    }
    EXPECT_EQ(tally.mismatches, 0u) << "first at phase " << tally.firstBad;
    EXPECT_GT(nearBoundary, 1000u);  // the fallback is really reached there
}

// Every input from first to last (or a spread sample of them) of Log2 and
// Exp2, the fast form against its reference.
Tally checkWords(std::int64_t first, std::int64_t last, std::int64_t stride) {
    return inParallel(0, (last - first) / stride, [first, stride](std::int64_t i, Tally& t) {
        const auto a = static_cast<std::int32_t>(first + i * stride);
        std::int32_t fast = 0;
        if (!tryExp2Word(a, fast)) ++t.fallbacks;
        if (!tryLog2Word(a, fast)) ++t.fallbacks;
        t.checked += 2;
        if (exp2Word(a) != exp2Reference(a) || log2Word(a) != log2Reference(a)) {
            if (t.mismatches++ == 0) t.firstBad = a;
        }
    });
}

TEST(CoreFastMath, Exp2AndLog2MatchTheLibrary) {
    constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kHighest = std::numeric_limits<std::int32_t>::max();
#ifdef FXCORE_FULL_RANGE
    const Tally all = checkWords(kLowest, kHighest, 1);
    EXPECT_EQ(all.checked, 2ull << 32);
    EXPECT_LT(all.fallbacks, all.checked / 10000 + 10);
#else
    // A spread sample of all 2^32 inputs (an odd stride, so every residue
    // of the table index and polynomial argument turns up), and every input
    // around the edges: 0, the extremes, and the integer steps of Exp2's
    // exponent.
    Tally all = checkWords(kLowest, kHighest, 1021);
    // The fast forms decide nearly all inputs (the edges below are not a
    // fair sample: e.g. Exp2 near 0 is close to a line).
    EXPECT_LT(all.fallbacks, all.checked / 10000 + 10);
    for (std::int64_t centre : {kLowest, std::int64_t{-1} << 26, std::int64_t{-31} << 26, std::int64_t{0},
                                std::int64_t{1} << 26, kHighest}) {
        const Tally edge =
            checkWords(std::max(kLowest, centre - 50000), std::min(kHighest, centre + 50000), 1);
        all.mismatches += edge.mismatches;
        all.checked += edge.checked;
        all.fallbacks += edge.fallbacks;
    }
#endif
    EXPECT_EQ(all.mismatches, 0u) << "first at " << static_cast<std::int64_t>(all.firstBad);
    std::printf("Exp2/Log2: %llu results, %llu library fallbacks\n",
                static_cast<unsigned long long>(all.checked), static_cast<unsigned long long>(all.fallbacks));
}

}  // namespace
}  // namespace fxcore
