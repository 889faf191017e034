#pragma once
// The assembly language's built-in names: registers, special function
// registers, LFO lanes, ramps and the presets of the settings block. The
// assembler and the disassembler both read these, so what one writes the
// other reads back.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fxcore/FXCoreCore.h"

namespace fxcore::fxasm {

// ASCII lower case, for the case-insensitive built-in names.
std::string lowerCase(std::string_view text);

// Register numbers 0..31: r0-r15, acc32, flags, mreg0-mreg13.
std::string registerName(std::uint32_t number);
std::optional<std::uint32_t> registerNumber(std::string_view name);

// SFR 0..47 have names (in0, out0, pot0, lfo0_sin, noise, ...); others are
// written sfr[N]. The empty view for an unnamed SFR.
std::string_view sfrName(std::uint32_t number);
std::optional<std::uint32_t> sfrNumber(std::string_view name);

// LFO output lanes 0..7 of ReadLfoModulated: lfo0_sin, lfo0_cos, ... lfo3_cos.
std::string_view lfoLaneName(std::uint32_t lane);
std::optional<std::uint32_t> lfoLaneNumber(std::string_view name);

// Ramps 0 and 1 of ReadRampPitch: ramp0, ramp1.
std::optional<std::uint32_t> rampNumber(std::string_view name);

// One setting of the SFR settings block, as `.preset NAME, VALUE` sets it.
struct PresetSetting {
    enum class Target : std::uint8_t { Sfr, TapLongPress, TapDebounce, SwitchDebounce, UserOut };
    std::string_view name;
    Target target;
    int index;  // SFR number for Target::Sfr, output number for Target::UserOut
    std::int64_t min;
    std::int64_t max;
    bool takesFraction;  // a fraction is an S.31 value (the rates)
};

const PresetSetting* findPresetSetting(std::string_view name);
// All settings in the order the disassembler lists them.
const PresetSetting* presetSettings(std::size_t& count);
std::int32_t& presetField(FXCoreCore::Presets& presets, const PresetSetting& setting);
std::int32_t presetValue(const FXCoreCore::Presets& presets, const PresetSetting& setting);

// True for every built-in name (mnemonics, registers, SFRs, lanes, mreg, sfr),
// which user symbols may not reuse.
bool isBuiltinName(std::string_view name);

}  // namespace fxcore::fxasm
