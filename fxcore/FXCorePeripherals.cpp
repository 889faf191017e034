// FXCoreCore peripherals: the special function register map, pots, LFOs,
// ramps, noise, level flags and the output latches.

#include "fxcore/FXCoreCore.h"

#include <cmath>

namespace fxcore {

namespace {

constexpr double kTwoPi = 6.283185307179586;
// 0.94406 * 2^31 = 2027353412.73088: |x| >= that is |x| >= 2027353413.
constexpr int64_t kLevelThreshold = 2027353413;

int32_t potValue(float position) {
    double v = static_cast<double>(position);
    if (!(v > 0.0)) return 0;  // also NaN
    if (v > 1.0) v = 1.0;
    const int32_t value = static_cast<int32_t>(v * 4096.0);  // floor: v * 4096 is in [0, 4096]
    return value > 4095 ? 4095 : value;
}

bool atLevel(int32_t x) {
    const int64_t wide = x;
    return (wide < 0 ? -wide : wide) >= kLevelThreshold;
}

}  // namespace

int32_t FXCoreCore::readSFR(int n) const {
    if (n < 0 || n >= kSfrCount) return 0;
    if (n >= kSfrOutput0 && n < kSfrOutput0 + kOutputCount) return 0;
    if (n == kSfrSampleCounter) return static_cast<int32_t>(sampleCounter);
    return sfr[static_cast<std::size_t>(n)];
}

void FXCoreCore::writeSFR(int n, int32_t value) {
    if (n >= kSfrOutput0 && n < kSfrOutput0 + kOutputCount) {
        sfr[static_cast<std::size_t>(n)] = value;
        outputs[static_cast<std::size_t>(n - kSfrOutput0)] = value;
    } else if (n >= kSfrPotShift0 && n < kSfrPotShift0 + kPotCount) {
        sfr[static_cast<std::size_t>(n)] = value & 31;
    } else if ((n >= kSfrLfoRate0 && n < kSfrRampRate0 + 2) || n == kSfrTapMaxInterval) {
        sfr[static_cast<std::size_t>(n)] = value;
    }
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
        potLatched = potInput;
    }
    for (std::size_t k = 0; k < kPotCount; ++k) {
        const int32_t raw = shl(potLatched[k], 19);
        sfr[kSfrPotRaw0 + k] = raw;
        // One-pole smoothing in 32-bit two's complement arithmetic.
        const int32_t shift = sfr[kSfrPotShift0 + k] & 31;
        const auto smoothed = static_cast<uint32_t>(potSmoothed[k]);
        const auto difference = static_cast<int32_t>(static_cast<uint32_t>(raw) - smoothed);
        potSmoothed[k] = static_cast<int32_t>(smoothed + static_cast<uint32_t>(difference >> shift));
        sfr[kSfrPotSmoothed0 + k] = potSmoothed[k];
    }
}

void FXCoreCore::updateLFOs() {
    for (std::size_t k = 0; k < kLfoCount; ++k) {
        double phase = lfoPhase[k];
        const int32_t rate = sfr[kSfrLfoRate0 + k];
        if (rate != 0) phase += rate / 2147483647.0;  // adding 0.0 would change nothing
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
            out.sine = roundSat32(std::sin(phase) * 2147483647.0);
            out.cosine = roundSat32(std::cos(phase) * 2147483647.0);
        }
        sfr[kSfrLfoSine0 + 2 * k] = out.sine;
        sfr[kSfrLfoSine0 + 2 * k + 1] = out.cosine;
    }
    for (std::size_t j = 0; j < 2; ++j) {
        ramp[j] += static_cast<uint32_t>(sfr[kSfrRampRate0 + j]);
        sfr[kSfrRamp0 + j] = static_cast<int32_t>(ramp[j]);
    }
}

uint32_t FXCoreCore::nextNoise() {
    uint32_t x = noiseState;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noiseState = x;
    return x;
}

void FXCoreCore::updateOverflow() {
    uint32_t level = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        if (atLevel(inputs[k])) level |= 1u << (8 + k);
        if (atLevel(outputs[k])) level |= 1u << (12 + k);
    }
    levelFlags = level;
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
