#include "tools/fxasm/Disassembler.h"

#include <cstdio>

#include "fxcore/FXCoreProgram.h"
#include "fxcore/Operations.h"
#include "tools/fxasm/Names.h"
#include "tools/fxasm/Operands.h"

namespace fxcore::fxasm {

namespace {

std::string hex(std::uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
    return buffer;
}

// k / 2^bits exactly, in decimal with a decimal point ("0.5", "-1.0").
std::string fraction(std::int32_t k, int bits) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.*f", bits,
                  static_cast<double>(k) / static_cast<double>(1u << bits));
    std::string text = buffer;
    while (text.back() == '0' && text[text.size() - 2] != '.') text.pop_back();
    return text;
}

std::string operandText(const OperandField& field, std::uint32_t word) {
    const std::uint32_t raw = field.extract(word);
    switch (field.kind) {
    case FieldKind::Register: return registerName(raw);
    case FieldKind::MemoryRegister: return "mreg[" + std::to_string(raw) + "]";
    case FieldKind::SpecialRegister: {
        const std::string_view name = sfrName(raw);
        return name.empty() ? "sfr[" + std::to_string(raw) + "]" : std::string(name);
    }
    case FieldKind::Coefficient: return fraction(fieldValue(word, field), 7);
    case FieldKind::ImmediateHigh: return fraction(fieldValue(word, field), 15);
    case FieldKind::ImmediateSigned: return std::to_string(fieldValue(word, field));
    case FieldKind::ImmediateBits: return hex(raw, 4);
    case FieldKind::LfoLane: return std::string(lfoLaneName(raw));
    case FieldKind::RampSelect: return "ramp" + std::to_string(raw);
    case FieldKind::WindowSize: return std::to_string(512u << raw);
    default: return std::to_string(raw);
    }
}

std::string s31(std::int32_t value) {
    return hex(static_cast<std::uint32_t>(value), 8);
}

// A 32-bit value with its S.31 reading as a comment, for the reader.
std::string s31WithComment(std::int32_t value) {
    char comment[48];
    std::snprintf(comment, sizeof comment, "  ; %.10g", static_cast<double>(value) / 2147483648.0);
    return s31(value) + comment;
}

}  // namespace

std::string disassembleWord(std::uint32_t word) {
    const Operation* op = findOperation(word);
    if (!op) return ".word " + hex(word, 8) + "  ; invalid opcode";
    std::uint32_t rebuilt = static_cast<std::uint32_t>(op->opcodeByte()) << 24;
    std::string text(op->name);
    for (std::uint8_t i = 0; i < op->fieldCount; ++i) {
        text += (i == 0 ? " " : ", ") + operandText(op->fields[i], word);
        rebuilt |= op->fields[i].place(op->fields[i].extract(word));
    }
    if (rebuilt != word) return ".word " + hex(word, 8) + "  ; " + text + " with unused bits set";
    return text;
}

std::string disassemble(const std::vector<std::uint32_t>& words, const FXCoreCore::Presets& presets) {
    std::string out;
    const FXCoreCore::Presets defaults = FXCoreProgram::defaultPresets();
    for (std::size_t i = 0; i < presets.mreg.size(); ++i) {
        if (presets.mreg[i] != defaults.mreg[i])
            out += ".mreg " + std::to_string(i) + ", " + s31WithComment(presets.mreg[i]) + "\n";
    }
    for (std::uint32_t i = 0; i < presets.creg.size(); ++i) {
        if (presets.creg[i] != defaults.creg[i])
            out += ".creg " + registerName(i) + ", " + s31WithComment(presets.creg[i]) + "\n";
    }
    std::size_t count = 0;
    const PresetSetting* settings = presetSettings(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t v = presetValue(presets, settings[i]);
        if (v == presetValue(defaults, settings[i])) continue;
        const bool word = settings[i].max == 4294967295LL;
        out += ".preset " + std::string(settings[i].name) + ", " + (word ? s31(v) : std::to_string(v)) + "\n";
    }
    if (!out.empty()) out += "\n";
    for (std::size_t pc = 0; pc < words.size(); ++pc) {
        char address[32];
        std::snprintf(address, sizeof address, "%4zu", pc);
        std::string line = "        " + disassembleWord(words[pc]);
        if (line.size() < 48) line.resize(48, ' ');
        out += line + (line.find(';') == std::string::npos ? "; " : " ") + address + "\n";
    }
    return out;
}

std::string operationReference() {
    std::string out;
    for (const Operation& op : kOperations) {
        std::string line = hex(op.opcodeByte(), 2) + "  " + std::string(op.name);
        for (std::uint8_t i = 0; i < op.fieldCount; ++i) {
            line += (i == 0 ? " " : ", ") + std::string(fieldKindName(op.fields[i].kind));
        }
        out += line + "\n";
    }
    return out;
}

}  // namespace fxcore::fxasm
