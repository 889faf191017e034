#pragma once
// The bodies of the 72 operations, shared by the threaded pass of run and by
// step. Private to the core: included only by FXCoreOperations.cpp.
//
// Each body reads all its operands before it writes anything and returns how
// far the program counter moves: 1, or 1 + skip after a taken jump.

#include <cmath>
#include <limits>

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreFastMath.h"

namespace fxcore {

using Word = FXCoreCore::DecodedWord;

struct OperationHandlers {
    static constexpr std::size_t kAcc = FXCoreCore::kAcc32Register;
    static constexpr std::size_t kR15 = 15;
    static constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    static constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

    static std::int32_t& r(FXCoreCore& c, std::uint8_t index) { return c.regFile[index]; }
    static std::int32_t& acc(FXCoreCore& c) { return c.regFile[kAcc]; }
    static std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
    }
    static std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
    }
    static std::int32_t coefficient(const Word& w) {  // K << 24
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(w.c) << 24);
    }
    // One eighth of a top-half value: (m >> 3) << 16 for the 16-bit m in the top half of v.
    static std::int64_t eighthOfTopHalf(std::int32_t v) { return static_cast<std::int64_t>(v >> 19) * 65536; }
    static std::int32_t jump(bool taken, const Word& w) { return taken ? 1 + w.x : 1; }

    static std::int32_t invalid(FXCoreCore&, const Word&) { return 1; }

    // Arithmetic into the accumulators.
    static std::int32_t abs(FXCoreCore& c, const Word& w) {
        const std::int32_t a = r(c, w.a);
        acc(c) = a == kMin ? kMax : (a < 0 ? -a : a);
        return 1;
    }
    static std::int32_t clearAcc64(FXCoreCore& c, const Word&) {
        c.acc64 = 0;
        return 1;
    }
    static std::int32_t addImm(FXCoreCore& c, const Word& w) {
        acc(c) = wrapAdd(r(c, w.a), w.x);
        return 1;
    }
    static std::int32_t add(FXCoreCore& c, const Word& w) {
        acc(c) = wrapAdd(r(c, w.a), r(c, w.b));
        return 1;
    }
    static std::int32_t addSat(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::satAdd(r(c, w.a), r(c, w.b));
        return 1;
    }
    static std::int32_t addSatImm(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::satAdd(r(c, w.a), w.x);
        return 1;
    }
    static std::int32_t sub(FXCoreCore& c, const Word& w) {
        acc(c) = wrapSub(r(c, w.a), r(c, w.b));
        return 1;
    }
    static std::int32_t subSat(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::satSub(r(c, w.a), r(c, w.b));
        return 1;
    }
    static std::int32_t shiftLeftImm(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::shl(r(c, w.a), w.x);
        return 1;
    }
    static std::int32_t shiftLeft(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::shl(r(c, w.a), r(c, w.b));
        return 1;
    }
    static std::int32_t shiftLeftSatImm(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::satShiftLeft(r(c, w.a), w.x);
        return 1;
    }
    static std::int32_t shiftLeftSat(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::satShiftLeft(r(c, w.a), r(c, w.b) & 31);
        return 1;
    }
    static std::int32_t shiftRightImm(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::shrLogical(r(c, w.a), w.x);
        return 1;
    }
    static std::int32_t shiftRight(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::shrLogical(r(c, w.a), r(c, w.b));
        return 1;
    }
    static std::int32_t shiftRightArithImm(FXCoreCore& c, const Word& w) {
        acc(c) = r(c, w.a) >> w.x;
        return 1;
    }
    static std::int32_t shiftRightArith(FXCoreCore& c, const Word& w) {
        acc(c) = r(c, w.a) >> (r(c, w.b) & 31);
        return 1;
    }
    static std::int32_t mac(FXCoreCore& c, const Word& w) {
        c.addToAcc64(FXCoreCore::mulFrac64(r(c, w.a), r(c, w.b)));
        return 1;
    }
    static std::int32_t macImm(FXCoreCore& c, const Word& w) {
        c.addToAcc64(FXCoreCore::mulFrac64(r(c, w.a), w.x));
        return 1;
    }
    static std::int32_t macDelay(FXCoreCore& c, const Word& w) {
        c.addToAcc64(mulFrac64ByWord(r(c, w.a), c.readDelayWord(w.x)));
        return 1;
    }
    static std::int32_t macCoefDelay(FXCoreCore& c, const Word& w) {
        c.addToAcc64(FXCoreCore::mulFrac64(coefficient(w), c.readDelay(w.x)));
        return 1;
    }
    // The MacDiv8 products are at most 2^60 in magnitude: no special case.
    static std::int32_t macDiv8(FXCoreCore& c, const Word& w) {
        c.addToAcc64(std::int64_t{2} * r(c, w.a) * (r(c, w.b) >> 3));
        return 1;
    }
    static std::int32_t macDiv8Imm(FXCoreCore& c, const Word& w) {
        c.addToAcc64(std::int64_t{2} * r(c, w.a) * eighthOfTopHalf(w.x));
        return 1;
    }
    static std::int32_t macDiv8Delay(FXCoreCore& c, const Word& w) {
        c.addToAcc64(std::int64_t{2} * r(c, w.a) * eighthOfTopHalf(c.readDelay(w.x)));
        return 1;
    }
    static std::int32_t macDiv8CoefDelay(FXCoreCore& c, const Word& w) {
        c.addToAcc64(std::int64_t{2} * coefficient(w) * eighthOfTopHalf(c.readDelay(w.x)));
        return 1;
    }
    // mulS31 with the limit on the rare path: the doubled product overflows
    // exactly for (-1.0) x (-1.0), and otherwise its high half is the
    // product. One branch on the overflow flag instead of a compare and a
    // conditional move; kept to Mul, the frequent product of two registers
    // (in the longer bodies the call on the rare path costs registers).
    static std::int32_t mul(FXCoreCore& c, const Word& w) {
        const std::int64_t product = std::int64_t{r(c, w.a)} * r(c, w.b);
        std::int64_t doubled = 0;
        if (__builtin_add_overflow(product, product, &doubled))
            acc(c) = arithmetic_detail::largestProduct();
        else
            acc(c) = static_cast<std::int32_t>(doubled >> 32);
        return 1;
    }
    static std::int32_t mulImm(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::mulS31(r(c, w.a), w.x);
        return 1;
    }
    // Products by a constant other than -1.0 (the decoder picks these bodies
    // only then): never (-1.0) x (-1.0), so the doubled product fits and the
    // S.31 product needs no limit.
    static std::int64_t mulFrac64ByConstant(std::int32_t a, std::int32_t k) {
        return static_cast<std::int64_t>(a) * k * 2;
    }
    // mulFrac64 of a and a delay word's value m << 16, as (a << 17) x m: the
    // multiplication overflows exactly for (-1.0) x (-1.0).
    static std::int64_t mulFrac64ByWord(std::int32_t a, std::int16_t m) {
        std::int64_t product = 0;
        if (__builtin_mul_overflow(std::int64_t{a} * 131072, std::int64_t{m}, &product))
            return std::numeric_limits<std::int64_t>::max();
        return product;
    }
    static std::int32_t mulImmInRange(FXCoreCore& c, const Word& w) {
        acc(c) = arithmetic_detail::mulS31ByNonMinimum(r(c, w.a), w.x);
        return 1;
    }
    static std::int32_t macImmInRange(FXCoreCore& c, const Word& w) {
        c.addToAcc64(mulFrac64ByConstant(r(c, w.a), w.x));
        return 1;
    }
    // 2 (K << 24)(m << 16) = (K m) << 41, |K m| < 2^22 for K > -128.
    static std::int32_t macCoefDelayInRange(FXCoreCore& c, const Word& w) {
        const std::int32_t km = static_cast<std::int8_t>(w.c) * c.readDelayWord(w.x);
        c.addToAcc64(std::int64_t{km} * (std::int64_t{1} << 41));
        return 1;
    }
    static std::int32_t negate(FXCoreCore& c, const Word& w) {
        acc(c) = FXCoreCore::negSat(r(c, w.a));
        return 1;
    }
    // Result with 26 fraction bits, from -31 (|A| = 1) to 0 (|A| = 2^31).
    // (fastmath::log2Reference and exp2Reference define them; these are
    // their exact fast forms.)
    [[gnu::always_inline]] static std::int32_t log2(FXCoreCore& c, const Word& w) {
        acc(c) = fastmath::log2Word(r(c, w.a));
        return 1;
    }
    static std::int32_t exp2(FXCoreCore& c, const Word& w) {
        acc(c) = fastmath::exp2Word(r(c, w.a));
        return 1;
    }

    // Moves. For MREG forms, b already holds the register-file index of MREG M.
    static std::int32_t move(FXCoreCore& c, const Word& w) {
        r(c, w.a) = r(c, w.b);
        return 1;
    }
    // `Move rX, acc32`, the usual way a result leaves the accumulator.
    static std::int32_t moveFromAcc32(FXCoreCore& c, const Word& w) {
        r(c, w.a) = acc(c);
        return 1;
    }
    static std::int32_t loadMreg(FXCoreCore& c, const Word& w) {
        r(c, w.a) = r(c, w.b);
        return 1;
    }
    static std::int32_t storeMreg(FXCoreCore& c, const Word& w) {
        r(c, w.b) = r(c, w.a);
        return 1;
    }
    static std::int32_t loadMregIndexed(FXCoreCore& c, const Word& w) {
        const auto index = static_cast<std::size_t>(r(c, w.b) & 127);
        r(c, w.a) = c.regFile[FXCoreCore::kFirstMregRegister + index];
        return 1;
    }

    // acc64 halves and delay memory.
    static std::int32_t readAcc64High(FXCoreCore& c, const Word& w) {
        r(c, w.a) = static_cast<std::int32_t>(c.acc64 >> 32);
        return 1;
    }
    static std::int32_t readAcc64Low(FXCoreCore& c, const Word& w) {
        r(c, w.a) =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(c.acc64)));
        return 1;
    }
    static std::int32_t writeAcc64High(FXCoreCore& c, const Word& w) {
        const std::uint64_t low = static_cast<std::uint64_t>(c.acc64) & 0xFFFFFFFFu;
        c.acc64 = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(r(c, w.a))) << 32) | low);
        return 1;
    }
    static std::int32_t writeAcc64Low(FXCoreCore& c, const Word& w) {
        const std::uint64_t high = static_cast<std::uint64_t>(c.acc64) & 0xFFFFFFFF00000000u;
        c.acc64 = static_cast<std::int64_t>(high | static_cast<std::uint32_t>(r(c, w.a)));
        return 1;
    }
    static std::int32_t readDelay(FXCoreCore& c, const Word& w) {
        r(c, w.a) = c.readDelay(w.x);
        return 1;
    }
    static std::int32_t writeDelay(FXCoreCore& c, const Word& w) {
        c.writeDelay(w.x, r(c, w.a));
        return 1;
    }
    static std::int32_t readDelayIndexed(FXCoreCore& c, const Word& w) {
        r(c, w.a) = c.readDelay(r(c, w.b));
        return 1;
    }
    static std::int32_t writeDelayIndexed(FXCoreCore& c, const Word& w) {
        c.writeDelay(r(c, w.a), r(c, w.b));
        return 1;
    }
    static std::int32_t readDelayDirect(FXCoreCore& c, const Word& w) {
        r(c, w.a) = c.readDelayDirect(r(c, w.b));
        return 1;
    }
    static std::int32_t writeDelayDirect(FXCoreCore& c, const Word& w) {
        c.writeDelayDirect(r(c, w.a), r(c, w.b));
        return 1;
    }
    // acc64 x 8 as S.31: bits 60..32 as bits 31..3 when bits 63..60 agree.
    static std::int32_t readAcc64Scaled(FXCoreCore& c, const Word& w) {
        const std::int64_t top = c.acc64 >> 60;
        if (top == 0 || top == -1) {
            r(c, w.a) = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(static_cast<std::uint64_t>(c.acc64) >> 32) << 3);
        } else {
            r(c, w.a) = c.acc64 >= 0 ? kMax : kMin;
        }
        return 1;
    }
    static std::int32_t loadImmHigh(FXCoreCore& c, const Word& w) {
        r(c, w.a) = w.x;
        return 1;
    }

    // Logic and jumps.
    static std::int32_t bitNot(FXCoreCore& c, const Word& w) {
        acc(c) = ~r(c, w.a);
        return 1;
    }
    static std::int32_t bitOr(FXCoreCore& c, const Word& w) {
        acc(c) = r(c, w.a) | r(c, w.b);
        return 1;
    }
    static std::int32_t orImm(FXCoreCore& c, const Word& w) {
        acc(c) = r(c, w.a) | w.x;
        return 1;
    }
    static std::int32_t bitAnd(FXCoreCore& c, const Word& w) {
        acc(c) = r(c, w.a) & r(c, w.b);
        return 1;
    }
    static std::int32_t andImm(FXCoreCore& c, const Word& w) {
        acc(c) = r(c, w.a) & w.x;
        return 1;
    }
    static std::int32_t bitXor(FXCoreCore& c, const Word& w) {
        acc(c) = r(c, w.a) ^ r(c, w.b);
        return 1;
    }
    static std::int32_t xorImm(FXCoreCore& c, const Word& w) {
        acc(c) = r(c, w.a) ^ w.x;
        return 1;
    }
    static std::int32_t jumpIfNotNeg(FXCoreCore& c, const Word& w) { return jump(r(c, w.a) >= 0, w); }
    static std::int32_t jumpIfNeg(FXCoreCore& c, const Word& w) { return jump(r(c, w.a) < 0, w); }
    static std::int32_t jumpIfNonZero(FXCoreCore& c, const Word& w) { return jump(r(c, w.a) != 0, w); }
    static std::int32_t jumpIfZero(FXCoreCore& c, const Word& w) { return jump(r(c, w.a) == 0, w); }
    static std::int32_t jumpIfSignDiffers(FXCoreCore& c, const Word& w) {
        return jump((r(c, w.a) ^ acc(c)) < 0, w);
    }
    static std::int32_t jumpAlways(FXCoreCore&, const Word& w) { return 1 + w.x; }

    // All-pass halves: v is the value read, a the accumulator before the word.
    static std::int32_t allpassReadWith(FXCoreCore& c, std::int32_t v, std::int32_t gain) {
        const std::int32_t a = acc(c);
        acc(c) = FXCoreCore::satAdd(a, FXCoreCore::mulS31(v, gain));
        c.regFile[kR15] = v;
        return 1;
    }
    static std::int32_t allpassWriteResult(FXCoreCore& c, std::int32_t r15, std::int32_t product) {
        acc(c) = FXCoreCore::satAdd(r15, product);
        return 1;
    }
    static std::int32_t allpassReadImm(FXCoreCore& c, const Word& w) {
        return allpassReadWith(c, c.readDelay(w.x), coefficient(w));
    }
    static std::int32_t allpassWriteImm(FXCoreCore& c, const Word& w) {
        const std::int32_t a = acc(c);
        const std::int32_t r15 = c.regFile[kR15];
        c.writeDelay(w.x, a);
        return allpassWriteResult(c, r15, FXCoreCore::mulS31(a, coefficient(w)));
    }
    // The word m read is the value m << 16, so its product with K << 24 is
    // exactly (K m) << 9 (|K m| < 2^22); the product of a with K << 24 is
    // (a K) >> 7.
    static std::int32_t allpassReadImmInRange(FXCoreCore& c, const Word& w) {
        const std::int16_t m = c.readDelayWord(w.x);
        const std::int32_t product = static_cast<std::int8_t>(w.c) * m * 512;
        acc(c) = FXCoreCore::satAdd(acc(c), product);
        c.regFile[kR15] = arithmetic_detail::wordToS31(m);
        return 1;
    }
    static std::int32_t allpassWriteImmInRange(FXCoreCore& c, const Word& w) {
        const std::int32_t a = acc(c);
        const std::int32_t r15 = c.regFile[kR15];
        c.writeDelay(w.x, a);
        const auto product =
            static_cast<std::int32_t>((std::int64_t{a} * static_cast<std::int8_t>(w.c)) >> 7);
        return allpassWriteResult(c, r15, product);
    }
    static std::int32_t allpassRead(FXCoreCore& c, const Word& w) {
        return allpassReadWith(c, c.readDelay(w.x), FXCoreCore::negSat(r(c, w.a)));
    }
    static std::int32_t allpassWrite(FXCoreCore& c, const Word& w) {
        const std::int32_t a = acc(c);
        const std::int32_t gain = r(c, w.a);
        const std::int32_t r15 = c.regFile[kR15];
        c.writeDelay(w.x, a);
        return allpassWriteResult(c, r15, FXCoreCore::mulS31(gain, a));
    }
    static std::int32_t allpassReadIndexed(FXCoreCore& c, const Word& w) {
        return allpassReadWith(c, c.readDelay(r(c, w.b)), FXCoreCore::negSat(r(c, w.a)));
    }
    static std::int32_t allpassWriteIndexed(FXCoreCore& c, const Word& w) {
        const std::int32_t a = acc(c);
        const std::int32_t gain = r(c, w.a);
        const std::int32_t r15 = c.regFile[kR15];
        c.writeDelay(r(c, w.b), a);
        return allpassWriteResult(c, r15, FXCoreCore::mulS31(gain, a));
    }
    static std::int32_t allpassReadMreg(FXCoreCore& c, const Word& w) {
        return allpassReadWith(c, r(c, w.b), FXCoreCore::negSat(r(c, w.a)));
    }
    static std::int32_t allpassWriteMreg(FXCoreCore& c, const Word& w) {
        const std::int32_t a = acc(c);
        const std::int32_t gain = r(c, w.a);
        const std::int32_t r15 = c.regFile[kR15];
        r(c, w.b) = a;
        return allpassWriteResult(c, r15, FXCoreCore::mulS31(gain, a));
    }

    // Interpolated reads. For ReadLfoModulated b is the lane and c the negate
    // bit; for ReadRampPitch b is the ramp and c the window size.
    static std::int32_t readLfoModulated(FXCoreCore& c, const Word& w) {
        std::int32_t lfo = c.sfr[static_cast<std::size_t>(FXCoreCore::kSfrLfoSine0 + w.b)];
        if (w.c != 0) lfo = FXCoreCore::negSat(lfo);
        const double x = (static_cast<double>(lfo) + 2147483648.0) * 0x1p-32;
        const std::int32_t depth = (c.regFile[kR15] >> 16) & 0x7FFF;
        const double p = depth * x;  // in [0, 32767)
        const auto i = static_cast<std::int32_t>(p);
        acc(c) = c.interpRead(w.x + i, p - i);
        return 1;
    }
    // Inlined into the pass like the rest (GCC would call it: it is long).
    [[gnu::always_inline]] static std::int32_t readRampPitch(FXCoreCore& c, const Word& w) {
        const double n = static_cast<double>(512 << w.c);
        const double j = static_cast<double>(c.ramp[w.b]) * 0x1p-32;
        const double p1 = j * n;
        double p2 = p1 + n / 2;  // below 1.5 n: one subtraction is the exact remainder
        if (p2 >= n) p2 -= n;
        const auto i1 = static_cast<std::int32_t>(p1);
        const auto i2 = static_cast<std::int32_t>(p2);
        const std::int32_t t1 = c.interpRead(w.x + i1, p1 - i1);
        const std::int32_t t2 = c.interpRead(w.x + i2, p2 - i2);
        const double g = 1.0 - std::fabs(2.0 * j - 1.0);
        // The weights are not negative, so never -1.0.
        acc(c) = FXCoreCore::satAdd(arithmetic_detail::mulS31ByNonMinimum(t1, FXCoreCore::toS31(g)),
                                    arithmetic_detail::mulS31ByNonMinimum(t2, FXCoreCore::toS31(1.0 - g)));
        return 1;
    }
    static std::int32_t setUserOut(FXCoreCore& c, const Word& w) {
        c.userOut[w.c] = static_cast<std::int32_t>((static_cast<std::uint32_t>(r(c, w.a)) >> w.x) & 1u);
        return 1;
    }
    // 16.16 offset in A; the weight is the integer fraction f / 65536.
    static std::int32_t readInterpolated(FXCoreCore& c, const Word& w) {
        const auto a = static_cast<std::uint32_t>(r(c, w.a));
        const auto offset = static_cast<std::int32_t>(a >> 16);
        const std::int64_t fraction = a & 0xFFFFu;
        const std::int32_t s0 = c.readDelay(w.x + offset);
        const std::int32_t s1 = c.readDelay(w.x + offset + 1);
        const std::int64_t d = FXCoreCore::satSub(s1, s0);
        acc(c) = FXCoreCore::sat32(s0 + ((d * fraction) >> 16));
        return 1;
    }

    // Variants the decoder picks by SFR number, so a pass reads and writes
    // SFRs without going through the map at run time.
    static std::int32_t loadSfrZero(FXCoreCore& c, const Word& w) {
        r(c, w.a) = 0;
        return 1;
    }
    static std::int32_t loadSfrValue(FXCoreCore& c, const Word& w) {
        r(c, w.a) = c.sfr[static_cast<std::size_t>(w.x)];
        return 1;
    }
    static std::int32_t loadSfrCounter(FXCoreCore& c, const Word& w) {
        r(c, w.a) = static_cast<std::int32_t>(c.sampleCounter);
        return 1;
    }
    // b holds the output latch's index (x - kSfrOutput0).
    static std::int32_t storeSfrOutput(FXCoreCore& c, const Word& w) {
        const std::int32_t value = r(c, w.a);
        c.sfr[static_cast<std::size_t>(w.x)] = value;
        c.outputs[w.b] = value;
        return 1;
    }
    static std::int32_t storeSfrShift(FXCoreCore& c, const Word& w) {
        c.writePotShift(w.x, r(c, w.a));
        return 1;
    }
    static std::int32_t storeSfrValue(FXCoreCore& c, const Word& w) {
        c.sfr[static_cast<std::size_t>(w.x)] = r(c, w.a);
        return 1;
    }
};

}  // namespace fxcore
