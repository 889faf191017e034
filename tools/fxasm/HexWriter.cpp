#include "tools/fxasm/HexWriter.h"

#include <algorithm>
#include <cstdio>

#include "fxcore/FXCoreProgram.h"

namespace fxcore::fxasm {

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kRecordBytes = 64;
// Two fields of the settings block that the loader ignores; programs carry
// these values there.
constexpr std::uint32_t kBlockConstant42 = 2400;
constexpr std::uint32_t kBlockConstant44 = 960;

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

void appendRecord(std::string& text, std::uint32_t address, const std::uint8_t* data, std::size_t count) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, ":%02X%04X00", static_cast<unsigned>(count), address & 0xFFFFu);
    text += buffer;
    std::uint32_t sum = static_cast<std::uint32_t>(count) + ((address >> 8) & 0xFF) + (address & 0xFF);
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(data[i]));
        text += buffer;
        sum += data[i];
    }
    std::snprintf(buffer, sizeof buffer, "%02X\n", (0x100u - (sum & 0xFFu)) & 0xFFu);
    text += buffer;
}

void appendSection(std::string& text, std::uint32_t base, const Bytes& bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += kRecordBytes) {
        const std::size_t count = std::min(kRecordBytes, bytes.size() - at);
        appendRecord(text, base + static_cast<std::uint32_t>(at), bytes.data() + at, count);
    }
}

Bytes registerSection(const std::int32_t* values, std::size_t count) {
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) putLe32(out, static_cast<std::uint32_t>(values[i]));
    appendSum(out);
    return out;
}

Bytes settingsBlock(const FXCoreCore::Presets& p) {
    Bytes out;
    std::uint32_t shifts = 0;
    for (std::uint32_t k = 0; k < 6; ++k) {
        shifts |= (static_cast<std::uint32_t>(p.sfr[10 + k]) & 31u) << (5 * k);
    }
    putLe32(out, shifts);
    for (std::size_t k = 28; k <= 33; ++k) putLe32(out, static_cast<std::uint32_t>(p.sfr[k]));
    putLe32(out, static_cast<std::uint32_t>(p.sfr[44]));
    putLe32(out, static_cast<std::uint32_t>(p.sfr[45]));
    putLe16(out, static_cast<std::uint32_t>(p.tapLongPressSamples) & 0xFFFF);
    putLe16(out, static_cast<std::uint32_t>(p.tapDebounceSamples) & 0xFFFF);
    putLe16(out, static_cast<std::uint32_t>(p.switchDebounceSamples) & 0xFFFF);
    putLe16(out, kBlockConstant42);
    putLe16(out, kBlockConstant44);
    out.push_back(static_cast<std::uint8_t>((p.userOutInitial[0] != 0 ? 1 : 0) | (p.userOutInitial[1] != 0 ? 2 : 0)));
    out.push_back(0);
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
