#pragma once
// Inline definitions of FXCoreCore's fixed-point primitives and delay-memory
// accesses. Included by FXCoreCore.h; not meant to be included on its own.
//
// Every rule is exact to the bit at the edges, and none of them overflows a
// signed type or converts an out-of-range double to an integer: bits that
// may wrap or fall off are shifted and added as unsigned or 64-bit values.

#include <cmath>
#include <cstdint>
#include <limits>

namespace fxcore {

namespace arithmetic_detail {
// The limit of (-1.0) x (-1.0), returned out of line: a call on the rare
// path keeps Mul's test one branch on the overflow flag (inline, GCC turns it
// into a flag copy, a test and a conditional move).
[[gnu::cold, gnu::noinline, gnu::const]] inline std::int32_t largestProduct() {
    return std::numeric_limits<std::int32_t>::max();
}
}  // namespace arithmetic_detail

inline std::int32_t FXCoreCore::sat32(std::int64_t v) {
    if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// An overflowing sum or difference lies beyond the end of a's sign, and its
// wrapped value has the other sign: the limit is read from the wrapped value,
// so a need not be kept beside it (one register move less per use).
inline std::int32_t FXCoreCore::satAdd(std::int32_t a, std::int32_t b) {
    std::int32_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return sum < 0 ? std::numeric_limits<std::int32_t>::max() : std::numeric_limits<std::int32_t>::min();
    return sum;
}

inline std::int32_t FXCoreCore::satSub(std::int32_t a, std::int32_t b) {
    std::int32_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference))
        return difference < 0 ? std::numeric_limits<std::int32_t>::max()
                              : std::numeric_limits<std::int32_t>::min();
    return difference;
}

inline std::int32_t FXCoreCore::sat32d(double x) {
    if (std::isnan(x)) return 0;
    if (x > 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (x < -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(x);  // truncates toward zero; in range here
}

inline double FXCoreCore::jsRound(double x) {
    return std::floor(x + 0.5);
}

inline std::int32_t FXCoreCore::roundSat32(double x) {
    const double y = x + 0.5;  // the same sum jsRound floors
    if (!(y >= -2147483648.0)) return y != y ? 0 : std::numeric_limits<std::int32_t>::min();
    if (y >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
    std::int64_t t = static_cast<std::int64_t>(y);  // truncation; |y| < 2^31 + 1
    if (static_cast<double>(t) > y) --t;            // floor for negative non-integers
    return static_cast<std::int32_t>(t);
}

inline std::int32_t FXCoreCore::shl(std::int32_t v, std::int32_t n) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) << (static_cast<std::uint32_t>(n) & 31u));
}

inline std::int32_t FXCoreCore::shrLogical(std::int32_t v, std::int32_t n) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) >> (static_cast<std::uint32_t>(n) & 31u));
}

// Exact when shifting back gives v again: the top s + 1 bits of v are equal.
inline std::int32_t FXCoreCore::satShiftLeft(std::int32_t v, std::int32_t n) {
    const std::int32_t s = n & 31;
    const std::int32_t shifted = shl(v, s);
    if ((shifted >> s) == v) return shifted;
    return v < 0 ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int32_t>::max();
}

inline std::int32_t FXCoreCore::negSat(std::int32_t v) {
    return v == std::numeric_limits<std::int32_t>::min() ? std::numeric_limits<std::int32_t>::max() : -v;
}

inline std::int32_t FXCoreCore::toS31(double x) {
    if (!(x > 0.0)) return 0;                 // also NaN
    const double y = x * 2147483648.0 + 0.5;  // positive: its floor is its truncation
    if (y >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(y);
}

// S.31 x S.31 -> S.63. |a * b| < 2^62 except for (-1) x (-1), whose doubled
// product 2^63 does not fit and becomes the largest value. (2a) x b sets the
// multiplication's overflow flag exactly then.
inline std::int64_t FXCoreCore::mulFrac64(std::int32_t a, std::int32_t b) {
    std::int64_t doubled = 0;
    if (__builtin_mul_overflow(std::int64_t{a} * 2, std::int64_t{b}, &doubled))
        return std::numeric_limits<std::int64_t>::max();
    return doubled;
}

// S.31 x S.31 -> S.31, rounding toward minus infinity. Only (-1) x (-1) gives
// 2^31, one above the largest value.
inline std::int32_t FXCoreCore::mulS31(std::int32_t a, std::int32_t b) {
    const std::int64_t shifted = (static_cast<std::int64_t>(a) * b) >> 31;
    return static_cast<std::int32_t>(shifted > std::numeric_limits<std::int32_t>::max()
                                         ? std::numeric_limits<std::int32_t>::max()
                                         : shifted);
}

inline void FXCoreCore::addToAcc64(std::int64_t x) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(acc64, x, &sum))
        sum = x > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    acc64 = sum;
}

namespace arithmetic_detail {
inline std::size_t delayIndex(std::int32_t base, std::int32_t off) {
    return (static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(off)) & 0x7FFFu;
}
inline std::int32_t wordToS31(std::int16_t word) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(word)) << 16);
}
inline std::int16_t s31ToWord(std::int32_t v) {
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(v) >> 16);
}
// mulS31 when b is not -1.0: the product never reaches the limit.
inline std::int32_t mulS31ByNonMinimum(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>((static_cast<std::int64_t>(a) * b) >> 31);
}
}  // namespace arithmetic_detail

inline std::int32_t FXCoreCore::readDelay(std::int32_t off) const {
    return arithmetic_detail::wordToS31(delayMemory[arithmetic_detail::delayIndex(delayPtr, off)]);
}

inline std::int16_t FXCoreCore::readDelayWord(std::int32_t off) const {
    return delayMemory[arithmetic_detail::delayIndex(delayPtr, off)];
}

inline void FXCoreCore::writeDelay(std::int32_t off, std::int32_t v) {
    delayMemory[arithmetic_detail::delayIndex(delayPtr, off)] = arithmetic_detail::s31ToWord(v);
}

inline std::int32_t FXCoreCore::readDelayDirect(std::int32_t addr) const {
    return arithmetic_detail::wordToS31(delayMemory[arithmetic_detail::delayIndex(0, addr)]);
}

inline void FXCoreCore::writeDelayDirect(std::int32_t addr, std::int32_t v) {
    delayMemory[arithmetic_detail::delayIndex(0, addr)] = arithmetic_detail::s31ToWord(v);
}

// Linear interpolation from the word at off towards the older word at off + 1.
inline std::int32_t FXCoreCore::interpRead(std::int32_t off, double frac) const {
    const std::int32_t a = readDelay(off);
    const std::int32_t b = readDelay(static_cast<std::int32_t>(static_cast<std::uint32_t>(off) + 1u));
    return satAdd(a, arithmetic_detail::mulS31ByNonMinimum(satSub(b, a), toS31(frac)));  // toS31 >= 0
}

}  // namespace fxcore
