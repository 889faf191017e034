// The "clap.params" answers: count, info, value, value-to-text and text-to-value. Names,
// groups and hidden flags follow the control names of the running program, so a host shows
// the labels printed on the pedal and hides what the pedal does not have.

#include "plugin/FXCorePlugin.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace fxcoreplug {

namespace {

bool isPot(std::uint32_t id) {
    return id >= kParamPot0 && id < kParamPot0 + ControlNames::kPotCount;
}
bool isSwitch(std::uint32_t id) {
    return id >= kParamSwitch0 && id < kParamSwitch0 + ControlNames::kSwitchCount;
}

// The nearest whole number, halves away from zero; false for a value that is not a number
// or does not fit an int, so that no list is ever indexed by a wrapped value.
bool roundToInt(double value, int& out) {
    if (!std::isfinite(value)) {
        return false;
    }
    const double r = std::round(value);
    if (r < static_cast<double>(std::numeric_limits<int>::min()) ||
        r > static_cast<double>(std::numeric_limits<int>::max())) {
        return false;
    }
    out = static_cast<int>(r);
    return true;
}

bool writeText(char* buf, std::uint32_t size, const char* text) {
    std::snprintf(buf, size, "%s", text);
    return true;
}

}  // namespace

std::uint32_t FXCorePlugin::paramsCount() const {
    return static_cast<std::uint32_t>(paramDefs().size());
}

bool FXCorePlugin::paramsInfo(std::uint32_t index, clap_param_info* info) const {
    const auto& table = paramDefs();
    if (index >= table.size() || info == nullptr) {
        return false;
    }
    const ParamDef& row = table[index];
    const ControlNames& names = activeControlNames();
    std::string name = row.name;
    std::string module = row.module;
    bool hidden = false;
    bool pedalControl = true;

    if (isPot(row.id)) {
        const int pot = static_cast<int>(row.id - kParamPot0);
        name = names.potName(pot);
        hidden = !names.potUsed(pot);
    } else if (isSwitch(row.id)) {
        const int sw = static_cast<int>(row.id - kParamSwitch0);
        name = names.switchName(sw);
        hidden = names.valid && names.switches[static_cast<std::size_t>(sw)].empty();
    } else if (row.id == kParamEnable) {
        name = names.enableName();
        hidden = true;  // always: processing does not read it
    } else if (row.id == kParamTap) {
        name = names.tapName();
        hidden = names.valid && names.tap.empty();
    } else {
        pedalControl = false;
        if (row.id == kParamMode) {
            hidden = modeCountFor(currentBankIndex()) < 2;
        }
    }
    if (pedalControl && !names.name.empty()) {
        module = names.name;
    }

    info->id = row.id;
    info->flags = row.flags | (hidden ? static_cast<std::uint32_t>(CLAP_PARAM_IS_HIDDEN) : 0u);
    info->cookie = nullptr;
    std::snprintf(info->name, sizeof info->name, "%s", name.c_str());
    std::snprintf(info->module, sizeof info->module, "%s", module.c_str());
    info->min_value = row.minValue;
    info->max_value = row.maxValue;
    info->default_value = row.defaultValue;
    return true;
}

bool FXCorePlugin::paramsValue(std::uint32_t id, double* out) const {
    if (defFor(id) == nullptr || out == nullptr) {
        return false;
    }
    *out = paramValue(id);
    return true;
}

bool FXCorePlugin::paramsValueToText(std::uint32_t id, double value, char* buf, std::uint32_t size) const {
    // A buffer that cannot hold even the terminating NUL gets no text, and no claim of one.
    if (defFor(id) == nullptr || buf == nullptr || size == 0) {
        return false;
    }
    const bool high = value >= 0.5;  // false for a NaN, which gives the second text
    if (isPot(id)) {
        std::snprintf(buf, size, "%.3f", value);
        return true;
    }
    if (isSwitch(id) || id == kParamTap) {
        return writeText(buf, size, high ? "pressed" : "released");
    }
    switch (id) {
    case kParamEnable: return writeText(buf, size, high ? "engaged" : "off");
    case kParamMonitor: return writeText(buf, size, high ? "OUT2 / OUT3" : "OUT0 / OUT1");
    case kParamInputTrim:
    case kParamOutputTrim: std::snprintf(buf, size, "%.1f dB", value); return true;
    case kParamProgram: {
        int bank = -1;
        const std::string name = roundToInt(value, bank) ? bankName(bank) : std::string();
        return writeText(buf, size, name.empty() ? "-" : name.c_str());
    }
    case kParamMode: {
        const int b = currentBankIndex();
        int mode = -1;
        if (!roundToInt(value, mode) || mode < 0 || mode >= modeCountFor(b)) {
            return writeText(buf, size, "-");
        }
        std::string name;
        if (b >= 0 && b < static_cast<int>(banks.size())) {
            const auto& modes = banks[static_cast<std::size_t>(b)].programForMode;
            if (static_cast<std::size_t>(mode) < modes.size()) {
                name = programName(modes[static_cast<std::size_t>(mode)]);
            }
        }
        std::snprintf(buf, size, "%d: %s", mode, name.empty() ? "-" : name.c_str());
        return true;
    }
    default: return false;
    }
}

bool FXCorePlugin::paramsTextToValue(std::uint32_t id, const char* text, double* out) const {
    if (text == nullptr || out == nullptr) {
        return false;
    }
    if (isSwitch(id) || id == kParamEnable || id == kParamTap) {
        const bool on = std::strstr(text, "press") != nullptr || std::strstr(text, "engag") != nullptr ||
                        std::strstr(text, "on") != nullptr;
        *out = on ? 1.0 : 0.0;
        return true;
    }
    if (id == kParamProgram) {
        for (std::size_t b = 0; b < banks.size(); ++b) {
            if (banks[b].name == text) {
                *out = static_cast<double>(b);
                return true;
            }
        }
        return false;
    }
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    // "nan" reads as a number, but no writer takes it. An infinity stands: every writer
    // clamps it to the parameter's range.
    if (end == text || std::isnan(value)) {
        return false;
    }
    *out = value;
    return true;
}

}  // namespace fxcoreplug
