// FXCoreCore switch pins and tap tempo: debouncing, SFR 8 and 9, the tap
// timer with SFR 45 and the tap flags.
//
// All counts are samples at the host's rate and saturate at the top of their
// type instead of overflowing (a held tap or an unlimited measurement would
// otherwise wrap after about twelve hours at 48 kHz).

#include "fxcore/FXCoreCore.h"

#include <limits>

namespace fxcore {

namespace {

void countUp(std::int32_t& count) {
    if (count < std::numeric_limits<std::int32_t>::max()) ++count;
}

void countUp(std::uint32_t& count) {
    if (count < std::numeric_limits<std::uint32_t>::max()) ++count;
}

constexpr std::uint32_t kTapPinBit = 6;
constexpr std::uint32_t kTapReleased = 0x01;
constexpr std::uint32_t kTapPressEdge = 0x02;
constexpr std::uint32_t kTapReleaseEdge = 0x04;
constexpr std::uint32_t kTapCaptured = 0x08 | 0x20;
constexpr std::uint32_t kTapLongPress = 0x10;

}  // namespace

void FXCoreCore::setPin(int pin, bool pressed) {
    if (pin < 0 || pin > 6) return;
    const std::uint32_t bit = 1u << pin;
    pins = pressed ? (pins & ~bit) : (pins | bit);
}

void FXCoreCore::updateSwitches() {
    const std::uint32_t differing = (pins ^ switchState) & 0x3Fu;
    std::uint32_t edges = 0;
    if (differing == 0) {
        switchDebounceCount = {};
    } else {
        for (std::uint32_t i = 0; i < 6; ++i) {
            const std::uint32_t bit = 1u << i;
            std::int32_t& count = switchDebounceCount[i];
            if ((differing & bit) == 0) {
                count = 0;
                continue;
            }
            countUp(count);
            if (count < presets.switchDebounceSamples) continue;
            count = 0;
            const bool released = (pins & bit) != 0;
            switchState = released ? (switchState | bit) : (switchState & ~bit);
            if (i <= 4) edges |= released ? bit << 5 : bit << 10;
        }
    }
    sfr[kSfrSwitches] =
        static_cast<std::int32_t>((switchState & 0x1Fu) | (((switchState >> 5) & 1u) << 15) | edges);
    sfr[kSfrPins] = static_cast<std::int32_t>(pins & 0xFFFFu);
}

void FXCoreCore::updateTapTempo() {
    const std::int32_t pin = static_cast<std::int32_t>((pins >> kTapPinBit) & 1u);
    bool pressEdge = false;
    bool releaseEdge = false;
    if (pin == tapState) {
        tapDebounceCount = 0;
    } else {
        countUp(tapDebounceCount);
        if (tapDebounceCount >= presets.tapDebounceSamples) {
            tapDebounceCount = 0;
            tapState = pin;
            pressEdge = pin == 0;
            releaseEdge = pin == 1;
        }
    }

    std::uint32_t tapBits = 0;
    if (pressEdge) {
        tapHoldCount = 0;
        if (tapMeasuring != 0) {
            sfr[kSfrTapInterval] = static_cast<std::int32_t>(tapInterval);
            tapMeasuring = 0;
            tapInterval = 0;
            tapBits = kTapCaptured | kTapPressEdge;
        } else {
            tapMeasuring = 1;
            tapInterval = 0;
            tapBits = kTapPressEdge;
        }
    }
    if (releaseEdge) {
        if (tapHoldCount >= presets.tapLongPressSamples && tapMeasuring != 0) {
            tapMeasuring = 0;
            tapInterval = 0;
        }
        tapHoldCount = 0;
        tapBits = kTapReleaseEdge | kTapReleased;
    }
    if (pressEdge || (!releaseEdge && tapState == 0)) {
        countUp(tapHoldCount);
        if (tapHoldCount >= presets.tapLongPressSamples) tapBits |= kTapLongPress;
    } else if (!releaseEdge) {
        tapBits = kTapReleased;
    }
    if (tapMeasuring != 0) {
        countUp(tapInterval);
        const auto maxInterval = static_cast<std::uint32_t>(sfr[kSfrTapMaxInterval]);
        if (maxInterval != 0 && tapInterval > maxInterval) {
            tapMeasuring = 0;
            tapInterval = 0;
        }
    }
    tapFlags = tapBits;
}

}  // namespace fxcore
