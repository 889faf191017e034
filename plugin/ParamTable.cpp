// The fixed table of the 18 host parameters, lookups by id and the clamped write.

#include <cmath>

#include "plugin/FXCorePlugin.h"

namespace fxcoreplug {

namespace {

constexpr std::uint32_t kContinuous = CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_MODULATABLE;
constexpr std::uint32_t kStepped = CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_AUTOMATABLE;

}  // namespace

const std::array<FXCorePlugin::ParamDef, FXCorePlugin::kParamCount>& FXCorePlugin::paramDefs() {
    // The Program maximum is the number of embedded programs, not the number of banks.
    static const double maxProgram = static_cast<double>(kEmbeddedProgramCount);
    static const std::array<ParamDef, kParamCount> s_table{{
        {100, "POT0", "Pots", 0.0, 1.0, 0.5, kContinuous},
        {101, "POT1", "Pots", 0.0, 1.0, 0.5, kContinuous},
        {102, "POT2", "Pots", 0.0, 1.0, 0.5, kContinuous},
        {103, "POT3", "Pots", 0.0, 1.0, 0.5, kContinuous},
        {104, "POT4", "Pots", 0.0, 1.0, 0.5, kContinuous},
        {105, "POT5", "Pots", 0.0, 1.0, 0.5, kContinuous},
        {200, "SW0", "Switches", 0.0, 1.0, 0.0, kStepped},
        {201, "SW1", "Switches", 0.0, 1.0, 0.0, kStepped},
        {202, "SW2", "Switches", 0.0, 1.0, 0.0, kStepped},
        {203, "SW3", "Switches", 0.0, 1.0, 0.0, kStepped},
        {204, "SW4", "Switches", 0.0, 1.0, 0.0, kStepped},
        {300, "ENABLE", "Switches", 0.0, 1.0, 1.0, kStepped},
        {301, "TAP", "Switches", 0.0, 1.0, 0.0, kStepped},
        {400, "Program", "Program", 0.0, maxProgram, 0.0, kStepped},
        {401, "Monitor", "Program", 0.0, 1.0, 0.0, kStepped},
        {402, "Mode", "Program", 0.0, 7.0, 0.0, kStepped},
        {500, "Input Trim", "Levels", -24.0, 24.0, 0.0, kContinuous},
        {501, "Output Trim", "Levels", -24.0, 24.0, 0.0, kContinuous},
    }};
    return s_table;
}

const FXCorePlugin::ParamDef* FXCorePlugin::defFor(std::uint32_t id) const {
    for (const ParamDef& row : paramDefs()) {
        if (row.id == id) {
            return &row;
        }
    }
    return nullptr;
}

std::atomic<double>* FXCorePlugin::slotFor(std::uint32_t id) {
    const auto& table = paramDefs();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].id == id) {
            return &params[i];
        }
    }
    return nullptr;
}

double FXCorePlugin::paramValue(std::uint32_t id) const {
    const auto& table = paramDefs();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].id == id) {
            return params[i].load(std::memory_order_relaxed);
        }
    }
    return 0.0;
}

double FXCorePlugin::clampToRow(const ParamDef& row, double value) {
    if (row.minValue > value) {
        return row.minValue;
    }
    if (value > row.maxValue) {
        return row.maxValue;
    }
    return value;
}

bool FXCorePlugin::writeParam(std::uint32_t id, double value) {
    // A NaN is neither below the minimum nor above the maximum, so the clamp would let it
    // through; it is refused instead and the previous value stays.
    if (std::isnan(value)) {
        return false;
    }
    const auto& table = paramDefs();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].id == id) {
            params[i].store(clampToRow(table[i], value), std::memory_order_relaxed);
            return true;
        }
    }
    return false;
}

}  // namespace fxcoreplug
