#include "tools/fxasm/Operands.h"

#include <cmath>
#include <cstdio>

#include "tools/fxasm/Names.h"

namespace fxcore::fxasm {

namespace {

bool singleIdentifier(const Tokens& tokens, std::size_t begin, std::size_t end) {
    return end == begin + 1 && tokens[begin].kind == Token::Kind::Identifier;
}

std::string textOf(const Tokens& tokens, std::size_t begin, std::size_t end) {
    std::string out;
    for (std::size_t i = begin; i < end; ++i) out += tokens[i].text;
    return out;
}

std::optional<std::uint32_t> integerIn(FieldKind kind, const Value& v, std::int64_t min, std::int64_t max,
                                       std::string& error) {
    if (v.real) {
        error = std::string(fieldKindName(kind)) + " needs an integer, got " + describe(v);
        return std::nullopt;
    }
    if (v.integer < min || v.integer > max) {
        error = std::string(fieldKindName(kind)) + " " + describe(v) + " is out of range " +
                std::to_string(min) + " to " + std::to_string(max);
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(v.integer);
}

// A fraction field holding round(value * scale) in bits (K: 128 in 8 bits,
// the high immediate: 32768 in 16 bits). A bare hex literal is the raw field.
std::optional<std::uint32_t> fractionIn(FieldKind kind, const Tokens& tokens, std::size_t begin,
                                        std::size_t end, const Value& v, double scale, std::string& error) {
    const auto top = static_cast<std::int64_t>(scale);
    const std::uint32_t mask = static_cast<std::uint32_t>(2 * top - 1);
    if (end == begin + 1 && tokens[begin].hex) {
        if (v.integer < 0 || v.integer > static_cast<std::int64_t>(mask)) {
            char range[16];
            std::snprintf(range, sizeof range, "0x%X", static_cast<unsigned>(mask));
            error = std::string(fieldKindName(kind)) + " " + excerpt(tokens[begin].text) +
                    " does not fit 0x0 to " + range;
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(v.integer);
    }
    const double x = v.asReal() * scale;
    const std::int64_t k = std::fabs(x) < 1e15 ? std::llround(x) : (x < 0 ? -2 * top : 2 * top);
    if (k < -top || k > top - 1) {
        char message[160];
        std::snprintf(message, sizeof message, "%s %s is out of range -1.0 to %.17g (hex gives raw bits)",
                      std::string(fieldKindName(kind)).c_str(), describe(v).c_str(),
                      static_cast<double>(top - 1) / scale);
        error = message;
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(k) & mask;
}

std::optional<std::uint32_t> jumpTarget(const Tokens& tokens, std::size_t begin, std::size_t end,
                                        const SymbolTable& symbols, std::uint32_t pc, std::string& error) {
    if (singleIdentifier(tokens, begin, end)) {
        const std::string& name = tokens[begin].text;
        const auto it = symbols.find(name);
        if (it == symbols.end()) {
            error = "undefined label '" + excerpt(name) + "'";
            return std::nullopt;
        }
        if (it->second.kind == Symbol::Kind::Label) {
            const std::uint32_t target = it->second.start;
            if (target <= pc) {
                error = "backward jump to '" + excerpt(name) + "' (line " + std::to_string(it->second.line) +
                        "): jumps only move forward";
                return std::nullopt;
            }
            const std::uint32_t skip = target - pc - 1;
            if (skip > 4095) {
                error =
                    "jump to '" + excerpt(name) + "' skips " + std::to_string(skip) + " words, at most 4095";
                return std::nullopt;
            }
            return skip;
        }
    }
    auto v = evaluate(tokens, begin, end, symbols, error);
    if (!v) return std::nullopt;
    return integerIn(FieldKind::Skip, *v, 0, 4095, error);
}

}  // namespace

std::string_view fieldKindName(FieldKind kind) {
    switch (kind) {
    case FieldKind::Register: return "register";
    case FieldKind::MemoryRegister: return "memory register";
    case FieldKind::SpecialRegister: return "special function register";
    case FieldKind::Coefficient: return "coefficient";
    case FieldKind::ImmediateSigned: return "signed immediate";
    case FieldKind::ImmediateHigh: return "immediate";
    case FieldKind::ImmediateBits: return "bit immediate";
    case FieldKind::DelayOffset: return "delay offset";
    case FieldKind::ShiftCount: return "shift count";
    case FieldKind::BitNumber: return "bit number";
    case FieldKind::Skip: return "jump target";
    case FieldKind::UserOutput: return "user output";
    case FieldKind::LfoLane: return "LFO lane";
    case FieldKind::LfoNegate: return "LFO negate";
    case FieldKind::RampSelect: return "ramp";
    case FieldKind::WindowSize: return "window size";
    }
    return "operand";
}

std::optional<std::uint32_t> registerOperand(const Tokens& tokens, std::size_t begin, std::size_t end,
                                             const SymbolTable& symbols, std::string& error) {
    if (singleIdentifier(tokens, begin, end)) {
        if (auto n = registerNumber(tokens[begin].text)) return n;
        const auto it = symbols.find(tokens[begin].text);
        if (it != symbols.end() && it->second.kind == Symbol::Kind::RegisterAlias)
            return it->second.registerNumber;
    }
    error = "register expected (r0-r15, acc32, flags, mreg0-mreg13), got '" +
            excerpt(textOf(tokens, begin, end)) + "'";
    return std::nullopt;
}

std::optional<std::uint32_t> memoryRegisterIndex(const Tokens& tokens, std::size_t begin, std::size_t end,
                                                 const SymbolTable& symbols, bool allowPlain,
                                                 std::string& error) {
    const bool bracketed = end >= begin + 3 && tokens[begin].kind == Token::Kind::Identifier &&
                           lowerCase(tokens[begin].text) == "mreg" && tokens[begin + 1].is('[') &&
                           tokens[end - 1].is(']');
    if (bracketed || allowPlain) {
        auto v = bracketed ? evaluate(tokens, begin + 2, end - 1, symbols, error)
                           : evaluate(tokens, begin, end, symbols, error);
        if (!v) return std::nullopt;
        return integerIn(FieldKind::MemoryRegister, *v, 0, 127, error);
    }
    if (singleIdentifier(tokens, begin, end)) {
        // mreg0-mreg13 name the same memory registers as register numbers 18-31.
        auto n = registerNumber(tokens[begin].text);
        if (!n) {
            const auto it = symbols.find(tokens[begin].text);
            if (it != symbols.end() && it->second.kind == Symbol::Kind::RegisterAlias)
                n = it->second.registerNumber;
        }
        if (n && *n >= 18) return *n - 18;
    }
    error = "memory register expected (mreg[0]-mreg[127]), got '" + excerpt(textOf(tokens, begin, end)) + "'";
    return std::nullopt;
}

std::optional<std::uint32_t> wordValue(const Value& v, std::string& error) {
    if (v.real) {
        const double x = v.fraction * 2147483648.0;
        if (!(x >= -2147483648.0 && x < 2147483647.5)) {
            error = "value " + describe(v) + " is out of range -1.0 to below 1.0";
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::llround(x)));
    }
    if (v.integer < -2147483648LL || v.integer > 4294967295LL) {
        error = "value " + describe(v) + " does not fit 32 bits";
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(v.integer & 0xFFFFFFFF);
}

std::optional<std::uint32_t> encodeOperand(FieldKind kind, const Tokens& tokens, std::size_t begin,
                                           std::size_t end, const SymbolTable& symbols, std::uint32_t pc,
                                           std::string& error) {
    if (begin == end) {
        error = "missing " + std::string(fieldKindName(kind));
        return std::nullopt;
    }
    switch (kind) {
    case FieldKind::Register: return registerOperand(tokens, begin, end, symbols, error);
    case FieldKind::MemoryRegister: return memoryRegisterIndex(tokens, begin, end, symbols, false, error);
    case FieldKind::Skip: return jumpTarget(tokens, begin, end, symbols, pc, error);
    case FieldKind::SpecialRegister:
        if (singleIdentifier(tokens, begin, end)) {
            if (auto n = sfrNumber(tokens[begin].text)) return n;
        }
        if (end >= begin + 3 && lowerCase(tokens[begin].text) == "sfr" && tokens[begin + 1].is('[') &&
            tokens[end - 1].is(']')) {
            auto v = evaluate(tokens, begin + 2, end - 1, symbols, error);
            if (!v) return std::nullopt;
            return integerIn(kind, *v, 0, 63, error);
        }
        error = "special function register expected (in0, out0, pot0, ... or sfr[N]), got '" +
                excerpt(textOf(tokens, begin, end)) + "'";
        return std::nullopt;
    case FieldKind::LfoLane:
        if (singleIdentifier(tokens, begin, end)) {
            if (auto n = lfoLaneNumber(tokens[begin].text)) return n;
        }
        break;
    case FieldKind::RampSelect:
        if (singleIdentifier(tokens, begin, end)) {
            if (auto n = rampNumber(tokens[begin].text)) return n;
        }
        break;
    default: break;
    }
    auto v = evaluate(tokens, begin, end, symbols, error);
    if (!v) return std::nullopt;
    switch (kind) {
    case FieldKind::Coefficient: return fractionIn(kind, tokens, begin, end, *v, 128.0, error);
    case FieldKind::ImmediateHigh: return fractionIn(kind, tokens, begin, end, *v, 32768.0, error);
    case FieldKind::ImmediateSigned:
        if (end == begin + 1 && tokens[begin].hex) return integerIn(kind, *v, 0, 0xFFFF, error);
        {
            auto n = integerIn(kind, *v, -32768, 32767, error);
            if (!n) return std::nullopt;
            return *n & 0xFFFFu;
        }
    case FieldKind::ImmediateBits: return integerIn(kind, *v, 0, 0xFFFF, error);
    case FieldKind::DelayOffset: return integerIn(kind, *v, 0, 32767, error);
    case FieldKind::ShiftCount:
    case FieldKind::BitNumber: return integerIn(kind, *v, 0, 31, error);
    case FieldKind::UserOutput:
    case FieldKind::LfoNegate:
    case FieldKind::RampSelect: return integerIn(kind, *v, 0, 1, error);
    case FieldKind::LfoLane: return integerIn(kind, *v, 0, 7, error);
    case FieldKind::WindowSize:
        if (!v->real) {
            for (std::uint32_t size = 0; size < 4; ++size) {
                if (v->integer == (512 << size)) return size;
            }
        }
        error = "window size must be 512, 1024, 2048 or 4096 words, got " + describe(*v);
        return std::nullopt;
    default: break;
    }
    error = "unsupported operand";
    return std::nullopt;
}

}  // namespace fxcore::fxasm
