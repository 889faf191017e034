#include "tools/fxasm/Assembler.h"

#include <algorithm>
#include <array>

#include "fxcore/FXCoreProgram.h"
#include "fxcore/Operations.h"
#include "tools/fxasm/Expression.h"
#include "tools/fxasm/Names.h"
#include "tools/fxasm/Operands.h"

namespace fxcore::fxasm {

namespace {

constexpr std::uint32_t kDelayWords = 32768;
constexpr std::size_t kMaxErrors = 100;
// The word that does nothing: Jump with skip 0.
constexpr std::uint32_t kNopWord = static_cast<std::uint32_t>(operationOf(Opcode::Jump).opcodeByte()) << 24;

// Operands as token ranges [begin, end).
using OperandRanges = std::vector<std::pair<std::size_t, std::size_t>>;

// An instruction kept from the first pass for encoding in the second, once
// every label is known. operation is null for a .word or padding word.
struct Statement {
    int line = 0;
    std::uint32_t pc = 0;
    const Operation* operation = nullptr;
    Tokens tokens;
    OperandRanges operands;
    std::uint32_t word = 0;
};

const Operation* findMnemonic(std::string_view name) {
    const std::string lower = lowerCase(name);
    for (const Operation& op : kOperations) {
        if (lowerCase(op.name) == lower) return &op;
    }
    return nullptr;
}

std::string operandList(const Operation& op) {
    std::string out;
    for (std::uint8_t i = 0; i < op.fieldCount; ++i) {
        if (i > 0) out += ", ";
        out += fieldKindName(op.fields[i].kind);
    }
    return out.empty() ? "none" : out;
}

class Assembler {
public:
    Assembly run(std::string_view source) {
        result_.presets = FXCoreProgram::defaultPresets();
        int line = 0;
        std::size_t pos = 0;
        // Lines end at LF, CRLF or a lone CR, as the HEX loader reads them.
        while (pos <= source.size() && !full()) {
            const std::size_t end = std::min(source.find_first_of("\r\n", pos), source.size());
            ++line;
            firstPass(line, source.substr(pos, end - pos));
            pos = end + (source.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        }
        if (pc_ == 0 && result_.errors.empty()) error(0, "the program has no instructions");
        for (Statement& s : statements_) secondPass(s);
        std::stable_sort(result_.errors.begin(), result_.errors.end(),
                         [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
        if (result_.errors.empty()) {
            result_.ok = true;
            for (const Statement& s : statements_) result_.words.push_back(s.word);
        }
        return std::move(result_);
    }

private:
    bool full() const { return result_.errors.size() >= kMaxErrors; }
    void error(int line, std::string message) {
        if (!full()) result_.errors.push_back({line, std::move(message)});
    }

    // Splits tokens [begin, size) at top-level commas.
    static OperandRanges splitOperands(const Tokens& tokens, std::size_t begin) {
        OperandRanges out;
        if (begin >= tokens.size()) return out;
        int depth = 0;
        std::size_t start = begin;
        for (std::size_t i = begin; i < tokens.size(); ++i) {
            if (tokens[i].is('(') || tokens[i].is('[')) ++depth;
            if (tokens[i].is(')') || tokens[i].is(']')) --depth;
            if (depth == 0 && tokens[i].is(',')) {
                out.emplace_back(start, i);
                start = i + 1;
            }
        }
        out.emplace_back(start, tokens.size());
        return out;
    }

    bool defineSymbol(int line, const std::string& name, Symbol symbol) {
        if (isBuiltinName(name)) {
            error(line, quoted(name) + " is a built-in name and cannot be redefined");
            return false;
        }
        if (const auto it = symbols_.find(name); it != symbols_.end()) {
            error(line, quoted(name) + " is already defined on line " + std::to_string(it->second.line));
            return false;
        }
        symbol.line = line;
        symbols_.emplace(name, symbol);
        return true;
    }

    bool addWord(int line, Statement statement) {
        if (pc_ >= FXCoreProgram::kMaxWords) {
            if (!tooLong_) error(line, "the program exceeds 1024 words");
            tooLong_ = true;
            return false;
        }
        statement.line = line;
        statement.pc = pc_++;
        statements_.push_back(std::move(statement));
        return true;
    }

    void firstPass(int line, std::string_view text) {
        std::string message;
        auto lexed = tokenize(text, message);
        if (!lexed) {
            error(line, message);
            return;
        }
        Tokens& tokens = *lexed;
        std::size_t first = 0;
        if (tokens.size() >= 2 && tokens[0].kind == Token::Kind::Identifier && tokens[1].is(':')) {
            Symbol label;
            label.kind = Symbol::Kind::Label;
            label.start = pc_;
            if (tokens[0].text.find('.') != std::string::npos) {
                error(line, "label '" + excerpt(tokens[0].text) + "' may not contain '.'");
            } else {
                defineSymbol(line, tokens[0].text, label);
            }
            first = 2;
        }
        if (first >= tokens.size()) return;
        const Token& head = tokens[first];
        if (head.kind != Token::Kind::Identifier) {
            error(line, "expected an instruction or a directive, got '" + excerpt(head.text) + "'");
            return;
        }
        const auto operands = splitOperands(tokens, first + 1);
        if (head.text[0] == '.') {
            directive(line, lowerCase(head.text), tokens, operands);
            return;
        }
        const Operation* op = findMnemonic(head.text);
        if (!op) {
            error(line, "unknown mnemonic '" + excerpt(head.text) + "'");
            return;
        }
        if (operands.size() != op->fieldCount) {
            error(line, std::string(op->name) + " takes " + std::to_string(op->fieldCount) + " operand" +
                            (op->fieldCount == 1 ? "" : "s") + " (" + operandList(*op) + "), " +
                            std::to_string(operands.size()) + " given");
            return;
        }
        Statement s;
        s.operation = op;
        s.operands = operands;
        s.tokens = std::move(tokens);
        addWord(line, std::move(s));
    }

    std::optional<Value> value(int line, const Tokens& tokens, std::pair<std::size_t, std::size_t> range) {
        std::string message;
        auto v = evaluate(tokens, range.first, range.second, symbols_, message);
        if (!v) error(line, message);
        return v;
    }

    std::optional<std::string> newName(int line, const Tokens& tokens,
                                       std::pair<std::size_t, std::size_t> range) {
        if (range.second != range.first + 1 || tokens[range.first].kind != Token::Kind::Identifier ||
            tokens[range.first].text.find('.') != std::string::npos) {
            error(line, "a name is expected here");
            return std::nullopt;
        }
        return tokens[range.first].text;
    }

    // Records that something was set on this line; an error if it was set before.
    bool setOnce(int line, std::map<std::string, int>& seen, const std::string& what) {
        const auto [it, added] = seen.emplace(what, line);
        if (!added) error(line, what + " is already set on line " + std::to_string(it->second));
        return added;
    }

    // A directive: the table's row for its name checks the operand count, then its handler
    // reads the operands.
    void directive(int line, const std::string& name, const Tokens& tokens, const OperandRanges& ops) {
        struct Rule {
            const char* name;
            std::size_t operandCount;
            const char* form;  // the operands, for the count's error
            void (Assembler::*handle)(int line, const Tokens& tokens, const OperandRanges& ops);
        };
        static constexpr Rule kDirectives[] = {
            {".equ", 2, "NAME, VALUE", &Assembler::equDirective},
            {".reg", 2, "NAME, REGISTER", &Assembler::regDirective},
            {".region", 2, "NAME, WORDS", &Assembler::regionDirective},
            {".mreg", 2, "INDEX, VALUE", &Assembler::mregDirective},
            {".creg", 2, "REGISTER, VALUE", &Assembler::cregDirective},
            {".preset", 2, "NAME, VALUE", &Assembler::presetDirective},
            {".word", 1, "VALUE", &Assembler::wordDirective},
            {".pad", 1, "WORDS", &Assembler::padDirective},
        };
        for (const Rule& rule : kDirectives) {
            if (name != rule.name) continue;
            if (ops.size() != rule.operandCount) return error(line, name + " takes " + rule.form);
            return (this->*rule.handle)(line, tokens, ops);
        }
        error(line, "unknown directive '" + excerpt(name) + "'");
    }

    // .equ NAME, VALUE: a constant.
    void equDirective(int line, const Tokens& tokens, const OperandRanges& ops) {
        auto symbolName = newName(line, tokens, ops[0]);
        auto v = symbolName ? value(line, tokens, ops[1]) : std::nullopt;
        if (!v) return;
        Symbol s;
        s.value = *v;
        defineSymbol(line, *symbolName, s);
    }

    // .reg NAME, REGISTER: another name for a register.
    void regDirective(int line, const Tokens& tokens, const OperandRanges& ops) {
        auto symbolName = newName(line, tokens, ops[0]);
        if (!symbolName) return;
        std::string message;
        auto n = registerOperand(tokens, ops[1].first, ops[1].second, symbols_, message);
        if (!n) return error(line, message);
        Symbol s;
        s.kind = Symbol::Kind::RegisterAlias;
        s.registerNumber = *n;
        defineSymbol(line, *symbolName, s);
    }

    // .region NAME, WORDS: the next WORDS words of delay memory.
    void regionDirective(int line, const Tokens& tokens, const OperandRanges& ops) {
        auto symbolName = newName(line, tokens, ops[0]);
        auto v = symbolName ? value(line, tokens, ops[1]) : std::nullopt;
        if (!v) return;
        if (v->real || v->integer < 1 || v->integer > kDelayWords) {
            return error(line, "region size " + describe(*v) + " is out of range 1 to 32768 words");
        }
        const auto size = static_cast<std::uint32_t>(v->integer);
        if (regionTop_ + size > kDelayWords) {
            return error(line, "region '" + excerpt(*symbolName) +
                                   "' overflows the delay memory: the regions need " +
                                   std::to_string(regionTop_ + size) + " words, there are 32768");
        }
        Symbol s;
        s.kind = Symbol::Kind::Region;
        s.start = regionTop_;
        s.size = size;
        if (defineSymbol(line, *symbolName, s)) regionTop_ += size;
    }

    // .mreg INDEX, VALUE: a memory register's initial value.
    void mregDirective(int line, const Tokens& tokens, const OperandRanges& ops) {
        std::string message;
        auto index = memoryRegisterIndex(tokens, ops[0].first, ops[0].second, symbols_, true, message);
        if (!index) return error(line, message);
        auto v = value(line, tokens, ops[1]);
        if (!v) return;
        auto word = wordValue(*v, message);
        if (!word) return error(line, message);
        if (setOnce(line, seen_, "memory register " + std::to_string(*index))) {
            result_.presets.mreg[*index] = static_cast<std::int32_t>(*word);
        }
    }

    // .creg REGISTER, VALUE: a core register's initial value (r0-r15).
    void cregDirective(int line, const Tokens& tokens, const OperandRanges& ops) {
        std::string message;
        auto n = registerOperand(tokens, ops[0].first, ops[0].second, symbols_, message);
        if (!n) return error(line, message);
        if (*n >= 16) return error(line, ".creg sets r0-r15 only, got " + registerName(*n));
        auto v = value(line, tokens, ops[1]);
        if (!v) return;
        auto word = wordValue(*v, message);
        if (!word) return error(line, message);
        if (setOnce(line, seen_, "register " + registerName(*n))) {
            result_.presets.creg[*n] = static_cast<std::int32_t>(*word);
        }
    }

    // .word VALUE: one word as written.
    void wordDirective(int line, const Tokens& tokens, const OperandRanges& ops) {
        auto v = value(line, tokens, ops[0]);
        if (!v) return;
        std::string message;
        auto word = wordValue(*v, message);
        if (!word) return error(line, message);
        Statement s;
        s.word = *word;
        addWord(line, std::move(s));
    }

    // .pad WORDS: words that do nothing until the program has WORDS words.
    void padDirective(int line, const Tokens& tokens, const OperandRanges& ops) {
        auto v = value(line, tokens, ops[0]);
        if (!v) return;
        if (v->real || v->integer < 1 || v->integer > static_cast<std::int64_t>(FXCoreProgram::kMaxWords)) {
            return error(line, ".pad " + describe(*v) + " is out of range 1 to 1024 words");
        }
        const auto target = static_cast<std::uint32_t>(v->integer);
        if (pc_ > target) {
            return error(line, ".pad " + std::to_string(target) + ": the program already has " +
                                   std::to_string(pc_) + " words");
        }
        while (pc_ < target) {
            Statement s;
            s.word = kNopWord;
            addWord(line, std::move(s));
        }
    }

    // .preset NAME, VALUE: one of the program's settings.
    void presetDirective(int line, const Tokens& tokens, const OperandRanges& ops) {
        const PresetSetting* setting =
            ops[0].second == ops[0].first + 1 ? findPresetSetting(tokens[ops[0].first].text) : nullptr;
        if (!setting) {
            return error(line,
                         "unknown preset (pot0_smooth..pot5_smooth, lfo0_rate..lfo3_rate, ramp0_rate, "
                         "ramp1_rate, tap_max, tap_interval, tap_long_press, tap_debounce, switch_debounce, "
                         "user_out0, user_out1)");
        }
        auto v = value(line, tokens, ops[1]);
        if (!v) return;
        std::string message;
        std::int32_t stored = 0;
        if (setting->takesFraction || (!v->real && setting->max == 4294967295LL)) {
            auto word = wordValue(*v, message);
            if (!word) return error(line, message);
            stored = static_cast<std::int32_t>(*word);
        } else if (v->real || v->integer < setting->min || v->integer > setting->max) {
            return error(line, std::string(setting->name) + " " + describe(*v) + " is out of range " +
                                   std::to_string(setting->min) + " to " + std::to_string(setting->max));
        } else {
            stored = static_cast<std::int32_t>(v->integer);
        }
        if (setOnce(line, seen_, "preset " + std::string(setting->name))) {
            presetField(result_.presets, *setting) = stored;
        }
    }

    void secondPass(Statement& s) {
        if (!s.operation) return;
        const Operation& op = *s.operation;
        std::uint32_t word = static_cast<std::uint32_t>(op.opcodeByte()) << 24;
        for (std::uint8_t i = 0; i < op.fieldCount; ++i) {
            std::string message;
            const auto [begin, end] = s.operands[i];
            auto raw = encodeOperand(op.fields[i].kind, s.tokens, begin, end, symbols_, s.pc, message);
            if (!raw) {
                error(s.line, std::string(op.name) + " operand " + std::to_string(i + 1) + ": " + message);
                return;
            }
            word |= op.fields[i].place(*raw);
        }
        s.word = word;
    }

    Assembly result_;
    SymbolTable symbols_;
    std::vector<Statement> statements_;
    std::map<std::string, int> seen_;
    std::uint32_t pc_ = 0;
    std::uint32_t regionTop_ = 0;
    bool tooLong_ = false;
};

}  // namespace

Assembly assemble(std::string_view source) {
    return Assembler().run(source);
}

}  // namespace fxcore::fxasm
