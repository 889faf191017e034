#pragma once
// Exact fast forms of the core's floating-point results: the LFO sine and
// cosine, Exp2 and Log2. Each result is an integer, defined by a library call
// and a rounding (the *Reference functions). The fast form evaluates the
// function with a table and a short polynomial whose error is bounded far
// below a margin: when its value lies farther than the margin from every
// rounding boundary, the library's value lies on the same side of them and
// rounds to the same integer; otherwise the fast form calls the library
// itself. So every result is the reference's.
//
// Bounds, on the value before rounding (|z| < 2^31): table and polynomial
// error, the library's error (below 1 ulp) and the roundings of forming z add
// up to less than 3e-6 for every form; the margins are 1e-5 (sine, cosine)
// and 2^-17 (Exp2, Log2). The tests compare each form with its reference over
// random, edge and near-boundary inputs, Exp2 and Log2 over every input, and
// check the measured polynomial error against the bound.

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "fxcore/FXCoreCore.h"

namespace fxcore::fastmath {

// ---- references: the results as defined -----------------------------------

inline std::int32_t lfoSineReference(double phase) {
    return FXCoreCore::roundSat32(std::sin(phase) * 2147483647.0);
}
inline std::int32_t lfoCosineReference(double phase) {
    return FXCoreCore::roundSat32(std::cos(phase) * 2147483647.0);
}
inline std::int32_t exp2Reference(std::int32_t a) {
    return FXCoreCore::roundSat32(std::exp2(static_cast<double>(a) * 0x1p-26) * 0x1p31);
}
inline std::int32_t log2Reference(std::int32_t a) {
    if (a == 0) return std::numeric_limits<std::int32_t>::min();
    return FXCoreCore::roundSat32(std::log2(std::fabs(static_cast<double>(a)) * 0x1p-31) * 0x1p26);
}

// ---- tables (FXCoreFastMath.cpp) ------------------------------------------

// Arrays rather than pointers to them, so a lookup addresses the table itself
// instead of first loading where it lies.

// pi/32, the LFO table's step, as a head of 33 bits (so a small multiple of
// it is exact) and a tail.
inline constexpr double kStepHead = 0x1.921fb544p-4;       // pi/32 to 33 bits
inline constexpr double kStepTail = 3.79818781656637e-12;  // pi/32 - head

inline constexpr double kStepsPerRadian = 10.185916357881302;  // 32/pi


// For j = 0..63, with s = sin(j pi/32) and c = cos(j pi/32), each within
// about 1 ulp: {s, c} and {c, -s}, the factors of cos r and sin r.
struct LfoTableEntry {
    double sineCosine[2];
    double cosineMinusSine[2];
};
extern const std::array<LfoTableEntry, 64> kLfoTable;
// 2^(k/64) for k = 0..63, within 1 ulp.
extern const std::array<double, 64> kExp2Table;
// For k = 0..63: a short reciprocal of the centre 1 + (k + 0.5)/64 (at most
// 21 significant bits, so a 31-bit mantissa times it is exact) and
// -log2 of that reciprocal, within 1 ulp.
struct Log2Entry {
    double reciprocal;
    double minusLog2;
};
extern const std::array<Log2Entry, 64> kLog2Table;

// ---- the common rounding test ----------------------------------------------

// Each reference rounds a value z as floor(z + 0.5). When the fast form's z
// lies closer than 0.5 - margin to an integer n, so farther than the margin
// from every boundary k + 0.5, the reference's z (and its z + 0.5, formed in
// floating point) lies on the same side of them and it rounds to n too.
// n is the conversion in the current rounding mode; whatever that mode, the
// distance test only passes for the nearest integer. |z| must be below 2^31
// (or z NaN, which fails the test).
inline bool nearestIfClear(double z, double margin, std::int32_t& out) {
#if defined(__SSE2__)
    const std::int32_t n = _mm_cvtsd_si32(_mm_set_sd(z));
#else
    const auto n = static_cast<std::int32_t>(std::nearbyint(z));
#endif
    if (!(std::fabs(z - static_cast<double>(n)) < 0.5 - margin)) return false;
    out = n;
    return true;
}

// ---- LFO sine and cosine ---------------------------------------------------

struct SineCosine {
    std::int32_t sine;
    std::int32_t cosine;
};

// sin(phase) and cos(phase) by the table and polynomials, for phases in
// [0, 8), within 1e-15 of the exact values.
struct SineCosineValues {
    double sine;
    double cosine;
};

// phase = j * pi/32 + r with |r| <= pi/64 (plus rounding): pi/32 is split
// into a 33-bit head, so j * head and phase - j * head are exact, and the
// tail. sin(r) = r * S(r^2) and cos(r) = C(r^2), the Taylor polynomials (the
// first omitted terms are below 5e-18 for |r| <= 0.05); then
// sin(j pi/32 + r) = sin_j cos r + cos_j sin r, cos(...) = cos_j cos r - sin_j sin r.
#if defined(__SSE2__)
// Both polynomials in the two lanes of one register: lane 0 is S, lane 1 is C
// (S padded with a 0 coefficient to C's degree).
inline __m128d lfoValuesPacked(double phase) {
    const auto j = static_cast<std::int32_t>(phase * kStepsPerRadian + 0.5);
    const double jd = static_cast<double>(j);
    const double r = (phase - jd * kStepHead) - jd * kStepTail;
    const __m128d r2 = _mm_set1_pd(r * r);
    __m128d p = _mm_set_pd(1.0 / 40320, 0.0);
    p = _mm_add_pd(_mm_mul_pd(p, r2), _mm_set_pd(-1.0 / 720, -1.0 / 5040));
    p = _mm_add_pd(_mm_mul_pd(p, r2), _mm_set_pd(1.0 / 24, 1.0 / 120));
    p = _mm_add_pd(_mm_mul_pd(p, r2), _mm_set_pd(-0.5, -1.0 / 6));
    p = _mm_add_pd(_mm_mul_pd(p, r2), _mm_set1_pd(1.0));
    const __m128d sinCos = _mm_mul_pd(p, _mm_set_pd(1.0, r));  // (sin r, cos r)
    const LfoTableEntry& t = kLfoTable[j & 63];                // j * pi/32 modulo 2 pi
    const __m128d cosR = _mm_unpackhi_pd(sinCos, sinCos);
    const __m128d sinR = _mm_unpacklo_pd(sinCos, sinCos);
    return _mm_add_pd(_mm_mul_pd(_mm_loadu_pd(t.sineCosine), cosR),
                      _mm_mul_pd(_mm_loadu_pd(t.cosineMinusSine), sinR));
}

inline SineCosineValues lfoValues(double phase) {
    const __m128d v = lfoValuesPacked(phase);
    return {_mm_cvtsd_f64(v), _mm_cvtsd_f64(_mm_unpackhi_pd(v, v))};
}

// Both outputs when the fast form decides them; false otherwise (then
// nothing is written). Phases outside [0, 8) are left to the library. Both
// roundings at once, as nearestIfClear does them.
inline bool tryLfoSineCosine(double phase, SineCosine& out) {
    if (!(phase >= 0.0 && phase < 8.0)) return false;
    const __m128d z = _mm_mul_pd(lfoValuesPacked(phase), _mm_set1_pd(2147483647.0));
    const __m128i n = _mm_cvtpd_epi32(z);
    const __m128d distance = _mm_andnot_pd(_mm_set1_pd(-0.0), _mm_sub_pd(z, _mm_cvtepi32_pd(n)));
    constexpr double kMargin = 1e-5;
    if (_mm_movemask_pd(_mm_cmplt_pd(distance, _mm_set1_pd(0.5 - kMargin))) != 3) return false;
    out = {_mm_cvtsi128_si32(n), _mm_cvtsi128_si32(_mm_shuffle_epi32(n, 1))};
    return true;
}
#else
inline SineCosineValues lfoValues(double phase) {
    const auto j = static_cast<std::int32_t>(phase * kStepsPerRadian + 0.5);
    const double jd = static_cast<double>(j);
    const double r = (phase - jd * kStepHead) - jd * kStepTail;
    const double r2 = r * r;
    const double sinR = r * (1.0 + r2 * (-1.0 / 6 + r2 * (1.0 / 120 + r2 * (-1.0 / 5040 + r2 * 0.0))));
    const double cosR = 1.0 + r2 * (-0.5 + r2 * (1.0 / 24 + r2 * (-1.0 / 720 + r2 * (1.0 / 40320))));
    const LfoTableEntry& t = kLfoTable[j & 63];
    return {t.sineCosine[0] * cosR + t.cosineMinusSine[0] * sinR,
            t.sineCosine[1] * cosR + t.cosineMinusSine[1] * sinR};
}

inline bool tryLfoSineCosine(double phase, SineCosine& out) {
    if (!(phase >= 0.0 && phase < 8.0)) return false;
    const auto [sine, cosine] = lfoValues(phase);
    constexpr double kMargin = 1e-5;
    SineCosine result{};
    if (!nearestIfClear(sine * 2147483647.0, kMargin, result.sine)) return false;
    if (!nearestIfClear(cosine * 2147483647.0, kMargin, result.cosine)) return false;
    out = result;
    return true;
}
#endif

inline SineCosine lfoSineCosine(double phase) {
    SineCosine out{};
    if (!tryLfoSineCosine(phase, out)) out = {lfoSineReference(phase), lfoCosineReference(phase)};
    return out;
}

// ---- Exp2 ------------------------------------------------------------------

// a >= 0 gives exp2 >= 1, 2^31 or more: always the largest value. For a < 0,
// a = e * 2^26 + k * 2^20 + g, and exp2(a * 2^-26) = 2^e * 2^(k/64) * 2^t
// with t = g * 2^-26 in [0, 1/64).
[[gnu::always_inline]] inline bool tryExp2Word(std::int32_t a, std::int32_t& out) {
    if (a >= 0) {
        out = std::numeric_limits<std::int32_t>::max();
        return true;
    }
    const std::int32_t e = a >> 26;  // -32..-1
    const auto k = static_cast<std::size_t>((a >> 20) & 63);
    const double u = static_cast<double>(a & 0xFFFFF) * (0x1p-26 * 0.6931471805599453);  // t ln 2
    const double expU =
        1.0 + u * (1.0 + u * (0.5 + u * (1.0 / 6 + u * (1.0 / 24 + u * (1.0 / 120 + u * (1.0 / 720))))));
    // 2^(e + 31), e + 31 in -1..30, built from its exponent bits.
    const double scale = std::bit_cast<double>(static_cast<std::uint64_t>(e + 31 + 1023) << 52);
    const double v = kExp2Table[k] * expU * scale;  // < 2^31
    return nearestIfClear(v, 0x1p-17, out);
}

[[gnu::always_inline]] inline std::int32_t exp2Word(std::int32_t a) {
    std::int32_t out = 0;
    return tryExp2Word(a, out) ? out : exp2Reference(a);
}

// ---- Log2 ------------------------------------------------------------------

// |a| = 2^p * m with m in [1, 2); log2(|a| * 2^-31) = (p - 31) + log2(m), and
// log2(m) = log2(m * c) - log2(c) for the table's reciprocal c near 1/m,
// where m * c - 1 is exact and small.
[[gnu::always_inline]] inline bool tryLog2Word(std::int32_t a, std::int32_t& out) {
    if (a == 0) {
        out = std::numeric_limits<std::int32_t>::min();
        return true;
    }
    const std::uint32_t n =
        a < 0 ? 0u - static_cast<std::uint32_t>(a) : static_cast<std::uint32_t>(a);  // 1..2^31
    const int p = 31 - std::countl_zero(n);
    const std::uint32_t normalised = n << (31 - p);  // top bit set
    const auto k = static_cast<std::size_t>((normalised >> 25) & 63);
    const double m = static_cast<double>(normalised) * 0x1p-31;
    const Log2Entry& entry = kLog2Table[k];
    const double r = m * entry.reciprocal - 1.0;  // exact, |r| < 0.0079
    // log2(1 + r) from ln(1 + r).
    const double ln1p =
        r - r * r * (0.5 - r * (1.0 / 3 - r * (0.25 - r * (1.0 / 5 - r * (1.0 / 6 - r * (1.0 / 7))))));
    const double fraction = entry.minusLog2 + ln1p * 1.4426950408889634;
    const double value = static_cast<double>(p - 31) + fraction;
    return nearestIfClear(value * 0x1p26, 0x1p-17, out);
}

[[gnu::always_inline]] inline std::int32_t log2Word(std::int32_t a) {
    std::int32_t out = 0;
    return tryLog2Word(a, out) ? out : log2Reference(a);
}

}  // namespace fxcore::fastmath
