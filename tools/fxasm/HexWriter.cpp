#include "tools/fxasm/HexWriter.h"

#include <algorithm>

#include "fxcore/FXCoreProgram.h"
#include "fxcore/IntelHexRecord.h"
#include "fxcore/SpecialRegisters.h"

namespace fxcore::fxasm {

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kRecordBytes = 64;
// What programs carry in the two fields of the settings block that the loader ignores.
constexpr std::uint32_t kBlockIgnoredValue0 = 2400;
constexpr std::uint32_t kBlockIgnoredValue1 = 960;

void putLe16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void putLe32(Bytes& out, std::uint32_t v) {
    putLe16(out, v & 0xFFFF);
    putLe16(out, v >> 16);
}

void appendSum(Bytes& out) {
    std::uint32_t sum = 0;
    for (std::uint8_t b : out) sum += b;
    putLe16(out, sum & 0xFFFF);
}

void appendSection(std::string& text, std::uint32_t base, const Bytes& bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += kRecordBytes) {
        const std::size_t count = std::min(kRecordBytes, bytes.size() - at);
        appendIntelHexRecord(text, base + static_cast<std::uint32_t>(at), 0, bytes.data() + at, count);
    }
}

Bytes registerSection(const std::int32_t* values, std::size_t count) {
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) putLe32(out, static_cast<std::uint32_t>(values[i]));
    appendSum(out);
    return out;
}

void setLe16(Bytes& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

void orLe32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) out[at + i] |= static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

Bytes settingsBlock(const FXCoreCore::Presets& p) {
    Bytes out(FXCoreProgram::kSfrBlockSize, 0);
    for (const SpecialRegister& reg : kSpecialRegisters) {
        if (reg.setting.present()) orLe32(out, reg.setting.offset, reg.setting.place(p.sfr[reg.number]));
    }
    setLe16(out, FXCoreProgram::kSfrBlockTapLongPress,
            static_cast<std::uint32_t>(p.tapLongPressSamples) & 0xFFFF);
    setLe16(out, FXCoreProgram::kSfrBlockTapDebounce,
            static_cast<std::uint32_t>(p.tapDebounceSamples) & 0xFFFF);
    setLe16(out, FXCoreProgram::kSfrBlockSwitchDebounce,
            static_cast<std::uint32_t>(p.switchDebounceSamples) & 0xFFFF);
    setLe16(out, FXCoreProgram::kSfrBlockIgnored0, kBlockIgnoredValue0);
    setLe16(out, FXCoreProgram::kSfrBlockIgnored1, kBlockIgnoredValue1);
    out[FXCoreProgram::kSfrBlockUserOuts] =
        static_cast<std::uint8_t>((p.userOutInitial[0] != 0 ? 1 : 0) | (p.userOutInitial[1] != 0 ? 2 : 0));
    appendSum(out);
    return out;
}

}  // namespace

std::string writeHex(const std::vector<std::uint32_t>& words, const FXCoreCore::Presets& presets) {
    std::string text;
    appendSection(text, FXCoreProgram::kMregBase, registerSection(presets.mreg.data(), presets.mreg.size()));
    appendSection(text, FXCoreProgram::kCregBase, registerSection(presets.creg.data(), presets.creg.size()));
    appendSection(text, FXCoreProgram::kSfrBase, settingsBlock(presets));
    Bytes prg;
    for (std::uint32_t w : words) putLe32(prg, w);
    appendSum(prg);
    appendSection(text, FXCoreProgram::kPrgBase, prg);
    text += ":00000001FF\n";
    return text;
}

}  // namespace fxcore::fxasm
