#pragma once
// A small bench for the pedal's firmware: one emulated core running one of
// the three assembled programs, with the pedal's knobs, its footswitch and a
// few signal generators and measurements that the firmware tests share.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreProgram.h"

namespace fxcore::firmwaretest {

enum class Mode { Kavro = 0, Drisk = 1, Vestra = 2 };
inline constexpr std::array<Mode, 3> kModes{Mode::Kavro, Mode::Drisk, Mode::Vestra};

const char* modeName(Mode mode);
// The mode's name in lower case, as the recorded figures' keys use it.
const char* modeKey(Mode mode);
// The assembled HEX file of a mode, as the build wrote it.
std::string hexPath(Mode mode);
// The whole file as bytes; empty when it cannot be read.
std::string readFile(const std::string& path);

// Pot numbers of the pedal's knobs (pot 3 is the mode toggle).
inline constexpr int kOne = 0;
inline constexpr int kMix = 1;
inline constexpr int kTwo = 2;
inline constexpr int kClock = 4;
inline constexpr int kTweak = 5;
inline constexpr std::array<int, 5> kKnobs{kOne, kMix, kTwo, kClock, kTweak};
const char* knobName(int pot);

inline constexpr int kRate = 48000;
inline constexpr int kBypassPin = 4;

// Four outputs of one sample.
using Frame = std::array<float, 4>;

// Mono or stereo test signals as plain sample vectors.
struct Signal {
    std::vector<float> left;
    std::vector<float> right;
};
Signal silence(int samples);
Signal sine(double hz, double amplitude, int samples);
// Uniform noise in [-amplitude, amplitude], on the 24-bit grid, different
// on the two channels, from a fixed seed.
Signal noise(double amplitude, int samples, std::uint32_t seed = 12345);
// One sample of `amplitude` on both channels, then silence.
Signal impulse(double amplitude, int samples);
// A plucked-string phrase (Karplus-Strong), the same on both channels: four
// notes of a low guitar chord, 0.4 s apart, each ringing on under the next,
// 2 s in all, scaled to the peak `peakLevel`.
Signal pluckedPhrase(double peakLevel);
// A stereo sound file read with libsndfile; empty when it cannot be read or
// is not stereo at the rig's rate.
Signal readStereoFile(const std::string& path);

class FirmwareRig {
public:
    explicit FirmwareRig(Mode mode);

    const FXCoreProgram::Result& loadResult() const { return result_; }
    const FXCoreProgram& program() const { return program_; }
    FXCoreCore& core() { return *core_; }

    // Knob positions 0..1; every knob starts at 0.5, MIX included.
    void setKnob(int pot, float position);
    // All five knobs at once, in the order of kKnobs (ONE, MIX, TWO, CLOCK,
    // TWEAK).
    void setKnobs(const std::array<float, 5>& positions);
    // Runs the core for one sample with the footswitch state held.
    Frame step(float left, float right);
    // Runs a whole signal; returns every output frame.
    std::vector<Frame> run(const Signal& signal);
    // Runs silence for `samples` samples.
    void idle(int samples);
    // Lets the knobs settle: enough silence for the pot smoothing, and for
    // KAVRO's tape heads to glide the whole delay range.
    void settle() { idle(mode_ == Mode::Kavro ? 72000 : 24000); }
    // Holds the footswitch down or lets it go for the samples that follow.
    void setFootswitch(bool down) { footswitchDown_ = down; }
    // One footswitch press: held past the debounce, then released past it,
    // with silent input.
    void pressBypass();
    // Duty of the two user outputs since the previous call.
    std::array<float, 2> duty();

private:
    Mode mode_;
    FXCoreProgram program_;
    FXCoreProgram::Result result_;
    std::unique_ptr<FXCoreCore> core_;
    std::array<float, 6> pots_{};
    bool footswitchDown_ = false;
};

// ---- measurements ------------------------------------------------------
std::vector<float> channel(const std::vector<Frame>& frames, int output, std::size_t from = 0,
                           std::size_t to = SIZE_MAX);
double peak(const std::vector<float>& x);
double rms(const std::vector<float>& x);
double mean(const std::vector<float>& x);
// Index of the sample of largest magnitude (the first of equals; 0 when empty).
std::size_t strongestSample(const std::vector<float>& x);
// Mean under a Hann window: the DC content, without the leakage of tones.
double dcLevel(const std::vector<float>& x);
// Power of the component at `hz` (Goertzel), normalised so a sine of
// amplitude a gives a^2 / 4.
double tonePower(const std::vector<float>& x, double hz);
// Largest |x[n+1] - 2 x[n] + x[n-1]|: steps and clicks show up here.
double maxSecondDifference(const std::vector<float>& x);

}  // namespace fxcore::firmwaretest
