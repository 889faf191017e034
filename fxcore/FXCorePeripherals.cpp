// FXCoreCore peripherals: the special function registers' read and write
// rules (kSpecialRegisters), pots, LFOs, ramps, noise, level flags and the
// output latches.

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreFastMath.h"
#include "fxcore/SpecialRegisters.h"

#include <bit>
#include <cmath>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fxcore {

namespace {

constexpr double kTwoPi = 6.283185307179586;
// 0.94406 * 2^31 = 2027353412.73088: |x| >= that is |x| >= 2027353413.
constexpr std::int64_t kLevelThreshold = 2027353413;

std::int32_t potValue(float position) {
    double v = static_cast<double>(position);
    if (!(v > 0.0)) return 0;  // also NaN
    if (v > 1.0) v = 1.0;
    const std::int32_t value = static_cast<std::int32_t>(v * 4096.0);  // floor: v * 4096 is in [0, 4096]
    return value > 4095 ? 4095 : value;
}

#if !defined(__SSE2__)
// |x| >= T without a branch: x + (T - 1) wraps into [0, 2T - 2] exactly when
// -(T - 1) <= x <= T - 1.
bool atLevel(std::int32_t x) {
    constexpr auto kBelow = static_cast<std::uint32_t>(kLevelThreshold - 1);
    return static_cast<std::uint32_t>(x) + kBelow > 2 * kBelow;
}
#endif

}  // namespace

std::int32_t FXCoreCore::readSFR(int n) const {
    const SpecialRegister* reg = findSpecialRegister(n);
    if (reg == nullptr) return 0;
    switch (reg->read) {
    case SfrRead::Zero: return 0;
    case SfrRead::SampleCounter: return static_cast<std::int32_t>(sampleCounter);
    case SfrRead::Value: break;
    }
    return sfr[static_cast<std::size_t>(n)];
}

void FXCoreCore::writeSFR(int n, std::int32_t value) {
    const SpecialRegister* reg = findSpecialRegister(n);
    if (reg == nullptr) return;
    const auto i = static_cast<std::size_t>(n);
    switch (reg->write) {
    case SfrWrite::StoreOutput:
        sfr[i] = value;
        outputs[static_cast<std::size_t>(n - kSfrOutput0)] = value;
        break;
    case SfrWrite::StoreShift: writePotShift(n, value); break;
    case SfrWrite::Store: sfr[i] = value; break;
    case SfrWrite::Ignored: break;
    }
}

void FXCoreCore::writePotShift(int n, std::int32_t value) {
    std::int32_t& shift = sfr[static_cast<std::size_t>(n)];
    // Programs rewrite their smoothing shifts every sample; only a new shift
    // can move settled pots.
    if (shift == (value & kSfrShiftMask)) return;
    shift = value & kSfrShiftMask;
    potsMoving |= 1u << (n - kSfrPotShift0);
}

void FXCoreCore::setPots(const float* positions) {
    if (positions == nullptr) return;
    for (std::size_t k = 0; k < kPotCount; ++k) potInput[k] = potValue(positions[k]);
}

void FXCoreCore::setPot(int pot, float position) {
    if (pot < 0 || pot >= kPotCount) return;
    potInput[static_cast<std::size_t>(pot)] = potValue(position);
}

void FXCoreCore::updatePots() {
    potScanPhase += 2000.0;
    if (potScanPhase >= sampleRate) {
        potScanPhase -= sampleRate;
        for (std::size_t k = 0; k < kPotCount; ++k) {
            if (potLatched[k] == potInput[k]) continue;
            potLatched[k] = potInput[k];
            potsMoving |= 1u << k;
        }
    }
    // A pot at its fixed point has every smoothing step 0, and its SFR 16 + k
    // and 22 + k already hold what this step would write: only the others
    // are computed.
    for (std::uint32_t moving = potsMoving; moving != 0; moving &= moving - 1) {
        const auto k = static_cast<std::size_t>(std::countr_zero(moving));
        const std::int32_t raw = shl(potLatched[k], 19);
        sfr[kSfrPotRaw0 + k] = raw;
        // One-pole smoothing in 32-bit two's complement arithmetic.
        const std::int32_t shift = sfr[kSfrPotShift0 + k] & kSfrShiftMask;
        const auto smoothed = static_cast<std::uint32_t>(potSmoothed[k]);
        const auto difference = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw) - smoothed);
        const std::int32_t step = difference >> shift;
        potSmoothed[k] = static_cast<std::int32_t>(smoothed + static_cast<std::uint32_t>(step));
        sfr[kSfrPotSmoothed0 + k] = potSmoothed[k];
        if (step == 0) potsMoving &= ~(1u << k);
    }
}

void FXCoreCore::updateRamps() {
    for (std::size_t j = 0; j < 2; ++j) {
        ramp[j] += static_cast<std::uint32_t>(sfr[kSfrRampRate0 + j]);
        sfr[kSfrRamp0 + j] = static_cast<std::int32_t>(ramp[j]);
    }
}

void FXCoreCore::updateLFOs() {
    const auto rates = std::span<const std::int32_t, kLfoCount>(sfr.data() + kSfrLfoRate0, kLfoCount);
    const bool resting = (rates[0] | rates[1] | rates[2] | rates[3]) == 0;
    // Resting LFOs whose outputs are current: phases and SFR 34..41 stay.
    if (lfosSettled && resting) {
        updateRamps();
        return;
    }
    for (std::size_t k = 0; k < kLfoCount; ++k) {
        double phase = lfoPhase[k];
        if (rates[k] != 0) phase += rates[k] / 2147483647.0;  // adding 0.0 would change nothing
        if (phase >= kTwoPi) {
            phase -= kTwoPi;
        } else if (phase < 0.0) {
            phase += kTwoPi;
        }
        lfoPhase[k] = phase;
        // An LFO whose phase did not move keeps its outputs.
        LfoOutput& out = lfoOutput[k];
        if (!(phase == out.phase)) {
            out.phase = phase;
            const fastmath::SineCosine sc = fastmath::lfoSineCosine(phase);
            out.sine = sc.sine;
            out.cosine = sc.cosine;
        }
        sfr[kSfrLfoSine0 + 2 * k] = out.sine;
        sfr[kSfrLfoSine0 + 2 * k + 1] = out.cosine;
    }
    // Settled: every rate 0 and every phase where one more step keeps it.
    bool settled = resting;
    for (std::size_t k = 0; k < kLfoCount && settled; ++k)
        settled = lfoPhase[k] >= 0.0 && lfoPhase[k] < kTwoPi;
    lfosSettled = settled;
    updateRamps();
}

std::uint32_t FXCoreCore::nextNoise() {
    std::uint32_t x = noiseState;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noiseState = x;
    return x;
}

void FXCoreCore::updateOverflow() {
#if defined(__SSE2__)
    // The same test on four values at once: unsigned x + (T - 1) > 2 (T - 1),
    // as a signed compare with the sign bits flipped.
    const __m128i below = _mm_set1_epi32(static_cast<std::int32_t>(kLevelThreshold - 1));
    const __m128i sign = _mm_set1_epi32(std::numeric_limits<std::int32_t>::min());
    const __m128i limit = _mm_set1_epi32(static_cast<std::int32_t>(2 * (kLevelThreshold - 1) - 2147483648LL));
    auto atLevelMask = [&](const std::int32_t* values) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values));
        const __m128i flipped = _mm_xor_si128(_mm_add_epi32(v, below), sign);
        return static_cast<std::uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(flipped, limit))));
    };
    levelFlags = (atLevelMask(inputs.data()) << 8) | (atLevelMask(outputs.data()) << 12);
#else
    std::uint32_t level = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        level |= static_cast<std::uint32_t>(atLevel(inputs[k])) << (8 + k);
        level |= static_cast<std::uint32_t>(atLevel(outputs[k])) << (12 + k);
    }
    levelFlags = level;
#endif
}

float FXCoreCore::getOutput(int k) const {
    if (k < 0 || k >= kOutputCount) return 0.0f;
    return static_cast<float>(static_cast<double>(outputs[static_cast<std::size_t>(k)]) * 0x1p-31);
}

void FXCoreCore::getOutputs(float* out) const {
    if (out == nullptr) return;
    for (int k = 0; k < kOutputCount; ++k) out[k] = getOutput(k);
}

}  // namespace fxcore
