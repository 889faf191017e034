// Fixed-point primitives and delay-memory access: the edges of every rule.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "fxcore/FXCoreCore.h"

namespace fxcore {
namespace {

using C = FXCoreCore;
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::int32_t bits(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

TEST(CoreArithmetic, Sat32ClampsToInt32) {
    EXPECT_EQ(C::sat32(std::int64_t{1} << 31), kMax);
    EXPECT_EQ(C::sat32(-(std::int64_t{1} << 31) - 1), kMin);
    EXPECT_EQ(C::sat32(-(std::int64_t{1} << 31)), kMin);
    EXPECT_EQ(C::sat32(12345), 12345);
}

// The narrow saturating sum and difference are the wide ones, clamped.
TEST(CoreArithmetic, SatAddAndSatSubAreTheClampedWideResults) {
    const std::int32_t kValues[] = {kMin, kMin + 1, -0x40000000, -2,         -1,       0,
                                    1,    2,        0x3FFFFFFF,  0x40000000, kMax - 1, kMax};
    for (std::int32_t a : kValues) {
        for (std::int32_t b : kValues) {
            EXPECT_EQ(C::satAdd(a, b), C::sat32(std::int64_t{a} + b)) << a << " + " << b;
            EXPECT_EQ(C::satSub(a, b), C::sat32(std::int64_t{a} - b)) << a << " - " << b;
        }
    }
}

TEST(CoreArithmetic, Sat32dHandlesNaNInfinityAndTruncation) {
    struct Case {
        double x;
        std::int32_t expected;
    };
    const Case cases[] = {
        {kNaN, 0},     {2147483647.5, kMax}, {-2147483648.5, kMin}, {-1.9, -1}, {1.9, 1}, {kInf, kMax},
        {-kInf, kMin}, {2147483647.0, kMax}, {-2147483648.0, kMin},
    };
    for (const Case& c : cases) EXPECT_EQ(C::sat32d(c.x), c.expected) << c.x;
}

TEST(CoreArithmetic, JsRoundRoundsHalvesUp) {
    EXPECT_EQ(C::jsRound(-0.5), 0.0);
    EXPECT_EQ(C::jsRound(0.49999999999999994), 1.0);  // the sum rounds to 1.0
    EXPECT_EQ(C::jsRound(2.5), 3.0);
    EXPECT_EQ(C::jsRound(-2.5), -2.0);
}

// roundSat32 is the library-free form of sat32d(jsRound(x)) used on the hot path.
TEST(CoreArithmetic, RoundSat32MatchesSat32dOfJsRound) {
    const double edges[] = {
        kNaN,
        kInf,
        -kInf,
        0.0,
        -0.0,
        0.5,
        -0.5,
        0.49999999999999994,
        -0.49999999999999994,
        2147483646.5,
        2147483647.0,
        2147483647.4,
        2147483647.5,
        2147483648.0,
        -2147483648.0,
        -2147483648.5,
        -2147483648.6,
        -2147483649.0,
        1e300,
        -1e300,
        -1.5,
        -2.5,
        1e-300,
        -1e-300,
    };
    for (double x : edges) EXPECT_EQ(C::roundSat32(x), C::sat32d(C::jsRound(x))) << x;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> wide(-3.0e9, 3.0e9);
    std::uniform_real_distribution<double> narrow(-4.0, 4.0);
    for (int i = 0; i < 200000; ++i) {
        const double x = (i & 1) ? wide(random) : narrow(random);
        ASSERT_EQ(C::roundSat32(x), C::sat32d(C::jsRound(x))) << x;
    }
}

TEST(CoreArithmetic, ShlAndShrLogical) {
    EXPECT_EQ(C::shl(1, 33), 2);
    EXPECT_EQ(C::shl(bits(0xC0000001), 1), bits(0x80000002));
    EXPECT_EQ(C::shrLogical(-1, 60), 15);
}

TEST(CoreArithmetic, SatShiftLeftSaturatesOnlyWhenBitsAreLost) {
    struct Case {
        std::uint32_t v;
        int n;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {0x40000000, 1, 0x7FFFFFFF},  {0xC0000000, 1, 0x80000000},
        {0xBFFFFFFF, 1, 0x80000000},  {0x12345678, 32, 0x12345678},
        {0x12345678, 0, 0x12345678},  {0x00000001, 30, 0x40000000},
        {0x00000001, 31, 0x7FFFFFFF}, {0xFFFFFFFF, 31, 0x80000000},
        {0xFFFFFFFE, 31, 0x80000000}, {0, 31, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(C::satShiftLeft(bits(c.v), c.n), bits(c.expected)) << std::hex << c.v << " " << c.n;
    // Every count against the wide shift, clamped, for values at and next to
    // each power of two, positive and negative.
    for (int n = 0; n < 32; ++n) {
        for (int p = 0; p < 32; ++p) {
            for (std::int64_t d : {-1, 0, 1}) {
                for (std::int64_t sign : {1, -1}) {
                    const std::int64_t wide = sign * ((std::int64_t{1} << p) + d);
                    if (wide < INT32_MIN || wide > INT32_MAX) continue;
                    const auto v = static_cast<std::int32_t>(wide);
                    EXPECT_EQ(C::satShiftLeft(v, n), C::sat32(wide * (std::int64_t{1} << n)))
                        << v << " << " << n;
                }
            }
        }
    }
}

TEST(CoreArithmetic, NegSatAndToS31) {
    EXPECT_EQ(C::negSat(kMin), kMax);
    EXPECT_EQ(C::negSat(kMin + 1), kMax);
    EXPECT_EQ(C::negSat(5), -5);
    struct Case {
        double x;
        std::int32_t expected;
    };
    const Case cases[] = {
        {0.5, 0x40000000},
        {1.0, kMax},
        {1.0 - std::ldexp(1.0, -33), kMax},
        {std::ldexp(1.0, -32), 1},
        {-0.25, 0},
        {kNaN, 0},
        {kInf, kMax},
        {1e300, kMax},
        {1.0 - std::ldexp(1.0, -30), kMax - 1},
    };
    for (const Case& c : cases) EXPECT_EQ(C::toS31(c.x), c.expected) << c.x;
    // The rule as written: floor(x * 2^31 + 0.5), capped.
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 100000; ++i) {
        const double x = unit(random);
        const double y = std::floor(x * 2147483648.0 + 0.5);
        EXPECT_EQ(C::toS31(x), y >= 2147483647.0 ? kMax : static_cast<std::int32_t>(y)) << x;
    }
}

TEST(CoreArithmetic, ProductsSpecialCaseMinusOneSquared) {
    EXPECT_EQ(C::mulFrac64(kMin, kMin), kMax64);
    EXPECT_EQ(C::mulFrac64(0x40000000, 0x40000000), std::int64_t{1} << 61);
    EXPECT_EQ(C::mulFrac64(kMin, kMax), kMin64 + (std::int64_t{1} << 32));
    EXPECT_EQ(C::mulS31(kMin, kMin), kMax);
    EXPECT_EQ(C::mulS31(0x40000000, 0x40000000), 0x20000000);
    EXPECT_EQ(C::mulS31(-1, 1), -1);  // toward minus infinity
    EXPECT_EQ(C::mulS31(kMin, kMax), -kMax);
}

TEST(CoreArithmetic, AddToAcc64Saturates) {
    FXCoreCore core;
    core.acc64 = kMax64 - 16;
    core.addToAcc64(256);
    EXPECT_EQ(core.acc64, kMax64);
    core.acc64 = kMin64 + 16;
    core.addToAcc64(-256);
    EXPECT_EQ(core.acc64, kMin64);
    core.acc64 = -5;
    core.addToAcc64(7);
    EXPECT_EQ(core.acc64, 2);
}

TEST(CoreDelayMemory, WordsKeepTheTopHalfAndAddressesWrap) {
    FXCoreCore core;
    core.writeDelay(10, -1);
    EXPECT_EQ(core.readDelay(10), -65536);
    core.writeDelay(11, 65535);
    EXPECT_EQ(core.readDelay(11), 0);
    core.writeDelay(12, 0x7FFFFFFF);
    EXPECT_EQ(core.readDelay(12), 0x7FFF0000);

    core.delayPtr = 0;
    core.delayMemory[32767] = 0x1111;
    core.delayMemory[0] = 0x2222;
    core.delayMemory[5] = 0x3333;
    EXPECT_EQ(core.readDelay(-1), 0x11110000);
    EXPECT_EQ(core.readDelay(32768), 0x22220000);
    EXPECT_EQ(core.readDelayDirect(32768 + 5), 0x33330000);
    EXPECT_EQ(core.readDelayDirect(kMin + 5), 0x33330000);
    core.delayPtr = 32767;
    EXPECT_EQ(core.readDelay(kMax), core.readDelayDirect(32766));  // sum wraps, no overflow
    core.writeDelayDirect(-1, 0x44440000);
    EXPECT_EQ(core.delayMemory[32767], 0x4444);
}

TEST(CoreDelayMemory, InterpReadSaturatesTheDifferenceAndWeighsTheOlderWord) {
    FXCoreCore core;
    core.delayPtr = 100;
    struct Case {
        std::int16_t a;
        std::int16_t b;
        double frac;
        std::int32_t expected;
    };
    const Case cases[] = {
        {-32768, 32767, 0.5, kMin + (1 << 30) - 1},  // difference saturates
        {0, 1, 1.0, 65535},
        {0, 1, 0.5, 32768},
        {0, 1, 0.0, 0},
        {0, 1, -3.0, 0},
        {0, 1, kNaN, 0},
        {5, 2, 1.0, 2 << 16},          // falling: reaches b
        {32767, -32768, 1.0, -65535},  // the difference saturates at -1.0
    };
    for (const Case& c : cases) {
        core.delayMemory[107] = c.a;
        core.delayMemory[108] = c.b;
        EXPECT_EQ(core.interpRead(7, c.frac), c.expected) << c.a << " " << c.b << " " << c.frac;
    }
    core.delayPtr = 0;
    core.delayMemory[32767] = 3;
    core.delayMemory[0] = 4;
    EXPECT_EQ(core.interpRead(-1, 0.5), (3 << 16) + 32768);  // off + 1 wraps to address 0
}

}  // namespace
}  // namespace fxcore
