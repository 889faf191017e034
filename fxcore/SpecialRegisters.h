#pragma once
// The 49 special function registers (SFR 0..48) as data: number, assembler
// name, the block of registers it belongs to, what a program's read
// (LoadSfr) and write (StoreSfr) do, its default preset and where a program
// file's settings block carries its preset. The core's read and write rules
// and its LoadSfr/StoreSfr decoding, the HEX loader's settings block and
// default presets, the assembler's names and `.preset` settings and the HEX
// writer all read this one table, so they cannot disagree.
//
// SFR numbers 49..63 (the rest of the six-bit S field) have no register:
// they read 0 and ignore writes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fxcore {

// The registers of one peripheral or purpose. A block's registers are
// consecutive; its k-th register belongs to unit k (input k, pot k, ...).
enum class SfrBlock : std::uint8_t {
    Inputs,          // input k, S.31; the sample cycle writes it before the program
    Outputs,         // output latch k; the program writes it
    Pins,            // raw pin word; the switch scan writes it every sample
    Switches,        // debounced switches and their edges; every sample
    PotShifts,       // smoothing shift of pot k, 0..31; presets and the program
    PotsRaw,         // pot k as last scanned, S.31; every sample
    PotsSmoothed,    // pot k smoothed; every sample
    LfoRates,        // rate of LFO k; presets and the program
    RampRates,       // rate of ramp k; presets and the program
    LfoOutputs,      // sine k at 2k, cosine k at 2k + 1; every sample
    Ramps,           // ramp k; every sample
    TapMaxInterval,  // longest tap interval in samples, 0 = no limit; presets and the program
    TapInterval,     // last tap interval in samples; the tap timer
    SampleCounter,   // samples run; the sample cycle
    Noise,           // the noise generator's state; every sample
    Unused,          // no function: keeps its preset
};

// What a program's read gives.
enum class SfrRead : std::uint8_t {
    Value,          // the stored value
    Zero,           // always 0 (the output registers)
    SampleCounter,  // the core's sample counter itself
};

// What a program's write does.
enum class SfrWrite : std::uint8_t {
    Ignored,      // read-only: a peripheral owns it (or, SFR 48, nothing does)
    Store,        // stored as written
    StoreShift,   // stored as value & kSfrShiftMask; the pot smoothing reads it
    StoreOutput,  // stored, and written through to the output latch
};

// The bits of a pot smoothing shift that a write or the settings block keeps.
inline constexpr std::int32_t kSfrShiftMask = 31;

// Where a program file's 48-byte settings block carries a register's preset:
// the bit field (lsb, width) of the little-endian 32-bit word at byte offset
// `offset`. Width 0: the block does not carry it.
struct SettingsField {
    std::uint8_t offset;
    std::uint8_t lsb;
    std::uint8_t width;

    constexpr bool present() const { return width != 0; }
    constexpr std::uint32_t mask() const { return width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u); }
    // The preset held in the block's word at `offset` (signed when 32 bits wide).
    constexpr std::int32_t read(std::uint32_t word) const {
        return static_cast<std::int32_t>((word >> lsb) & mask());
    }
    // The preset placed in that word; bits beyond the width are dropped.
    constexpr std::uint32_t place(std::int32_t value) const {
        return (static_cast<std::uint32_t>(value) & mask()) << lsb;
    }
};

// The settings block's bytes 0..35 hold SFR presets; the rest are timings
// and the user outputs (FXCoreProgram.h).
inline constexpr std::uint8_t kSettingsSfrBytes = 36;

struct SpecialRegister {
    std::uint8_t number;
    std::string_view name;  // in the assembly language; empty: written sfr[N]
    SfrBlock block;
    SfrRead read;
    SfrWrite write;
    std::int32_t defaultPreset;
    SettingsField setting;
};

inline constexpr int kSfrCount = 49;

namespace special_registers_detail {
using B = SfrBlock;
using R = SfrRead;
using W = SfrWrite;
inline constexpr SettingsField kNotInBlock{0, 0, 0};
constexpr SpecialRegister sfr(std::uint8_t number, std::string_view name, B block, R read, W write,
                              std::int32_t defaultPreset = 0, SettingsField setting = kNotInBlock) {
    return {number, name, block, read, write, defaultPreset, setting};
}
// A preset held in a whole 32-bit word of the settings block.
constexpr SettingsField word(std::uint8_t offset) {
    return {offset, 0, 32};
}
// Pot k's smoothing shift: five bits at 5k of the block's first word.
constexpr SettingsField shift(std::uint8_t pot) {
    return {0, static_cast<std::uint8_t>(5 * pot), 5};
}
inline constexpr std::int32_t kDefaultShift = 10;
inline constexpr std::int32_t kDefaultTapMaxInterval = 0x7FFF;
}  // namespace special_registers_detail

// Indexed by SFR number.
inline constexpr std::array<SpecialRegister, kSfrCount> kSpecialRegisters = [] {
    using namespace special_registers_detail;
    constexpr std::int32_t S = kDefaultShift;
    return std::array<SpecialRegister, kSfrCount>{{
        sfr(0, "in0", B::Inputs, R::Value, W::Ignored),
        sfr(1, "in1", B::Inputs, R::Value, W::Ignored),
        sfr(2, "in2", B::Inputs, R::Value, W::Ignored),
        sfr(3, "in3", B::Inputs, R::Value, W::Ignored),
        sfr(4, "out0", B::Outputs, R::Zero, W::StoreOutput),
        sfr(5, "out1", B::Outputs, R::Zero, W::StoreOutput),
        sfr(6, "out2", B::Outputs, R::Zero, W::StoreOutput),
        sfr(7, "out3", B::Outputs, R::Zero, W::StoreOutput),
        sfr(8, "pins", B::Pins, R::Value, W::Ignored),
        sfr(9, "switches", B::Switches, R::Value, W::Ignored),
        sfr(10, "pot0_smooth", B::PotShifts, R::Value, W::StoreShift, S, shift(0)),
        sfr(11, "pot1_smooth", B::PotShifts, R::Value, W::StoreShift, S, shift(1)),
        sfr(12, "pot2_smooth", B::PotShifts, R::Value, W::StoreShift, S, shift(2)),
        sfr(13, "pot3_smooth", B::PotShifts, R::Value, W::StoreShift, S, shift(3)),
        sfr(14, "pot4_smooth", B::PotShifts, R::Value, W::StoreShift, S, shift(4)),
        sfr(15, "pot5_smooth", B::PotShifts, R::Value, W::StoreShift, S, shift(5)),
        sfr(16, "pot0_raw", B::PotsRaw, R::Value, W::Ignored),
        sfr(17, "pot1_raw", B::PotsRaw, R::Value, W::Ignored),
        sfr(18, "pot2_raw", B::PotsRaw, R::Value, W::Ignored),
        sfr(19, "pot3_raw", B::PotsRaw, R::Value, W::Ignored),
        sfr(20, "pot4_raw", B::PotsRaw, R::Value, W::Ignored),
        sfr(21, "pot5_raw", B::PotsRaw, R::Value, W::Ignored),
        sfr(22, "pot0", B::PotsSmoothed, R::Value, W::Ignored),
        sfr(23, "pot1", B::PotsSmoothed, R::Value, W::Ignored),
        sfr(24, "pot2", B::PotsSmoothed, R::Value, W::Ignored),
        sfr(25, "pot3", B::PotsSmoothed, R::Value, W::Ignored),
        sfr(26, "pot4", B::PotsSmoothed, R::Value, W::Ignored),
        sfr(27, "pot5", B::PotsSmoothed, R::Value, W::Ignored),
        sfr(28, "lfo0_rate", B::LfoRates, R::Value, W::Store, 0, word(4)),
        sfr(29, "lfo1_rate", B::LfoRates, R::Value, W::Store, 0, word(8)),
        sfr(30, "lfo2_rate", B::LfoRates, R::Value, W::Store, 0, word(12)),
        sfr(31, "lfo3_rate", B::LfoRates, R::Value, W::Store, 0, word(16)),
        sfr(32, "ramp0_rate", B::RampRates, R::Value, W::Store, 0, word(20)),
        sfr(33, "ramp1_rate", B::RampRates, R::Value, W::Store, 0, word(24)),
        sfr(34, "lfo0_sin", B::LfoOutputs, R::Value, W::Ignored),
        sfr(35, "lfo0_cos", B::LfoOutputs, R::Value, W::Ignored),
        sfr(36, "lfo1_sin", B::LfoOutputs, R::Value, W::Ignored),
        sfr(37, "lfo1_cos", B::LfoOutputs, R::Value, W::Ignored),
        sfr(38, "lfo2_sin", B::LfoOutputs, R::Value, W::Ignored),
        sfr(39, "lfo2_cos", B::LfoOutputs, R::Value, W::Ignored),
        sfr(40, "lfo3_sin", B::LfoOutputs, R::Value, W::Ignored),
        sfr(41, "lfo3_cos", B::LfoOutputs, R::Value, W::Ignored),
        sfr(42, "ramp0", B::Ramps, R::Value, W::Ignored),
        sfr(43, "ramp1", B::Ramps, R::Value, W::Ignored),
        sfr(44, "tap_max", B::TapMaxInterval, R::Value, W::Store, kDefaultTapMaxInterval, word(28)),
        sfr(45, "tap_interval", B::TapInterval, R::Value, W::Ignored, 0, word(32)),
        sfr(46, "sample_count", B::SampleCounter, R::SampleCounter, W::Ignored),
        sfr(47, "noise", B::Noise, R::Value, W::Ignored),
        sfr(48, "", B::Unused, R::Value, W::Ignored),
    }};
}();

// The register with this number, or nullptr for a number without one.
constexpr const SpecialRegister* findSpecialRegister(int number) {
    return number >= 0 && number < kSfrCount ? &kSpecialRegisters[static_cast<std::size_t>(number)] : nullptr;
}

// The register with this exact assembler name, or nullptr (also for "").
constexpr const SpecialRegister* findSpecialRegisterByName(std::string_view name) {
    if (name.empty()) return nullptr;
    for (const SpecialRegister& reg : kSpecialRegisters)
        if (reg.name == name) return &reg;
    return nullptr;
}

// The lowest SFR number of a block.
constexpr int firstSfrOf(SfrBlock block) {
    for (const SpecialRegister& reg : kSpecialRegisters)
        if (reg.block == block) return reg.number;
    return kSfrCount;
}

// The number of registers in a block.
constexpr int sfrCountOf(SfrBlock block) {
    int count = 0;
    for (const SpecialRegister& reg : kSpecialRegisters) count += reg.block == block ? 1 : 0;
    return count;
}

// The number of registers whose preset the settings block carries.
constexpr std::size_t settingsFieldCount() {
    std::size_t count = 0;
    for (const SpecialRegister& reg : kSpecialRegisters) count += reg.setting.present() ? 1u : 0u;
    return count;
}

namespace special_registers_detail {
// Row n holds SFR n, so the table covers 0..48 once each.
constexpr bool coversEveryNumberOnce() {
    for (std::size_t n = 0; n < kSpecialRegisters.size(); ++n)
        if (static_cast<std::size_t>(kSpecialRegisters[n].number) != n) return false;
    return true;
}

// Every block is one run of consecutive numbers.
constexpr bool blocksAreConsecutive() {
    for (const SpecialRegister& reg : kSpecialRegisters)
        if (reg.number - firstSfrOf(reg.block) >= sfrCountOf(reg.block)) return false;
    return true;
}

// Names are unique; only the unused register has none.
constexpr bool namesAreUnique() {
    for (const SpecialRegister& reg : kSpecialRegisters) {
        if (reg.name.empty() != (reg.block == SfrBlock::Unused)) return false;
        if (!reg.name.empty() && findSpecialRegisterByName(reg.name) != &reg) return false;
    }
    return true;
}

// The settings fields lie within the block's first kSettingsSfrBytes bytes,
// each inside its word, and no two share a bit.
constexpr bool settingsFieldsAreDisjoint() {
    std::array<std::uint32_t, kSettingsSfrBytes / 4> used{};
    for (const SpecialRegister& reg : kSpecialRegisters) {
        const SettingsField field = reg.setting;
        if (!field.present()) continue;
        if (field.offset % 4 != 0 || field.offset >= kSettingsSfrBytes || field.lsb + field.width > 32)
            return false;
        std::uint32_t& bits = used[field.offset / 4];
        if ((bits & field.place(-1)) != 0) return false;
        bits |= field.place(-1);
    }
    return true;
}

static_assert(coversEveryNumberOnce(), "kSpecialRegisters must hold SFR 0..48, row n for SFR n");
static_assert(blocksAreConsecutive(), "each SFR block must be one run of consecutive numbers");
static_assert(namesAreUnique(), "SFR names must be unique, and only the unused SFR unnamed");
static_assert(settingsFieldsAreDisjoint(), "settings fields must lie in bytes 0..35 and not overlap");
}  // namespace special_registers_detail

}  // namespace fxcore
