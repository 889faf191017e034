// The audio path: one call per block, the emulated core run once per sample.
//
// Beyond what a well-formed host sends, a block never crashes on missing buffers: a null
// output buffer array, a null channel array or channel pointer, or an output port without
// channels is skipped (what can be written is written), and a missing input reads as silence.

#include <algorithm>
#include <cmath>

#include "plugin/FXCorePlugin.h"
#include "plugin/PluginMath.h"

namespace fxcoreplug {

namespace {

constexpr double kEditorPressSeconds = 0.025;
// A press holds its pin for at least one sample, however low the rate.
constexpr std::int32_t kMinEditorPressSamples = 1;

// Channel ch of a 32-bit buffer, or null when the buffer does not have it.
float* channelOf(const clap_audio_buffer* buffer, std::uint32_t ch) {
    if (buffer == nullptr || buffer->data32 == nullptr || buffer->channel_count <= ch) {
        return nullptr;
    }
    return buffer->data32[ch];
}

bool anyRunning(const std::array<std::int32_t, FXCorePlugin::kPressCount>& countdowns) {
    return std::any_of(countdowns.begin(), countdowns.end(), [](std::int32_t n) { return n > 0; });
}

// Pin bit of countdown i: switches 0..4 on bits 0..4, the tap (5) on bit 6.
constexpr std::uint32_t pinBitOf(int i) {
    return i < 5 ? 1u << i : 1u << 6;
}

// Time of the next event, UINT32_MAX when none is left; a missing event is due at once (and
// ignored).
std::uint32_t dueTime(const clap_event_header* pending, std::uint32_t next, std::uint32_t count) {
    if (next >= count) {
        return UINT32_MAX;
    }
    return pending != nullptr ? pending->time : 0;
}

}  // namespace

// Core output k (0..3) as FXCoreCore::getOutput gives it: the S.31 latch times 2^-31 in
// double, rounded to float. Read here directly because the out-of-line call, twice per
// sample, was a third of the plug-in's own cost per sample; PluginProcessTest checks the two
// agree.
float FXCorePlugin::coreOutput(int k) const {
    return static_cast<float>(static_cast<double>(core.outputs[static_cast<std::size_t>(k)]) *
                              (1.0 / 2147483648.0));
}

// What the per-sample loop reads and advances.
struct FXCorePlugin::SampleLoop {
    const clap_input_events* in;
    std::uint32_t eventCount;
    const clap_event_header* pending;
    std::uint32_t dueAt;
    std::uint32_t nextEvent;
    BlockInputs& block;
    const float* inLeft;  // any of the four may be null unless kAllBuffers
    const float* inRight;
    float* outLeft;
    float* outRight;
    std::uint32_t frames;
    float peakLeft = 0.0f;
    float peakRight = 0.0f;
};

// The block's samples. kAllBuffers: every buffer is present, so no sample tests for one (the
// common case, and the one the per-sample cost is measured on).
template <bool kAllBuffers>
void FXCorePlugin::processSamples(SampleLoop& loop) {
    BlockInputs& block = loop.block;
    // One test per sample covers both kinds of timed press.
    bool timersRunning = anyRunning(midiPulse) || anyRunning(pressCountdown);
    float coreIn[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // inputs 2 and 3 stay silent
    float peakL = 0.0f;
    float peakR = 0.0f;

    for (std::uint32_t s = 0; s < loop.frames; ++s) {
        if (loop.dueAt <= s) {
            do {
                handleEvent(loop.pending);
                ++loop.nextEvent;
                loop.pending =
                    loop.nextEvent < loop.eventCount ? loop.in->get(loop.in, loop.nextEvent) : nullptr;
                loop.dueAt = dueTime(loop.pending, loop.nextEvent, loop.eventCount);
            } while (loop.dueAt <= s);
            applyProgramIfChanged();
            syncCoreInputs(block);
            timersRunning = anyRunning(midiPulse) || anyRunning(pressCountdown);
        }

        std::uint32_t pins = block.pinWord;
        if (timersRunning) {
            for (int i = 0; i < kPressCount; ++i) {
                std::int32_t& left = midiPulse[static_cast<std::size_t>(i)];
                if (left > 0 && --left == 0) {
                    emitParamChange(switchParamId(i), 0.0);
                    syncCoreInputs(block);
                }
            }
            pins = block.pinWord;
            for (int i = 0; i < kPressCount; ++i) {
                std::int32_t& left = pressCountdown[static_cast<std::size_t>(i)];
                if (left > 0) {
                    pins &= ~pinBitOf(i);
                    --left;
                }
            }
            timersRunning = anyRunning(midiPulse) || anyRunning(pressCountdown);
        }
        core.pins = pins & 0x7F;

        if constexpr (kAllBuffers) {
            coreIn[0] = loop.inLeft[s] * block.inputGain;
            coreIn[1] = loop.inRight[s] * block.inputGain;
        } else {
            coreIn[0] = loop.inLeft != nullptr ? loop.inLeft[s] * block.inputGain : 0.0f;
            coreIn[1] = loop.inRight != nullptr ? loop.inRight[s] * block.inputGain : 0.0f;
        }
        core.run(coreIn);

        // Left first, then right: a one-channel output keeps the right value.
        const float left = coreOutput(block.firstOutput) * block.outputGain;
        const float right = coreOutput(block.firstOutput + 1) * block.outputGain;
        if constexpr (kAllBuffers) {
            loop.outLeft[s] = left;
            loop.outRight[s] = right;
        } else {
            if (loop.outLeft != nullptr) {
                loop.outLeft[s] = left;
            }
            if (loop.outRight != nullptr) {
                loop.outRight[s] = right;
            }
        }
        peakL = std::max(peakL, std::fabs(left));
        peakR = std::max(peakR, std::fabs(right));
    }
    loop.peakLeft = peakL;
    loop.peakRight = peakR;
}

void FXCorePlugin::syncCoreInputs(BlockInputs& block) {
    std::array<float, 6> pots{};
    for (std::size_t k = 0; k < pots.size(); ++k) {
        pots[k] = static_cast<float>(paramValue(kParamPot0 + static_cast<std::uint32_t>(k)));
    }
    core.setPots(pots.data());

    std::uint32_t pinWord = 0x7F;
    for (int k = 0; k < 5; ++k) {
        if (paramValue(kParamSwitch0 + static_cast<std::uint32_t>(k)) >= 0.5) {
            pinWord &= ~pinBitOf(k);
        }
    }
    if (paramValue(kParamTap) >= 0.5) {
        pinWord &= ~pinBitOf(5);
    }
    block.pinWord = pinWord;
    block.inputGain = static_cast<float>(std::pow(10.0, paramValue(kParamInputTrim) / 20.0));
    block.outputGain = static_cast<float>(std::pow(10.0, paramValue(kParamOutputTrim) / 20.0));
    block.firstOutput = paramValue(kParamMonitor) >= 0.5 ? 2 : 0;
}

void FXCorePlugin::process(const clap_process* processData) {
    if (processData == nullptr || processData->audio_outputs_count == 0) {
        return;
    }
    const std::uint32_t frames = processData->frames_count;
    const clap_input_events* in = processData->in_events;
    const std::uint32_t eventCount =
        in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;

    clap_audio_buffer* outPort = processData->audio_outputs;
    float* outLeft = channelOf(outPort, 0);
    float* outRight = outPort != nullptr && outPort->channel_count >= 2 ? channelOf(outPort, 1) : outLeft;
    if (outPort != nullptr) {
        // The channels this block writes are not constant, whatever flags the host left in
        // the mask; the others stay as they were.
        const std::uint64_t written =
            (outLeft != nullptr ? 1u : 0u) | (outPort->channel_count >= 2 && outRight != nullptr ? 2u : 0u);
        outPort->constant_mask &= ~written;
    }
    const clap_audio_buffer* inPort =
        processData->audio_inputs_count > 0 ? processData->audio_inputs : nullptr;
    const float* inLeft = channelOf(inPort, 0);
    const float* inRight = inPort != nullptr && inPort->channel_count >= 2 ? channelOf(inPort, 1) : inLeft;

    outEvents = processData->out_events;
    applyProgramIfChanged();

    if (core.loaded == 0) {
        outEvents = nullptr;
        for (std::uint32_t s = 0; s < frames; ++s) {
            if (outLeft != nullptr) {
                outLeft[s] = 0.0f;
            }
            if (outRight != nullptr) {
                outRight[s] = 0.0f;
            }
        }
        return;
    }

    const std::uint32_t presses = pendingPresses.exchange(0, std::memory_order_relaxed);
    if (presses != 0) {
        const std::int32_t length =
            std::max(kMinEditorPressSamples, samplesFor(sampleRate, kEditorPressSeconds));
        for (int i = 0; i < kPressCount; ++i) {
            if ((presses & (1u << i)) != 0) {
                pressCountdown[static_cast<std::size_t>(i)] = length;
            }
        }
    }

    BlockInputs block;
    syncCoreInputs(block);

    std::uint32_t nextEvent = 0;
    const clap_event_header* pending = eventCount > 0 ? in->get(in, 0) : nullptr;
    const std::uint32_t dueAt = dueTime(pending, nextEvent, eventCount);

    SampleLoop loop{in,     eventCount, pending, dueAt,    nextEvent, block,
                    inLeft, inRight,    outLeft, outRight, frames};
    if (inLeft != nullptr && inRight != nullptr && outLeft != nullptr && outRight != nullptr) {
        processSamples<true>(loop);
    } else {
        processSamples<false>(loop);
    }
    nextEvent = loop.nextEvent;

    // Events stamped at or past the block's end take effect at the next block.
    for (; nextEvent < eventCount; ++nextEvent) {
        handleEvent(in->get(in, nextEvent));
    }
    if (processData->out_events != nullptr) {
        drainGuiQueue(processData->out_events);
    }
    outEvents = nullptr;

    peakLeft.exchange(std::max(peakLeft.load(std::memory_order_relaxed), loop.peakLeft),
                      std::memory_order_relaxed);
    peakRight.exchange(std::max(peakRight.load(std::memory_order_relaxed), loop.peakRight),
                       std::memory_order_relaxed);
}

void FXCorePlugin::fetchOutputPeaks(float* out) {
    out[0] = peakLeft.exchange(0.0f, std::memory_order_relaxed);
    out[1] = peakRight.exchange(0.0f, std::memory_order_relaxed);
}

}  // namespace fxcoreplug
