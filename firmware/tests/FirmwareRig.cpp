#include "firmware/tests/FirmwareRig.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>

#include <sndfile.h>

namespace fxcore::firmwaretest {

const char* modeName(Mode mode) {
    switch (mode) {
    case Mode::Kavro: return "Kavro";
    case Mode::Drisk: return "Drisk";
    case Mode::Vestra: return "Vestra";
    }
    return "?";
}

const char* modeKey(Mode mode) {
    static constexpr std::array<const char*, 3> kKeys{"kavro", "drisk", "vestra"};
    return kKeys[static_cast<std::size_t>(mode)];
}

std::string hexPath(Mode mode) {
    switch (mode) {
    case Mode::Kavro: return CORLINDE_HEX_KAVRO;
    case Mode::Drisk: return CORLINDE_HEX_DRISK;
    case Mode::Vestra: return CORLINDE_HEX_VESTRA;
    }
    return {};
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

const char* knobName(int pot) {
    switch (pot) {
    case kOne: return "ONE";
    case kMix: return "MIX";
    case kTwo: return "TWO";
    case kClock: return "CLOCK";
    case kTweak: return "TWEAK";
    default: return "POT";
    }
}

Signal silence(int samples) {
    const auto n = static_cast<std::size_t>(samples);
    return {std::vector<float>(n, 0.0f), std::vector<float>(n, 0.0f)};
}

Signal sine(double hz, double amplitude, int samples) {
    Signal s = silence(samples);
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate;
        s.left[i] = s.right[i] = static_cast<float>(amplitude * std::sin(phase));
    }
    return s;
}

Signal noise(double amplitude, int samples, std::uint32_t seed) {
    Signal s = silence(samples);
    std::uint32_t state = seed;
    auto next = [&state, amplitude] {
        state = state * 1664525u + 1013904223u;
        // 24 bits of the state as a value in [-1, 1), on the 24-bit grid.
        const double unit = static_cast<double>(static_cast<std::int32_t>(state) >> 8) / 8388608.0;
        return static_cast<float>(std::round(unit * amplitude * 8388608.0) / 8388608.0);
    };
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        s.left[i] = next();
        s.right[i] = next();
    }
    return s;
}

Signal impulse(double amplitude, int samples) {
    Signal s = silence(samples);
    if (!s.left.empty()) s.left[0] = s.right[0] = static_cast<float>(amplitude);
    return s;
}

Signal pluckedPhrase(double peakLevel) {
    Signal s = silence(kRate * 2);
    std::uint32_t seed = 2024;
    const double notes[] = {110.0, 146.8, 196.0, 246.9};
    for (std::size_t n = 0; n < std::size(notes); ++n) {
        const std::size_t start = n * kRate * 2 / 5;
        std::vector<double> string(static_cast<std::size_t>(std::lround(kRate / notes[n])));
        for (double& v : string) {
            seed = seed * 1664525u + 1013904223u;
            v = static_cast<double>(static_cast<std::int32_t>(seed)) / 2147483648.0;
        }
        for (std::size_t i = 0; start + i < s.left.size(); ++i) {
            const std::size_t k = i % string.size();
            s.left[start + i] += static_cast<float>(string[k]);
            string[k] = 0.498 * (string[k] + string[(k + 1) % string.size()]);
        }
    }
    const double scale = peakLevel / peak(s.left);
    for (std::size_t i = 0; i < s.left.size(); ++i)
        s.left[i] = s.right[i] = static_cast<float>(s.left[i] * scale);
    return s;
}

Signal readStereoFile(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    Signal s;
    if (info.channels == 2 && info.samplerate == kRate && info.frames > 0) {
        std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * 2);
        const sf_count_t frames = sf_readf_float(file, interleaved.data(), info.frames);
        for (sf_count_t i = 0; i < frames; ++i) {
            s.left.push_back(interleaved[static_cast<std::size_t>(2 * i)]);
            s.right.push_back(interleaved[static_cast<std::size_t>(2 * i + 1)]);
        }
    }
    sf_close(file);
    return s;
}

FirmwareRig::FirmwareRig(Mode mode) : mode_(mode), core_(std::make_unique<FXCoreCore>()) {
    program_.presets = FXCoreProgram::defaultPresets();
    result_ = program_.loadFromText(readFile(hexPath(mode)));
    if (result_.ok) program_.applyTo(*core_);
    // The state reset of applyTo clears the pot inputs, so they come after it.
    pots_.fill(0.5f);
    core_->setPots(pots_.data());
}

void FirmwareRig::setKnob(int pot, float position) {
    pots_[static_cast<std::size_t>(pot)] = position;
    core_->setPots(pots_.data());
}

void FirmwareRig::setKnobs(const std::array<float, 5>& positions) {
    for (std::size_t k = 0; k < kKnobs.size(); ++k) pots_[static_cast<std::size_t>(kKnobs[k])] = positions[k];
    core_->setPots(pots_.data());
}

Frame FirmwareRig::step(float left, float right) {
    const std::uint32_t pressedMask = footswitchDown_ ? (1u << kBypassPin) : 0u;
    core_->pins = 0x7Fu & ~pressedMask;
    const std::array<float, 4> in{left, right, 0.0f, 0.0f};
    core_->run(in.data());
    Frame out{};
    core_->getOutputs(out.data());
    return out;
}

std::vector<Frame> FirmwareRig::run(const Signal& signal) {
    std::vector<Frame> frames;
    frames.reserve(signal.left.size());
    for (std::size_t i = 0; i < signal.left.size(); ++i)
        frames.push_back(step(signal.left[i], signal.right[i]));
    return frames;
}

void FirmwareRig::idle(int samples) {
    for (int i = 0; i < samples; ++i) step(0.0f, 0.0f);
}

void FirmwareRig::pressBypass() {
    const int hold = program_.presets.switchDebounceSamples + 100;
    footswitchDown_ = true;
    idle(hold);
    footswitchDown_ = false;
    idle(hold);
}

std::array<float, 2> FirmwareRig::duty() {
    std::array<float, 2> d{};
    core_->readUserDuty(d.data());
    return d;
}

std::vector<float> channel(const std::vector<Frame>& frames, int output, std::size_t from, std::size_t to) {
    to = std::min(to, frames.size());
    std::vector<float> x;
    for (std::size_t i = from; i < to; ++i) x.push_back(frames[i][static_cast<std::size_t>(output)]);
    return x;
}

double peak(const std::vector<float>& x) {
    double p = 0.0;
    for (float v : x) p = std::max(p, std::fabs(static_cast<double>(v)));
    return p;
}

double rms(const std::vector<float>& x) {
    double sum = 0.0;
    for (float v : x) sum += static_cast<double>(v) * v;
    return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

double mean(const std::vector<float>& x) {
    double sum = 0.0;
    for (float v : x) sum += v;
    return x.empty() ? 0.0 : sum / static_cast<double>(x.size());
}

std::size_t strongestSample(const std::vector<float>& x) {
    std::size_t best = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > std::fabs(x[best])) best = i;
    return best;
}

double dcLevel(const std::vector<float>& x) {
    double sum = 0.0, weights = 0.0;
    const double n = static_cast<double>(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / n);
        sum += w * x[i];
        weights += w;
    }
    return weights > 0.0 ? sum / weights : 0.0;
}

double tonePower(const std::vector<float>& x, double hz) {
    const double w = 2.0 * std::numbers::pi * hz / kRate;
    double re = 0.0, im = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        re += x[i] * std::cos(w * static_cast<double>(i));
        im += x[i] * std::sin(w * static_cast<double>(i));
    }
    const double n = static_cast<double>(x.size());
    return (re * re + im * im) / (n * n);
}

double maxSecondDifference(const std::vector<float>& x) {
    double m = 0.0;
    for (std::size_t i = 1; i + 1 < x.size(); ++i)
        m = std::max(m, std::fabs(static_cast<double>(x[i + 1]) - 2.0 * x[i] + x[i - 1]));
    return m;
}

}  // namespace fxcore::firmwaretest
