// libFuzzer target: arbitrary program words and presets run through FXCoreCore::run.
//
// The input's bytes, in order (reading past the end gives zeros, so every input is a run):
//   rate     u8     index into kRates
//   pots     6 x u8 pot positions, byte / 255
//   pins     2 x u8 the pin word for the first and for the second half of the run
//   patches  u8 n   then n x (u8 target, s32 value): preset values that a loaded program can
//                   carry (see applyPatch)
//   frames   u8 m   then (m % 8 + 1) x 4 raw f32: input frames, taken in turn, any bits
//                   (NaN, infinities, subnormals included)
//   words    the rest, u32 each, at most 1024: the program
// The core runs kSamples samples; every sample must leave the outputs in [-1, 1], the delay
// pointer inside the delay memory and the sample counter counting, and leave the same state as
// a second core that runs the sample word by word (runWordByWord); the duty counts must cover
// exactly the samples run. Then every word is stepped once through the on-the-fly decoder.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreProgram.h"

namespace {

using fxcore::FXCoreCore;

constexpr int kSamples = 384;
// Rates the plug-in can set: the usual ones and extremes (it takes any finite rate above 0).
constexpr double kRates[] = {48000.0, 44100.0, 96000.0, 192000.0, 8000.0, 1.0, 1e-3, 1e12};

struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;

    std::uint8_t u8() { return pos < size ? data[pos++] : 0; }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(u8()) << (8 * i);
        return v;
    }
    float f32() {
        const std::uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
};

// One preset value, as the HEX loader can give it: any CREG or MREG value, the pot smoothing
// shifts (0..31), LFO and ramp rates, tap maximum and interval, the three timings (16-bit) and
// the initial user outputs.
void applyPatch(FXCoreCore::Presets& p, std::uint8_t target, std::uint32_t raw) {
    const auto value = static_cast<std::int32_t>(raw);
    if (target < 16) {
        p.creg[target] = value;
    } else if (target < 16 + 128) {
        p.mreg[target - 16u] = value;
    } else {
        switch ((target - 144) % 9) {
        case 0:
            p.sfr[static_cast<std::size_t>(FXCoreCore::kSfrPotShift0 + raw % 6)] =
                static_cast<std::int32_t>((raw >> 8) & 31u);
            break;
        case 1: p.sfr[static_cast<std::size_t>(FXCoreCore::kSfrLfoRate0 + raw % 6)] = value; break;
        case 2: p.sfr[FXCoreCore::kSfrTapMaxInterval] = value; break;
        case 3: p.sfr[FXCoreCore::kSfrTapInterval] = value; break;
        case 4: p.tapLongPressSamples = static_cast<std::int32_t>(raw & 0xFFFFu); break;
        case 5: p.tapDebounceSamples = static_cast<std::int32_t>(raw & 0xFFFFu); break;
        case 6: p.switchDebounceSamples = static_cast<std::int32_t>(raw & 0xFFFFu); break;
        case 7: p.userOutInitial[0] = static_cast<std::int32_t>(raw & 1u); break;
        default: p.userOutInitial[1] = static_cast<std::int32_t>(raw & 1u); break;
        }
    }
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in{data, size};
    // A fresh core for every input: a reset keeps the noise state, so a reused core would make
    // a run depend on the inputs before it.
    const auto owned = std::make_unique<FXCoreCore>();
    FXCoreCore& core = *owned;
    core.sampleRate = kRates[in.u8() % (sizeof kRates / sizeof kRates[0])];

    float pots[FXCoreCore::kPotCount];
    for (float& pot : pots) pot = static_cast<float>(in.u8()) / 255.0f;
    const std::uint32_t pins[2] = {in.u8() & 0x7Fu, in.u8() & 0x7Fu};

    FXCoreCore::Presets presets = fxcore::FXCoreProgram::defaultPresets();
    for (int n = in.u8(); n > 0; --n) {
        const std::uint8_t target = in.u8();
        applyPatch(presets, target, in.u32());
    }
    std::vector<float> frames(4 * (in.u8() % 8 + 1));
    for (float& x : frames) x = in.f32();

    std::vector<std::uint32_t> words;
    while (in.pos < in.size && words.size() < fxcore::FXCoreProgram::kMaxWords) words.push_back(in.u32());

    // A second core runs the same samples with the program word by word (step): the
    // threaded pass, fused sequences and all, must leave exactly its state.
    const auto ownedByStep = std::make_unique<FXCoreCore>();
    FXCoreCore& byStep = *ownedByStep;
    byStep.sampleRate = core.sampleRate;
    bool loaded = false;
    for (FXCoreCore* c : {&core, &byStep}) {
        c->setPresets(presets);
        loaded = c->setProgram(words.data(), words.size());
        check(loaded == !words.empty() && c->programLength == static_cast<std::int32_t>(words.size()));
        c->setPots(pots);
    }

    const std::size_t frameCount = frames.size() / 4;
    for (int s = 0; s < kSamples; ++s) {
        const float* frame = &frames[4 * (static_cast<std::size_t>(s) % frameCount)];
        core.pins = byStep.pins = pins[s < kSamples / 2 ? 0 : 1];
        core.run(frame);
        byStep.runWordByWord(frame);
        check(core.regFile == byStep.regFile && core.acc64 == byStep.acc64 && core.sfr == byStep.sfr);
        check(core.outputs == byStep.outputs && core.userOut == byStep.userOut);
        for (int k = 0; k < FXCoreCore::kOutputCount; ++k) {
            const float out = core.getOutput(k);
            check(out >= -1.0f && out <= 1.0f);
        }
        check(core.delayPtr >= 0 && core.delayPtr <= FXCoreCore::kDelayMask);
        check(core.sampleCounter == (loaded ? static_cast<std::uint32_t>(s) + 1 : 0u));
    }
    check(core.delayMemory == byStep.delayMemory);
    const FXCoreCore::DutyCounts duty = core.takeUserDutyCounts();
    check(duty.samples == (loaded ? static_cast<std::uint64_t>(kSamples) : 0u));
    check(duty.on[0] <= duty.samples && duty.on[1] <= duty.samples);

    // The decoder that step uses on the fly, on the same words: every word moves forward.
    for (int pc = 0; pc < core.programLength; ++pc) check(core.step(pc) > pc);
    return 0;
}
