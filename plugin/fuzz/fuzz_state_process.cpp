// Loads arbitrary bytes as a state through the plug-in's "clap.state" extension, then processes
// a few blocks through its process callback, so a custom program that a state carries runs
// under the sanitizers with whatever parameter values came with it.
//
// The input's bytes:
//   byte 0   how the stream hands out the state: at most (byte % 16) + 1 bytes per read call,
//            whole fields from 0x80 on (as fuzz_state_load)
//   byte 1   bits 0-2: the sample rate (kRates), bits 3-4: the block size (kBlockSizes)
//   byte 2-3 a MIDI control change (number, value) at the first block's first frame
//   the rest the state stream
// Every output sample must be finite and within the chip's full scale times the largest
// output trim; every parameter must stay in its range; the plug-in's own save of the result
// must load again.

#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"
#include "plugin/tests/MemoryStreams.h"

#include <clap/clap.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using fxcoreplug::test::InputEvents;
using fxcoreplug::test::MemoryIStream;
using fxcoreplug::test::MemoryOStream;
using fxcoreplug::test::OutputEvents;
using fxcoreplug::test::StereoBlock;

constexpr double kRates[] = {48000.0, 44100.0, 96000.0, 8000.0, 1.0, 1e-3, 1e9, -1.0};
constexpr std::uint32_t kBlockSizes[] = {128, 1, 37, 256};
constexpr int kBlocks = 3;
// 1.0 (full scale of the chip's outputs) times the Output Trim's +24 dB.
const float kLargestOutput = static_cast<float>(std::pow(10.0, 24.0 / 20.0));

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::size_t piece = data[0] >= 0x80 ? SIZE_MAX : static_cast<std::size_t>(data[0] % 16) + 1;
    const double rate = kRates[data[1] & 7];
    const std::uint32_t frames = kBlockSizes[(data[1] >> 3) & 3];

    fxcoreplug::FXCorePlugin plugin(nullptr);
    const clap_plugin* clap = &plugin.clapPlugin;
    const auto* state = static_cast<const clap_plugin_state*>(clap->get_extension(clap, CLAP_EXT_STATE));
    check(state != nullptr && clap->init(clap) && clap->activate(clap, rate, 1, 4096) &&
          clap->start_processing(clap));

    MemoryIStream stream(std::vector<std::uint8_t>(data + 4, data + size), piece);
    state->load(clap, stream.stream());

    StereoBlock block(frames);
    InputEvents midi;
    midi.midi(0, 0xB0, data[2] & 0x7F, data[3] & 0x7F);
    const InputEvents none;
    OutputEvents out;
    for (int b = 0; b < kBlocks; ++b) {
        for (std::uint32_t i = 0; i < frames; ++i) {  // a decaying tone with an impulse at the start
            const double t = static_cast<double>(static_cast<std::uint32_t>(b) * frames + i);
            block.inLeft()[i] =
                t == 0.0 ? 1.0f : static_cast<float>(0.5 * std::sin(0.05 * t) * std::exp(-t / 2000.0));
            block.inRight()[i] = -block.inLeft()[i];
        }
        const clap_process_status status =
            clap->process(clap, block.process(frames, (b == 0 ? midi : none).list(), out.list()));
        check(status == CLAP_PROCESS_CONTINUE);
        for (std::uint32_t i = 0; i < frames; ++i) {
            for (float y : {block.outLeft()[i], block.outRight()[i]}) {
                check(std::isfinite(y) && std::fabs(y) <= kLargestOutput);
            }
        }
    }
    clap->stop_processing(clap);
    clap->deactivate(clap);

    for (const auto& row : fxcoreplug::FXCorePlugin::paramDefs()) {
        const double v = plugin.paramValue(row.id);
        check(v >= row.minValue && v <= row.maxValue);
    }
    MemoryOStream saved;
    check(state->save(clap, saved.stream()));
    MemoryIStream again(saved.bytes());
    check(state->load(clap, again.stream()));
    return 0;
}
