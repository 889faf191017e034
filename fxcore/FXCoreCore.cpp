// FXCoreCore lifecycle (construction, state reset, presets, program) and the
// sample cycle.

#include "fxcore/FXCoreCore.h"

#include <algorithm>
#include <limits>

namespace fxcore {

FXCoreCore::FXCoreCore() : delayMemory(kDelayWords, 0) {
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
        return false;
    }
    const std::size_t n = std::min<std::size_t>(count, kProgramSize);
    std::copy(words, words + n, program.begin());
    std::fill(program.begin() + static_cast<std::ptrdiff_t>(n), program.end(), 0u);
    for (std::size_t i = 0; i < kProgramSize; ++i) decoded[i] = decodeWord(program[i]);
    programLength = static_cast<int32_t>(n);
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

    for (std::size_t k = 0; k < inputs.size(); ++k) {
        inputs[k] = in != nullptr ? roundSat32(static_cast<double>(in[k]) * 2147483648.0) : 0;
        sfr[k] = inputs[k];
    }

    updatePots();
    updateLFOs();
    updateSwitches();
    updateTapTempo();
    sfr[kSfrNoise] = static_cast<int32_t>(nextNoise());
    sfr[kSfrSampleCounter] = static_cast<int32_t>(sampleCounter);
    flags = static_cast<int32_t>((tapFlags & 0xFFFFu) | (levelFlags & 0xFFFFu));

    // One dispatch per word; handlers return how far the pc moves (1, or
    // 1 + skip after a taken jump), so the pass only moves forward.
    const int32_t length = programLength;
    for (int32_t pc = 0; pc < length;) {
        const DecodedWord& word = decoded[static_cast<std::size_t>(pc)];
        pc += word.handler(*this, word);
    }

    updateOverflow();
    publishDuty(false);
    ++sampleCounter;
}

int FXCoreCore::step(int pc) {
    if (pc < 0 || pc >= kProgramSize) return kProgramSize;
    const DecodedWord word = decodeWord(program[static_cast<std::size_t>(pc)]);
    return pc + word.handler(*this, word);
}

}  // namespace fxcore
