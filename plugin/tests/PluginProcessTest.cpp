// Processing and host events on an instance running a small test program: per-sample timing,
// the MIDI map, press lengths, silent blocks and blocks with missing buffers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"
#include "plugin/tests/RecordingHost.h"
#include "plugin/tests/TestPrograms.h"

namespace fxcoreplug {
namespace {

using test::InputEvents;
using test::OutputEvents;
using test::SeenEvent;
using test::StereoBlock;
using test::valueEvent;

// An activated instance running crossProgramHex: outputs 0/1 copy inputs 0/1, outputs 2/3
// carry them crossed.
struct Running {
    explicit Running(double rate = 48000.0) {
        std::string error;
        EXPECT_TRUE(plugin.loadCustomHex(test::crossProgramHex(), "cross", error)) << error;
        plugin.activate(rate, 1, 4096);
    }
    void run(std::uint32_t frames, const InputEvents* in = nullptr, OutputEvents* out = nullptr) {
        plugin.process(block.process(frames, in != nullptr ? in->list() : nullptr,
                                     out != nullptr ? out->list() : nullptr));
    }
    bool pinPressed(int bit) const { return (plugin.core.pins & (1u << bit)) == 0; }

    test::RecordingHost host;
    FXCorePlugin plugin{host.host()};
    StereoBlock block{4096};
};

float dbGain(double db) {
    return static_cast<float>(std::pow(10.0, db / 20.0));
}

TEST(Process, ParameterEventsTakeEffectAtTheirSample) {
    Running r;
    for (std::size_t s = 0; s < 64; ++s) {
        r.block.inLeft()[s] = static_cast<float>(s + 1) / 1024.0f;
        r.block.inRight()[s] = -static_cast<float>(s + 1) / 1024.0f;
    }
    InputEvents in;
    in.paramValue(10, kParamMonitor, 1.0)        // outputs 2 and 3 from sample 10
        .paramValue(20, kParamOutputTrim, -6.0)  // gain from sample 20
        .paramValue(20, kParamPot0, 0.9)         // two events at one sample
        .paramValue(30, kParamMonitor, 0.49)     // back to outputs 0 and 1 at sample 30
        .paramValue(64, kParamOutputTrim, 0.0);  // at the block's end: next block
    r.run(64, &in);
    for (std::size_t s = 0; s < 64; ++s) {
        const bool crossed = s >= 10 && s < 30;
        const float gain = s >= 20 ? dbGain(-6.0) : 1.0f;
        const float left = crossed ? r.block.inRight()[s] : r.block.inLeft()[s];
        EXPECT_FLOAT_EQ(r.block.outLeft()[s], left * gain) << s;
        EXPECT_FLOAT_EQ(r.block.outRight()[s], -left * gain) << s;
    }
    EXPECT_EQ(r.plugin.paramValue(kParamPot0), 0.9);
    EXPECT_EQ(r.plugin.paramValue(kParamOutputTrim), 0.0);  // stored after the last sample
    r.run(1);
    EXPECT_FLOAT_EQ(r.block.outLeft()[0], r.block.inLeft()[0]);
}

// A Program or Mode event switches the program at the sample it is stamped with: the core is
// reloaded (its sample counter starts again) there, and only when the slot changes.
TEST(Process, ProgramSwitchesAtTheEventsSample) {
    struct Event {
        std::uint32_t time;
        std::uint32_t id;
        double value;
    };
    struct Case {
        const char* what;
        std::vector<Event> events;
        std::uint32_t counter;  // core samples since its last reload, after two 64-sample blocks
        int active;             // activeProgram after the second block
    };
    // Running starts on the custom program, bank 1 "(loaded)"; bank 0 is the embedded one.
    constexpr int kCustom = FXCorePlugin::kCustomSlot;
    const Case cases[] = {
        {"embedded bank at sample 10", {{10, kParamProgram, 0.0}}, 54, 0},
        {"embedded bank and its mode 2 at one sample",
         {{7, kParamProgram, 0.0}, {7, kParamMode, 2.0}},
         57,
         2},
        {"a Program past the last bank is the last bank", {{30, kParamProgram, 3.0}}, 128, kCustom},
        {"a Mode past the one-mode bank is its mode", {{5, kParamMode, 6.0}}, 128, kCustom},
        {"a Program rounding to the same bank", {{63, kParamProgram, 1.4}}, 128, kCustom},
    };
    for (const Case& c : cases) {
        Running r;
        r.run(64);
        const int callbacks = r.host.callbacks.load();
        InputEvents in;
        for (const Event& e : c.events) in.paramValue(e.time, e.id, e.value);
        r.run(64, &in);
        EXPECT_EQ(r.plugin.core.sampleCounter, c.counter) << c.what;
        EXPECT_EQ(r.plugin.activeProgram.load(), c.active) << c.what;
        EXPECT_EQ(r.host.callbacks.load(), callbacks + (c.active != kCustom ? 1 : 0)) << c.what;
    }
}

TEST(Process, OutputsReadAsTheCoreGivesThem) {
    Running r;
    const float values[] = {0.5f, -1.0f, 0.999999f, -0.3333333f, 1e-9f, 0.0f};
    for (float v : values) {
        r.block.inLeft()[0] = v;
        r.block.inRight()[0] = -v * 0.7f;
        r.run(1);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(r.plugin.coreOutput(k), r.plugin.core.getOutput(k)) << v << " output " << k;
        }
    }
}

TEST(Process, TrimsMonitorAndMonoBuffers) {
    Running r;
    r.block.inLeft().assign(4096, 0.01f);
    r.block.inRight().assign(4096, 0.02f);
    r.plugin.writeParam(kParamInputTrim, 24.0);
    r.plugin.writeParam(kParamOutputTrim, -24.0);
    r.run(8);
    EXPECT_FLOAT_EQ(dbGain(24.0), 15.848932f);
    EXPECT_FLOAT_EQ(dbGain(-24.0), 0.0630957f);
    // The input gain applies before the core (which holds S.31), the output gain after it.
    auto throughCore = [](float in) {
        const double s31 = std::floor(static_cast<double>(in * dbGain(24.0)) * 2147483648.0 + 0.5);
        return static_cast<float>(s31 / 2147483648.0) * dbGain(-24.0);
    };
    EXPECT_EQ(r.block.outLeft()[7], throughCore(0.01f));
    EXPECT_EQ(r.block.outRight()[7], throughCore(0.02f));

    // A one-channel output port gets the right side; a one-channel input feeds both sides.
    Running mono;
    std::vector<float> left(16, 0.1f), right(16, 0.3f), out(16, 9.0f), stereoOut(32, 9.0f);
    float* stereoIn[2] = {left.data(), right.data()};
    float* monoOut[1] = {out.data()};
    clap_audio_buffer inBuf{stereoIn, nullptr, 2, 0, 0};
    clap_audio_buffer outBuf{monoOut, nullptr, 1, 0, 0};
    clap_process p{-1, 16, nullptr, &inBuf, &outBuf, 1, 1, nullptr, nullptr};
    mono.plugin.process(&p);
    EXPECT_EQ(out[15], 0.3f);

    float* monoIn[1] = {left.data()};
    float* twoOut[2] = {stereoOut.data(), stereoOut.data() + 16};
    inBuf = {monoIn, nullptr, 1, 0, 0};
    outBuf = {twoOut, nullptr, 2, 0, 0};
    mono.plugin.process(&p);
    EXPECT_EQ(stereoOut[15], 0.1f);
    EXPECT_EQ(stereoOut[31], 0.1f);
}

TEST(Process, MissingBuffersNeverCrash) {
    Running r;
    std::vector<float> right(32, 9.0f);
    std::vector<float> in(32, 0.5f);
    float* inPtrs[2] = {in.data(), nullptr};
    const clap_audio_buffer inBuf{inPtrs, nullptr, 2, 0, 0};

    // A null left channel pointer: the right channel is still written.
    float* outPtrs[2] = {nullptr, right.data()};
    clap_audio_buffer outBuf{outPtrs, nullptr, 2, 0, 0};
    clap_process p{-1, 32, nullptr, &inBuf, &outBuf, 1, 1, nullptr, nullptr};
    r.plugin.process(&p);
    EXPECT_EQ(right[31], 0.0f);  // input 1 has a null channel: silence

    // No channel array, no channels, no buffer array, no output port at all.
    clap_audio_buffer noArray{nullptr, nullptr, 2, 0, 0};
    clap_audio_buffer noChannels{outPtrs, nullptr, 0, 0, 0};
    for (clap_audio_buffer* out : {&noArray, &noChannels, static_cast<clap_audio_buffer*>(nullptr)}) {
        p.audio_outputs = out;
        r.plugin.process(&p);
    }
    p.audio_outputs_count = 0;
    r.plugin.process(&p);
    const clap_plugin* clap = &r.plugin.clapPlugin;
    EXPECT_EQ(clap->process(clap, &p), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(r.plugin.core.sampleCounter, 4u * 32u);  // every block with an output port ran
}

// A host may leave its own constant flags in the output's mask (all ones, say); the channels
// the plug-in writes are then marked as not constant, and the others left as they were.
TEST(Process, ConstantMaskClearedForTheChannelsWritten) {
    std::vector<float> a(16, 9.0f), b(16, 9.0f), c(16, 9.0f);
    float* three[3] = {a.data(), b.data(), c.data()};
    float* rightOnly[2] = {nullptr, b.data()};
    struct Case {
        const char* what;
        float** channels;
        std::uint32_t channelCount;
        bool programLoaded;
        std::uint64_t mask;  // after the block, from all ones
    };
    const Case cases[] = {
        {"stereo", three, 2, true, ~std::uint64_t{3}},
        {"mono", three, 1, true, ~std::uint64_t{1}},
        {"a third channel is not written", three, 3, true, ~std::uint64_t{3}},
        {"no left channel pointer", rightOnly, 2, true, ~std::uint64_t{2}},
        {"silent block without a program", three, 2, false, ~std::uint64_t{3}},
    };
    for (const Case& k : cases) {
        Running r;
        if (!k.programLoaded) {
            for (auto& slot : r.plugin.programs) slot.reset();
            r.plugin.banks.clear();
            r.plugin.publishCatalogue(nullptr);
            r.plugin.activate(48000.0, 1, 16);
        }
        clap_audio_buffer outBuf{k.channels, nullptr, k.channelCount, 0, ~std::uint64_t{0}};
        clap_process p{-1, 16, nullptr, nullptr, &outBuf, 0, 1, nullptr, nullptr};
        r.plugin.process(&p);
        EXPECT_EQ(r.plugin.core.loaded != 0, k.programLoaded) << k.what;
        EXPECT_EQ(outBuf.constant_mask, k.mask) << k.what;
    }
}

TEST(Process, EmptyBlockHandlesEventsAfterTheLoop) {
    Running r;
    InputEvents in;
    in.paramValue(0, kParamPot0 + 1, 0.75).midi(3, 0xB0, 52, 127);
    OutputEvents out;
    r.plugin.guiSetParamValue(kParamPot0 + 3, 0.2);
    r.run(0, &in, &out);
    EXPECT_EQ(r.plugin.paramValue(kParamPot0 + 1), 0.75);
    EXPECT_EQ(r.plugin.paramValue(kParamPot0 + 2), 1.0);
    ASSERT_EQ(out.seen().size(), 2u);  // the MIDI change, then the editor's value
    EXPECT_EQ(out.seen()[0], valueEvent(kParamPot0 + 2, 1.0));
    EXPECT_EQ(out.seen()[1], valueEvent(kParamPot0 + 3, 0.2));
}

TEST(Process, NoProgramGivesSilenceAndLeavesEverythingPending) {
    FXCorePlugin fresh(nullptr);  // a core that has never had a program
    for (auto& slot : fresh.programs) {
        slot.reset();
    }
    fresh.banks.clear();
    fresh.publishCatalogue(nullptr);
    StereoBlock block(64);
    block.inLeft().assign(64, 0.5f);
    InputEvents in;
    in.paramValue(0, kParamPot0, 0.1).midi(1, 0xB0, 103, 127);
    OutputEvents out;
    fresh.guiSetParamValue(kParamPot0 + 5, 0.3);
    fresh.triggerSwitch(2);
    fresh.process(block.process(64, in.list(), out.list()));
    for (float v : block.outLeft()) {
        ASSERT_EQ(v, 0.0f);
    }
    EXPECT_EQ(fresh.paramValue(kParamPot0), 0.5);  // the block's events were not handled
    EXPECT_EQ(fresh.paramValue(kParamSwitch0), 0.0);
    EXPECT_TRUE(out.seen().empty());             // the editor queue waits
    EXPECT_EQ(fresh.pendingPresses.load(), 4u);  // the press waits
    EXPECT_EQ(fresh.outEvents, nullptr);
}

TEST(Events, MidiControlChangeMap) {
    struct Case {
        std::uint8_t status;
        std::uint8_t cc;
        std::uint8_t value;
        std::uint32_t id;  // 0: nothing may change
        double stored;
    };
    const Case cases[] = {
        {0xB0, 50, 127, kParamPot0, 1.0},
        {0xB0, 50, 64, kParamPot0, 64.0 / 127.0},
        {0xBF, 55, 0, kParamPot0 + 5, 0.0},  // channel 16 works like channel 1
        {0xB0, 102, 0, kParamEnable, 0.0},
        {0xB0, 102, 64, kParamEnable, 1.0},
        {0xB0, 103, 64, kParamSwitch0, 1.0},
        {0xB0, 103, 63, kParamSwitch0, 0.0},
        {0xB3, 107, 127, kParamSwitch0 + 4, 1.0},
        {0xB0, 108, 100, kParamTap, 1.0},
        {0xB0, 109, 100, kParamSwitch0, 1.0},  // toggle from 0
        {0xB0, 114, 127, kParamTap, 1.0},
        {0xB0, 115, 127, kParamSwitch0, 1.0},  // a MIDI press starts
        {0xB0, 93, 127, kParamTap, 1.0},
        {0xB0, 109, 10, 0, 0.0},  // toggles and presses need 64 or more
        {0xB0, 93, 63, 0, 0.0},
        {0xB0, 120, 127, 0, 0.0},
        {0xB0, 127, 127, 0, 0.0},
        {0xB0, 49, 127, 0, 0.0},
        {0x90, 50, 127, 0, 0.0},  // note on
        {0xD0, 50, 0, 0, 0.0},    // channel pressure
        {0xE0, 50, 127, 0, 0.0},  // pitch wheel
    };
    for (const Case& c : cases) {
        Running r;
        InputEvents in;
        in.midi(0, c.status, c.cc, c.value);
        OutputEvents out;
        r.run(1, &in, &out);
        for (const auto& row : FXCorePlugin::paramDefs()) {
            const double expected = row.id == c.id            ? c.stored
                                    : row.id == kParamProgram ? r.plugin.paramValue(kParamProgram)
                                                              : row.defaultValue;
            EXPECT_EQ(r.plugin.paramValue(row.id), expected)
                << int(c.status) << " cc " << int(c.cc) << " value " << int(c.value) << " id " << row.id;
        }
        const std::vector<SeenEvent> expected =
            c.id != 0 ? std::vector<SeenEvent>{valueEvent(c.id, c.stored)} : std::vector<SeenEvent>{};
        EXPECT_EQ(out.seen(), expected) << "cc " << int(c.cc);
    }
}

TEST(Events, ToggleReadsTheCurrentValueAndHostValuesAreNotEchoed) {
    Running r;
    r.plugin.writeParam(kParamSwitch0 + 1, 0.7);
    InputEvents in;
    in.midi(0, 0xB0, 110, 100).paramValue(0, kParamPot0, 1.5).paramValue(0, 999, 0.5);
    OutputEvents out;
    r.run(4, &in, &out);
    EXPECT_EQ(r.plugin.paramValue(kParamSwitch0 + 1), 0.0);
    EXPECT_EQ(r.plugin.paramValue(kParamPot0), 1.0);
    EXPECT_EQ(out.raw().size(), 1u);  // only the toggle: host values are not echoed

    // The reported event's fields, byte for byte where the host reads them.
    clap_event_param_value ev;
    ASSERT_EQ(out.raw()[0].size(), sizeof ev);
    std::memcpy(&ev, out.raw()[0].data(), sizeof ev);
    EXPECT_EQ(ev.header.size, 56u);
    EXPECT_EQ(ev.header.time, 0u);
    EXPECT_EQ(ev.header.space_id, 0);
    EXPECT_EQ(ev.header.type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(ev.header.flags, 0u);
    EXPECT_EQ(ev.param_id, 201u);
    EXPECT_EQ(ev.cookie, nullptr);
    EXPECT_EQ(ev.note_id, -1);
    EXPECT_EQ(ev.port_index, -1);
    EXPECT_EQ(ev.channel, -1);
    EXPECT_EQ(ev.key, -1);
    EXPECT_EQ(ev.value, 0.0);

    EXPECT_EQ(FXCorePlugin::switchParamId(3), 203u);
    EXPECT_EQ(FXCorePlugin::switchParamId(5), 301u);
}

TEST(Events, OtherSpacesAndTypesAreIgnored) {
    Running r;
    clap_event_param_value other{};
    other.header = {sizeof other, 0, 7, CLAP_EVENT_PARAM_VALUE, 0};
    other.param_id = kParamPot0 + 1;
    other.value = 0.9;
    r.plugin.handleEvent(&other.header);
    clap_event_param_mod mod{};
    mod.header = {sizeof mod, 0, 0, CLAP_EVENT_PARAM_MOD, 0};
    mod.param_id = kParamPot0 + 1;
    mod.amount = 0.3;
    r.plugin.handleEvent(&mod.header);
    // A record whose size is shorter than its type's is not read.
    clap_event_param_value shortValue{};
    shortValue.header = {sizeof(clap_event_header), 0, 0, CLAP_EVENT_PARAM_VALUE, 0};
    shortValue.param_id = kParamPot0 + 1;
    shortValue.value = 0.1;
    r.plugin.handleEvent(&shortValue.header);
    r.plugin.handleEvent(nullptr);
    r.plugin.handleMidi(nullptr);
    EXPECT_EQ(r.plugin.paramValue(kParamPot0 + 1), 0.5);
}

// Samples for which pin `bit` is held pressed after one press, processed one sample per
// block, and the block in which the parameter's release was reported (-1: none).
struct PressRun {
    int pressedSamples = 0;
    int releaseBlock = -1;
};

PressRun runPress(Running& r, const InputEvents* first, int bit, std::uint32_t releasedId) {
    PressRun result;
    for (int s = 0; s < 8000; ++s) {
        OutputEvents out;
        r.run(1, s == 0 ? first : nullptr, &out);
        result.pressedSamples += r.pinPressed(bit) ? 1 : 0;
        for (const SeenEvent& e : out.seen()) {
            if (e == valueEvent(releasedId, 0.0)) {
                result.releaseBlock = s;
            }
        }
    }
    return result;
}

// Every press reaches its pin for at least one sample and is released, at any rate: below
// 40 Hz an editor press would round to no sample at all, and below 17 Hz a MIDI press to a
// countdown that releases before its pin is held (at 8 Hz and below, to none that releases).
TEST(Presses, LengthsInSamplesAtTheActivationRate) {
    struct Case {
        double rate;
        int editorSamples;  // (int)(rate x 0.025), at least 1
        int midiSamples;    // (int)(rate x 0.12), at least 2
    };
    for (const Case c :
         {Case{48000.0, 1200, 5760}, Case{44100.0, 1102, 5292}, Case{40.0, 1, 4}, Case{39.0, 1, 4},
          Case{16.0, 1, 2}, Case{9.0, 1, 2}, Case{8.0, 1, 2}, Case{1.0, 1, 2}}) {
        SCOPED_TRACE(c.rate);
        Running editor(c.rate);
        editor.run(1);
        editor.plugin.triggerSwitch(4);
        EXPECT_EQ(runPress(editor, nullptr, 4, kParamSwitch0 + 4).pressedSamples, c.editorSamples);

        Running tap(c.rate);
        tap.run(1);
        tap.plugin.triggerSwitch(5);  // the tap: press bit 5, pin bit 6
        EXPECT_EQ(runPress(tap, nullptr, 6, kParamTap).pressedSamples, c.editorSamples);

        // A MIDI press holds its pin for n - 1 samples and reports the release at the sample
        // where its countdown ends.
        Running midi(c.rate);
        InputEvents in;
        in.midi(0, 0xB0, 119, 127);
        const PressRun press = runPress(midi, &in, 4, kParamSwitch0 + 4);
        EXPECT_EQ(midi.plugin.paramValue(kParamSwitch0 + 4), 0.0);
        EXPECT_EQ(press.pressedSamples, c.midiSamples - 1);
        EXPECT_EQ(press.releaseBlock, c.midiSamples - 1);
        EXPECT_FALSE(midi.pinPressed(4));
    }
}

TEST(Presses, RepeatedPressesRestartRatherThanAdd) {
    Running r;
    r.run(1);
    r.plugin.triggerSwitch(0);
    r.run(100);
    r.plugin.triggerSwitch(0);
    r.run(1);
    EXPECT_EQ(r.plugin.pressCountdown[0], 1199);
    r.plugin.triggerSwitch(6);
    r.plugin.triggerSwitch(-1);
    EXPECT_EQ(r.plugin.pendingPresses.load(), 0u);

    // A second MIDI tap within the press: release first, then a full new press.
    InputEvents in;
    in.midi(0, 0xB0, 93, 127).midi(10, 0xB0, 93, 127);
    OutputEvents out;
    r.run(20, &in, &out);
    EXPECT_EQ(out.seen(), (std::vector<SeenEvent>{valueEvent(kParamTap, 1.0), valueEvent(kParamTap, 0.0),
                                                  valueEvent(kParamTap, 1.0)}));
    EXPECT_EQ(r.plugin.midiPulse[5], 5760 - 10);
}

TEST(Flush, HandlesEventsWithoutProcessingAndTakesANullListAsEmpty) {
    Running r;
    InputEvents in;
    in.midi(0, 0xB0, 51, 127).midi(900, 0xB0, 118, 127);  // times are not looked at
    OutputEvents out;
    r.plugin.guiBeginGesture(kParamPot0 + 4);
    const clap_plugin* clap = &r.plugin.clapPlugin;
    const auto* params = static_cast<const clap_plugin_params*>(clap->get_extension(clap, CLAP_EXT_PARAMS));
    params->flush(clap, in.list(), out.list());
    EXPECT_EQ(out.seen().size(), 3u);
    EXPECT_EQ(r.plugin.midiPulse[3], 5760);  // counts only once blocks run
    EXPECT_EQ(r.plugin.outEvents, nullptr);

    out.clear();
    r.plugin.guiEndGesture(kParamPot0 + 4);
    params->flush(clap, nullptr, out.list());
    EXPECT_EQ(out.seen(), (std::vector<SeenEvent>{test::gestureEnd(kParamPot0 + 4)}));
    params->flush(clap, nullptr, nullptr);
}

TEST(Peaks, TakenAndClearedByFetch) {
    Running r;
    r.block.inLeft().assign(64, 0.25f);
    r.block.inRight().assign(64, -0.75f);
    r.run(64);
    float peaks[2] = {};
    r.plugin.fetchOutputPeaks(peaks);
    EXPECT_EQ(peaks[0], 0.25f);
    EXPECT_EQ(peaks[1], 0.75f);
    r.plugin.fetchOutputPeaks(peaks);
    EXPECT_EQ(peaks[0], 0.0f);
    EXPECT_EQ(peaks[1], 0.0f);
}

}  // namespace
}  // namespace fxcoreplug
