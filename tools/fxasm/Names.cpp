#include "tools/fxasm/Names.h"

#include <array>

#include "fxcore/Operations.h"

namespace fxcore::fxasm {

namespace {

constexpr std::array<std::string_view, 48> kSfrNames = {
    "in0",        "in1",        "in2",        "in3",        "out0",       "out1",       "out2",
    "out3",       "pins",       "switches",   "pot0_smooth", "pot1_smooth", "pot2_smooth", "pot3_smooth",
    "pot4_smooth", "pot5_smooth", "pot0_raw",  "pot1_raw",   "pot2_raw",   "pot3_raw",   "pot4_raw",
    "pot5_raw",   "pot0",       "pot1",       "pot2",       "pot3",       "pot4",       "pot5",
    "lfo0_rate",  "lfo1_rate",  "lfo2_rate",  "lfo3_rate",  "ramp0_rate", "ramp1_rate", "lfo0_sin",
    "lfo0_cos",   "lfo1_sin",   "lfo1_cos",   "lfo2_sin",   "lfo2_cos",   "lfo3_sin",   "lfo3_cos",
    "ramp0",      "ramp1",      "tap_max",    "tap_interval", "sample_count", "noise",
};

constexpr std::int64_t kInt32Min = -2147483648LL;
constexpr std::int64_t kUint32Max = 4294967295LL;

using T = PresetSetting::Target;
constexpr std::array<PresetSetting, 19> kPresetSettings = {{
    {"pot0_smooth", T::Sfr, 10, 0, 31, false},
    {"pot1_smooth", T::Sfr, 11, 0, 31, false},
    {"pot2_smooth", T::Sfr, 12, 0, 31, false},
    {"pot3_smooth", T::Sfr, 13, 0, 31, false},
    {"pot4_smooth", T::Sfr, 14, 0, 31, false},
    {"pot5_smooth", T::Sfr, 15, 0, 31, false},
    {"lfo0_rate", T::Sfr, 28, kInt32Min, kUint32Max, true},
    {"lfo1_rate", T::Sfr, 29, kInt32Min, kUint32Max, true},
    {"lfo2_rate", T::Sfr, 30, kInt32Min, kUint32Max, true},
    {"lfo3_rate", T::Sfr, 31, kInt32Min, kUint32Max, true},
    {"ramp0_rate", T::Sfr, 32, kInt32Min, kUint32Max, true},
    {"ramp1_rate", T::Sfr, 33, kInt32Min, kUint32Max, true},
    {"tap_max", T::Sfr, 44, kInt32Min, kUint32Max, false},
    {"tap_interval", T::Sfr, 45, kInt32Min, kUint32Max, false},
    {"tap_long_press", T::TapLongPress, 0, 0, 65535, false},
    {"tap_debounce", T::TapDebounce, 0, 0, 65535, false},
    {"switch_debounce", T::SwitchDebounce, 0, 0, 65535, false},
    {"user_out0", T::UserOut, 0, 0, 1, false},
    {"user_out1", T::UserOut, 1, 0, 1, false},
}};

std::optional<std::uint32_t> numberAfter(std::string_view name, std::string_view prefix, std::uint32_t count) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return std::nullopt;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 3 || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value < count ? std::optional<std::uint32_t>(value) : std::nullopt;
}

}  // namespace

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string registerName(std::uint32_t number) {
    if (number < 16) return "r" + std::to_string(number);
    if (number == 16) return "acc32";
    if (number == 17) return "flags";
    return "mreg" + std::to_string(number - 18);
}

std::optional<std::uint32_t> registerNumber(std::string_view name) {
    const std::string n = lowerCase(name);
    if (n == "acc32") return 16;
    if (n == "flags") return 17;
    if (auto r = numberAfter(n, "r", 16)) return r;
    if (auto m = numberAfter(n, "mreg", 14)) return *m + 18;
    return std::nullopt;
}

std::string_view sfrName(std::uint32_t number) { return number < kSfrNames.size() ? kSfrNames[number] : ""; }

std::optional<std::uint32_t> sfrNumber(std::string_view name) {
    const std::string n = lowerCase(name);
    for (std::uint32_t i = 0; i < kSfrNames.size(); ++i) {
        if (kSfrNames[i] == n) return i;
    }
    return std::nullopt;
}

std::string_view lfoLaneName(std::uint32_t lane) { return lane < 8 ? kSfrNames[34 + lane] : ""; }

std::optional<std::uint32_t> lfoLaneNumber(std::string_view name) {
    const auto sfr = sfrNumber(name);
    if (sfr && *sfr >= 34 && *sfr <= 41) return *sfr - 34;
    return std::nullopt;
}

std::optional<std::uint32_t> rampNumber(std::string_view name) {
    const std::string n = lowerCase(name);
    if (n == "ramp0") return 0;
    if (n == "ramp1") return 1;
    return std::nullopt;
}

const PresetSetting* findPresetSetting(std::string_view name) {
    const std::string n = lowerCase(name);
    for (const auto& s : kPresetSettings) {
        if (s.name == n) return &s;
    }
    return nullptr;
}

const PresetSetting* presetSettings(std::size_t& count) {
    count = kPresetSettings.size();
    return kPresetSettings.data();
}

namespace {
template <typename PresetsRef>
auto& fieldOf(PresetsRef& presets, const PresetSetting& setting) {
    switch (setting.target) {
    case T::Sfr: return presets.sfr[static_cast<std::size_t>(setting.index)];
    case T::TapLongPress: return presets.tapLongPressSamples;
    case T::TapDebounce: return presets.tapDebounceSamples;
    case T::SwitchDebounce: return presets.switchDebounceSamples;
    case T::UserOut: break;
    }
    return presets.userOutInitial[static_cast<std::size_t>(setting.index)];
}
}  // namespace

std::int32_t& presetField(FXCoreCore::Presets& presets, const PresetSetting& setting) {
    return fieldOf(presets, setting);
}

std::int32_t presetValue(const FXCoreCore::Presets& presets, const PresetSetting& setting) {
    return fieldOf(presets, setting);
}

bool isBuiltinName(std::string_view name) {
    const std::string n = lowerCase(name);
    for (const auto& op : kOperations) {
        if (lowerCase(op.name) == n) return true;
    }
    return registerNumber(n) || sfrNumber(n) || n == "mreg" || n == "sfr";
}

}  // namespace fxcore::fxasm
