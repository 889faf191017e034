#pragma once
// A fixed stereo block and a deterministic guitar-like input for the processing benchmarks.

#include <clap/clap.h>

#include <cmath>
#include <numbers>
#include <cstdint>
#include <vector>

namespace fxcoreplug::bench {

class BenchBlock {
public:
    static constexpr std::uint32_t kFrames = 512;
    static constexpr double kRate = 48000.0;

    explicit BenchBlock(std::uint32_t frames = kFrames)
        : inL_(frames), inR_(frames), outL_(frames), outR_(frames) {
        // A decaying 110 Hz tone with a few harmonics and a little noise, around -12 dBFS.
        std::uint32_t noise = 12345;
        for (std::uint32_t s = 0; s < frames; ++s) {
            const double t = s / kRate;
            noise = noise * 1664525u + 1013904223u;
            const double n = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.01;
            const double tone = 0.25 * (std::sin(2 * std::numbers::pi * 110 * t) +
                                        0.4 * std::sin(2 * std::numbers::pi * 220 * t) +
                                        0.2 * std::sin(2 * std::numbers::pi * 330 * t));
            inL_[s] = static_cast<float>(tone + n);
            inR_[s] = static_cast<float>(tone - n);
        }
        inPtrs_[0] = inL_.data();
        inPtrs_[1] = inR_.data();
        outPtrs_[0] = outL_.data();
        outPtrs_[1] = outR_.data();
        input_ = {inPtrs_, nullptr, 2, 0, 0};
        output_ = {outPtrs_, nullptr, 2, 0, 0};
        process_ = {-1, frames, nullptr, &input_, &output_, 1, 1, nullptr, nullptr};
    }
    BenchBlock(const BenchBlock&) = delete;
    BenchBlock& operator=(const BenchBlock&) = delete;

    const clap_process* process() const { return &process_; }
    std::uint32_t frames() const { return process_.frames_count; }
    float lastLeft() const { return outL_.back(); }

private:
    std::vector<float> inL_, inR_, outL_, outR_;
    float* inPtrs_[2]{};
    float* outPtrs_[2]{};
    clap_audio_buffer input_{};
    clap_audio_buffer output_{};
    clap_process process_{};
};

}  // namespace fxcoreplug::bench
