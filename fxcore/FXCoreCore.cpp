// FXCoreCore lifecycle (construction, state reset, presets, program) and the
// sample cycle.

#include "fxcore/FXCoreCore.h"

#include <algorithm>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fxcore {

FXCoreCore::FXCoreCore() {
    decodeProgram();
    stateReset();
}

void FXCoreCore::reset() {
    stateReset();
}

void FXCoreCore::setPresets(const Presets& newPresets) {
    presets = newPresets;
    stateReset();
}

bool FXCoreCore::setProgram(const std::uint32_t* words, std::size_t count) {
    if (words == nullptr || count == 0) {
        loaded = 0;
        programLength = 0;
        decodeProgram();  // keeps the end-of-pass word at the (empty) end
        return false;
    }
    const std::size_t n = std::min<std::size_t>(count, kProgramSize);
    std::copy(words, words + n, program.begin());
    std::fill(program.begin() + static_cast<std::ptrdiff_t>(n), program.end(), 0u);
    programLength = static_cast<std::int32_t>(n);
    decodeProgram();
    loaded = 1;
    stateReset();
    return true;
}

void FXCoreCore::stateReset() {
    std::copy(presets.creg.begin(), presets.creg.end(), creg.begin());
    acc32 = 0;
    flags = 0;
    std::copy(presets.mreg.begin(), presets.mreg.end(), mreg.begin());
    sfr = presets.sfr;
    std::fill(delayMemory.begin(), delayMemory.end(), std::int16_t{0});
    acc64 = 0;
    delayPtr = 0;
    sampleCounter = 0;
    for (std::size_t k = 0; k < userOut.size(); ++k) userOut[k] = presets.userOutInitial[k] != 0 ? 1 : 0;
    publishDuty(true);
    potLatched = {};
    potInput = {};
    potSmoothed = {};
    potScanPhase = 0.0;
    lfoPhase = {};
    // A NaN phase never equals the current one, so the first sample computes
    // every LFO output afresh.
    for (LfoOutput& lfo : lfoOutput) lfo = {std::numeric_limits<double>::quiet_NaN(), 0, 0};
    lfosSettled = false;
    potsMoving = kAllPots;
    ramp = {};
    pins = 0x7F;
    switchState = 0x3F;
    switchDebounceCount = {};
    tapState = 1;
    tapDebounceCount = 0;
    tapHoldCount = 0;
    tapMeasuring = 0;
    tapInterval = 0;
    tapFlags = 0;
    levelFlags = 0;
    inputs = {};
    outputs = {};
}

// sat32d(jsRound(x * 2^31)) of each input, into `inputs` and SFR 0..3.
void FXCoreCore::convertInputs(const float* in) {
    if (in == nullptr) {
        inputs = {};
    } else {
#if defined(__SSE2__)
        // Two inputs per step: y = x * 2^31 + 0.5 as jsRound forms it; NaN
        // becomes 0; y is clamped to [-2^31, 2^31 - 0.5], whose floor is the
        // saturated result; floor is truncation, one less for negative
        // non-integers.
        const __m128d scale = _mm_set1_pd(2147483648.0);
        const __m128d half = _mm_set1_pd(0.5);
        const __m128d lowest = _mm_set1_pd(-2147483648.0);
        const __m128d highest = _mm_set1_pd(2147483647.5);
        const __m128 floats = _mm_loadu_ps(in);
        __m128i pairs[2];
        for (int pair = 0; pair < 2; ++pair) {
            const __m128d x = _mm_cvtps_pd(pair == 0 ? floats : _mm_movehl_ps(floats, floats));
            __m128d y = _mm_add_pd(_mm_mul_pd(x, scale), half);
            y = _mm_and_pd(y, _mm_cmpord_pd(y, y));
            y = _mm_min_pd(_mm_max_pd(y, lowest), highest);
            const __m128i truncated = _mm_cvttpd_epi32(y);
            const __m128d above = _mm_cmpgt_pd(_mm_cvtepi32_pd(truncated), y);
            // The compare's 64-bit all-ones lanes, packed to two 32-bit -1s.
            const __m128i minusOne = _mm_shuffle_epi32(_mm_castpd_si128(above), _MM_SHUFFLE(3, 3, 2, 0));
            pairs[pair] = _mm_add_epi32(truncated, minusOne);
        }
        // All four results in one register, stored with one move each.
        const __m128i floored = _mm_unpacklo_epi64(pairs[0], pairs[1]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(inputs.data()), floored);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sfr.data() + kSfrInput0), floored);
        return;
#else
        for (std::size_t k = 0; k < inputs.size(); ++k)
            inputs[k] = roundSat32(static_cast<double>(in[k]) * 2147483648.0);
#endif
    }
    for (std::size_t k = 0; k < inputs.size(); ++k) sfr[kSfrInput0 + k] = inputs[k];
}

template <typename Pass>
[[gnu::always_inline]] inline void FXCoreCore::runSample(const float* in, Pass pass) {
    if (loaded != 1) return;
    delayPtr = (delayPtr - 1) & kDelayMask;

    convertInputs(in);

    updatePots();
    updateLFOs();
    updateSwitches();
    updateTapTempo();
    sfr[kSfrNoise] = static_cast<std::int32_t>(nextNoise());
    sfr[kSfrSampleCounter] = static_cast<std::int32_t>(sampleCounter);
    regFile[kFlagsRegister] = static_cast<std::int32_t>((tapFlags & 0xFFFFu) | (levelFlags & 0xFFFFu));

    pass();

    updateOverflow();
    publishDuty(false);
    ++sampleCounter;
}

// Flattened: the per-sample steps (compiled in the same unit) are inlined.
[[gnu::flatten]] void FXCoreCore::run(const float* in) {
    runSample(in, [this] { runPass(); });
}

void FXCoreCore::runWordByWord(const float* in, WordObserver observe, void* context) {
    runSample(in, [this, observe, context] {
        for (int pc = 0; pc < programLength;) {
            const int next = step(pc);
            if (observe != nullptr) observe(context, pc, next);
            pc = next;
        }
    });
}

}  // namespace fxcore
