#include "tools/fxasm/Names.h"

#include <array>

#include "fxcore/Operations.h"
#include "fxcore/SpecialRegisters.h"

namespace fxcore::fxasm {

namespace {

using T = PresetSetting::Target;

// The settings of the block that are no SFR preset.
constexpr std::array<PresetSetting, 5> kTimingAndOutputSettings = {{
    {"tap_long_press", T::TapLongPress, 0, 0, 65535, false},
    {"tap_debounce", T::TapDebounce, 0, 0, 65535, false},
    {"switch_debounce", T::SwitchDebounce, 0, 0, 65535, false},
    {"user_out0", T::UserOut, 0, 0, 1, false},
    {"user_out1", T::UserOut, 1, 0, 1, false},
}};

// Every setting of the block: the SFR presets it carries, in SFR order, then
// the timings and the user outputs.
constexpr std::size_t kPresetSettingCount = settingsFieldCount() + kTimingAndOutputSettings.size();
constexpr std::array<PresetSetting, kPresetSettingCount> kPresetSettings = [] {
    constexpr std::int64_t kInt32Min = -2147483648LL;
    constexpr std::int64_t kUint32Max = 4294967295LL;
    std::array<PresetSetting, kPresetSettingCount> settings{};
    std::size_t i = 0;
    for (const SpecialRegister& reg : kSpecialRegisters) {
        const SettingsField field = reg.setting;
        if (!field.present()) continue;
        // A whole word takes any 32-bit value, signed or not; a narrower field its unsigned range.
        const bool wholeWord = field.width == 32;
        const bool rate = reg.block == SfrBlock::LfoRates || reg.block == SfrBlock::RampRates;
        settings[i++] = {reg.name,
                         T::Sfr,
                         reg.number,
                         wholeWord ? kInt32Min : 0,
                         wholeWord ? kUint32Max : static_cast<std::int64_t>(field.mask()),
                         rate};
    }
    for (const PresetSetting& setting : kTimingAndOutputSettings) settings[i++] = setting;
    return settings;
}();

std::optional<std::uint32_t> numberAfter(std::string_view name, std::string_view prefix,
                                         std::uint32_t count) {
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
    if (number == 16) return "acc32";
    if (number == 17) return "flags";
    std::string name = number < 16 ? "r" : "mreg";
    name += std::to_string(number < 16 ? number : number - 18);
    return name;
}

std::optional<std::uint32_t> registerNumber(std::string_view name) {
    const std::string n = lowerCase(name);
    if (n == "acc32") return 16;
    if (n == "flags") return 17;
    if (auto r = numberAfter(n, "r", 16)) return r;
    if (auto m = numberAfter(n, "mreg", 14)) return *m + 18;
    return std::nullopt;
}

std::string_view sfrName(std::uint32_t number) {
    return number < kSpecialRegisters.size() ? kSpecialRegisters[number].name : "";
}

std::optional<std::uint32_t> sfrNumber(std::string_view name) {
    const SpecialRegister* reg = findSpecialRegisterByName(lowerCase(name));
    if (reg == nullptr) return std::nullopt;
    return reg->number;
}

namespace {
// The index of the named SFR within block, or nothing when it names no SFR of it.
std::optional<std::uint32_t> indexInBlock(std::string_view name, SfrBlock block) {
    const SpecialRegister* reg = findSpecialRegisterByName(lowerCase(name));
    if (reg == nullptr || reg->block != block) return std::nullopt;
    return static_cast<std::uint32_t>(reg->number - firstSfrOf(block));
}
}  // namespace

std::string_view lfoLaneName(std::uint32_t lane) {
    const auto lanes = static_cast<std::uint32_t>(sfrCountOf(SfrBlock::LfoOutputs));
    return lane < lanes ? sfrName(static_cast<std::uint32_t>(firstSfrOf(SfrBlock::LfoOutputs)) + lane) : "";
}

std::optional<std::uint32_t> lfoLaneNumber(std::string_view name) {
    return indexInBlock(name, SfrBlock::LfoOutputs);
}

std::optional<std::uint32_t> rampNumber(std::string_view name) {
    return indexInBlock(name, SfrBlock::Ramps);
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
