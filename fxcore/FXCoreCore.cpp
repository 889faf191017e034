// FXCoreCore lifecycle (construction, state reset, presets, program) and the
// sample cycle.

#include "fxcore/FXCoreCore.h"

#include <algorithm>
#include <limits>

namespace fxcore {

FXCoreCore::FXCoreCore() : delayMemory(kDelayWords, 0) {
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

bool FXCoreCore::setProgram(const uint32_t* words, std::size_t count) {
    if (words == nullptr || count == 0) {
        loaded = 0;
        programLength = 0;
        decodeProgram();  // keeps the end-of-pass word at the (empty) end
        return false;
    }
    const std::size_t n = std::min<std::size_t>(count, kProgramSize);
    std::copy(words, words + n, program.begin());
    std::fill(program.begin() + static_cast<std::ptrdiff_t>(n), program.end(), 0u);
    programLength = static_cast<int32_t>(n);
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
    std::fill(delayMemory.begin(), delayMemory.end(), int16_t{0});
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
    potsSettled = false;
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

void FXCoreCore::run(const float* in) {
    if (loaded != 1) return;
    delayPtr = (delayPtr - 1) & kDelayMask;

    if (in != nullptr) {
        for (std::size_t k = 0; k < inputs.size(); ++k)
            inputs[k] = roundSat32(static_cast<double>(in[k]) * 2147483648.0);
    } else {
        inputs = {};
    }
    std::copy(inputs.begin(), inputs.end(), sfr.begin() + kSfrInput0);

    updatePots();
    updateLFOs();
    updateSwitches();
    updateTapTempo();
    sfr[kSfrNoise] = static_cast<int32_t>(nextNoise());
    sfr[kSfrSampleCounter] = static_cast<int32_t>(sampleCounter);
    regFile[kFlagsRegister] = static_cast<int32_t>((tapFlags & 0xFFFFu) | (levelFlags & 0xFFFFu));

    runPass();

    updateOverflow();
    publishDuty(false);
    ++sampleCounter;
}

}  // namespace fxcore
