#pragma once
// An assembled FXCore program: its instruction words, the register image that
// goes with them and a name, read from Intel HEX text and put into a core as a
// whole.
//
// The HEX text describes a 10242-byte image in four sections, each followed by
// a 16-bit little-endian sum of its bytes:
//   0x0000 MREG  up to 128 memory-register values (signed 32-bit, little-endian)
//   0x0800 CREG  16 core-register values R0..R15
//   0x1000 SFR   a fixed 48-byte block of settings (pot smoothing, LFO and ramp
//                rates, tap maximum and interval, timings, user outputs)
//   0x1800 PRG   up to 1024 instruction words (unsigned 32-bit, little-endian)
// Loading accepts what it can: a problem inside a section is a warning, only a
// malformed record or a missing or empty program section fails the load.
// Nothing is logged or thrown; every outcome is in the returned Result.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/SpecialRegisters.h"

namespace fxcore {

class FXCoreProgram {
public:
    // The outcome of one load.
    struct Result {
        bool ok = false;                    // true only when the load succeeded
        std::string error;                  // the one error text when it failed
        std::vector<std::string> warnings;  // in the order they arose
    };

    // Byte layout of the image, shared with the tools that write programs.
    static constexpr std::uint32_t kImageSize = 0x2802;
    static constexpr std::uint32_t kMregBase = 0x0000;
    static constexpr std::uint32_t kCregBase = 0x0800;
    static constexpr std::uint32_t kSfrBase = 0x1000;
    static constexpr std::uint32_t kPrgBase = 0x1800;
    static constexpr std::uint32_t kSfrBlockSize = 48;
    // Byte offsets in the settings block past its SFR presets (those are
    // placed by kSpecialRegisters): three unsigned 16-bit timings, two 16-bit
    // values the loader ignores, and the user outputs' initial states in bits
    // 0 and 1 of one byte.
    static constexpr std::uint32_t kSfrBlockTapLongPress = 36;
    static constexpr std::uint32_t kSfrBlockTapDebounce = 38;
    static constexpr std::uint32_t kSfrBlockSwitchDebounce = 40;
    static constexpr std::uint32_t kSfrBlockIgnored0 = 42;
    static constexpr std::uint32_t kSfrBlockIgnored1 = 44;
    static constexpr std::uint32_t kSfrBlockUserOuts = 46;
    static_assert(kSfrBlockTapLongPress == kSettingsSfrBytes, "the timings follow the SFR presets");
    static constexpr std::size_t kMaxWords = 1024;

    // Instruction words: 1 to 1024 after a successful load, empty after a
    // failed loadFromText.
    std::vector<std::uint32_t> words;
    // Initial register image and timings that applyTo gives the core; all
    // zero until the program is loaded or its creator sets them.
    FXCoreCore::Presets presets = zeroPresets();
    // Set by the program's creator; loadFromFile names an unnamed program
    // after its file.
    std::string name;

    // [thread-safe] The register image every loaded program starts from:
    // all registers 0 except pot smoothing shifts SFR 10..15 = 10 and the tap
    // maximum interval SFR 44 = 32767; timings 36000, 480, 480 samples.
    static FXCoreCore::Presets defaultPresets();

    // [main-thread] Reads the HEX text into words and presets, starting from
    // scratch (words emptied, presets = defaultPresets()). name is untouched.
    Result loadFromText(std::string_view text);

    // [main-thread] Reads the file at path as raw bytes and loads it with
    // loadFromText. When it cannot be opened the program is left as it was.
    // A successful load gives an unnamed program the file's name without its
    // last extension.
    Result loadFromFile(const std::string& path);

    // [audio-thread] setPresets(presets) then setProgram(words) on the core.
    // Allocates nothing.
    void applyTo(FXCoreCore& core) const;

private:
    static FXCoreCore::Presets zeroPresets() {
        FXCoreCore::Presets p{};
        p.tapLongPressSamples = 0;
        p.tapDebounceSamples = 0;
        p.switchDebounceSamples = 0;
        return p;
    }
};

}  // namespace fxcore
