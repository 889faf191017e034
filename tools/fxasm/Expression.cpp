#include "tools/fxasm/Expression.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fxcore::fxasm {

namespace {

bool isIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isIdentifierChar(char c) {
    return isIdentifierStart(c) || isDigit(c) || c == '.';
}
int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Lexes a number at text[pos]; advances pos.
bool lexNumber(std::string_view text, std::size_t& pos, Token& token, std::string& error) {
    const std::size_t start = pos;
    token.kind = Token::Kind::Number;
    if (text[pos] == '0' && pos + 1 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        pos += 2;
        std::uint64_t value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && hexValue(text[pos]) >= 0) {
            value = value * 16 + static_cast<std::uint64_t>(hexValue(text[pos]));
            ++pos;
            if (++digits > 15) {
                error = "number '" + std::string(text.substr(start, pos - start)) + "...' is too large";
                return false;
            }
        }
        if (digits == 0) {
            error = "'0x' needs hexadecimal digits";
            return false;
        }
        token.hex = true;
        token.integer = static_cast<std::int64_t>(value);
    } else {
        while (pos < text.size() && isDigit(text[pos])) ++pos;
        if (pos < text.size() && text[pos] == '.') {
            token.real = true;
            ++pos;
            while (pos < text.size() && isDigit(text[pos])) ++pos;
        }
        if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
            std::size_t p = pos + 1;
            if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
            if (p < text.size() && isDigit(text[p])) {
                token.real = true;
                pos = p;
                while (pos < text.size() && isDigit(text[pos])) ++pos;
            }
        }
        const std::string digits(text.substr(start, pos - start));
        if (token.real) {
            token.fraction = std::strtod(digits.c_str(), nullptr);
            if (!std::isfinite(token.fraction)) {
                error = "number '" + excerpt(digits) + "' is too large";
                return false;
            }
        } else {
            errno = 0;
            const long long v = std::strtoll(digits.c_str(), nullptr, 10);
            if (errno == ERANGE || digits.size() > 18) {
                error = "number '" + excerpt(digits) + "' is too large";
                return false;
            }
            token.integer = v;
        }
    }
    if (pos < text.size() && isIdentifierChar(text[pos])) {
        error = "malformed number '" + excerpt(text.substr(start, pos + 1 - start)) + "'";
        return false;
    }
    token.text = std::string(text.substr(start, pos - start));
    return true;
}

// Nesting the evaluator follows before it refuses the expression: every '('
// and '[' and every unary sign is one level of recursion, and a hostile line
// could otherwise nest deep enough to overflow the stack.
constexpr int kMaxExpressionDepth = 256;

// Recursive-descent evaluation over a token range.
class Evaluator {
public:
    Evaluator(const Tokens& tokens, std::size_t begin, std::size_t end, const SymbolTable& symbols,
              std::string& error)
        : tokens_(tokens), pos_(begin), end_(end), symbols_(symbols), error_(error) {}

    std::optional<Value> run() {
        if (pos_ >= end_) return fail("missing value");
        auto v = sum();
        if (v && pos_ < end_) return fail("unexpected '" + excerpt(tokens_[pos_].text) + "'");
        return v;
    }

private:
    std::optional<Value> fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return std::nullopt;
    }
    bool at(char c) const { return pos_ < end_ && tokens_[pos_].is(c); }

    // Holds one level of nesting for as long as it lives.
    class Nesting {
    public:
        explicit Nesting(int& depth) : depth_(depth) { ++depth_; }
        ~Nesting() { --depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;
        bool tooDeep() const { return depth_ > kMaxExpressionDepth; }

    private:
        int& depth_;
    };
    std::optional<Value> tooDeep() {
        return fail("expression nested too deeply (more than " + std::to_string(kMaxExpressionDepth) +
                    " levels)");
    }

    std::optional<Value> sum() {
        auto left = product();
        while (left && (at('+') || at('-'))) {
            const char op = tokens_[pos_++].text[0];
            auto right = product();
            if (!right) return std::nullopt;
            left = combine(*left, op, *right);
        }
        return left;
    }
    std::optional<Value> product() {
        auto left = unary();
        while (left && (at('*') || at('/'))) {
            const char op = tokens_[pos_++].text[0];
            auto right = unary();
            if (!right) return std::nullopt;
            left = combine(*left, op, *right);
        }
        return left;
    }
    std::optional<Value> unary() {
        if (at('-') || at('+')) {
            const Nesting nesting(depth_);
            if (nesting.tooDeep()) return tooDeep();
            const bool negate = tokens_[pos_++].is('-');
            auto v = unary();
            if (!v || !negate) return v;
            return combine(Value{}, '-', *v);
        }
        return primary();
    }
    std::optional<Value> primary() {
        if (pos_ >= end_) return fail("missing value");
        const Token& t = tokens_[pos_];
        if (t.kind == Token::Kind::Number) {
            ++pos_;
            Value v;
            v.real = t.real;
            v.integer = t.integer;
            v.fraction = t.fraction;
            return v;
        }
        if (t.is('(')) {
            const Nesting nesting(depth_);
            if (nesting.tooDeep()) return tooDeep();
            ++pos_;
            auto v = sum();
            if (!v) return std::nullopt;
            if (!at(')')) return fail("missing ')'");
            ++pos_;
            return v;
        }
        if (t.kind == Token::Kind::Identifier) {
            ++pos_;
            return symbol(t.text);
        }
        return fail("unexpected '" + excerpt(t.text) + "'");
    }
    std::optional<Value> symbol(const std::string& text) {
        std::string name = text;
        std::string member;
        if (const auto dot = text.find('.'); dot != std::string::npos) {
            name = text.substr(0, dot);
            member = text.substr(dot + 1);
        }
        const auto it = symbols_.find(name);
        if (it == symbols_.end()) return fail("undefined symbol '" + excerpt(name) + "'");
        const Symbol& s = it->second;
        if (s.kind == Symbol::Kind::Constant && member.empty() && !at('[')) return s.value;
        if (s.kind != Symbol::Kind::Region) {
            return fail(quoted(name) + " is not a constant or a region here");
        }
        Value v;
        if (member == "size" && !at('[')) {
            v.integer = s.size;
            return v;
        }
        if (member == "end" && !at('[')) {
            v.integer = static_cast<std::int64_t>(s.start) + s.size - 1;
            return v;
        }
        if (!member.empty()) return fail("unknown region member '" + excerpt(text) + "' (use .end or .size)");
        v.integer = s.start;
        if (!at('[')) return v;
        const Nesting nesting(depth_);
        if (nesting.tooDeep()) return tooDeep();
        ++pos_;
        auto index = sum();
        if (!index) return std::nullopt;
        if (!at(']')) return fail("missing ']'");
        ++pos_;
        if (index->real) return fail("region index must be an integer, got " + describe(*index));
        if (index->integer < 0 || index->integer >= static_cast<std::int64_t>(s.size)) {
            return fail("index " + std::to_string(index->integer) + " is outside region '" + excerpt(name) +
                        "' (0 to " + std::to_string(s.size - 1) + ")");
        }
        v.integer += index->integer;
        return v;
    }
    std::optional<Value> combine(const Value& a, char op, const Value& b) {
        Value r;
        if (a.real || b.real) {
            const double x = a.asReal();
            const double y = b.asReal();
            r.real = true;
            switch (op) {
            case '+': r.fraction = x + y; break;
            case '-': r.fraction = x - y; break;
            case '*': r.fraction = x * y; break;
            default:
                if (y == 0.0) return fail("division by zero");
                r.fraction = x / y;
                break;
            }
            if (!std::isfinite(r.fraction)) return fail("value out of range");
            return r;
        }
        bool overflow = false;
        switch (op) {
        case '+': overflow = __builtin_add_overflow(a.integer, b.integer, &r.integer); break;
        case '-': overflow = __builtin_sub_overflow(a.integer, b.integer, &r.integer); break;
        case '*': overflow = __builtin_mul_overflow(a.integer, b.integer, &r.integer); break;
        default:
            if (b.integer == 0) return fail("division by zero");
            if (b.integer == -1 && a.integer == INT64_MIN) {
                overflow = true;
            } else {
                r.integer = a.integer / b.integer;
            }
            break;
        }
        if (overflow) return fail("integer overflow in expression");
        return r;
    }

    const Tokens& tokens_;
    std::size_t pos_;
    std::size_t end_;
    const SymbolTable& symbols_;
    std::string& error_;
    int depth_ = 0;
};

}  // namespace

std::optional<Tokens> tokenize(std::string_view line, std::string& error) {
    Tokens tokens;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const char c = line[pos];
        if (c == ';' || (c == '/' && pos + 1 < line.size() && line[pos + 1] == '/')) break;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
            ++pos;
            continue;
        }
        Token token;
        if (isDigit(c) || (c == '.' && pos + 1 < line.size() && isDigit(line[pos + 1]))) {
            if (!lexNumber(line, pos, token, error)) return std::nullopt;
        } else if (isIdentifierStart(c) ||
                   (c == '.' && pos + 1 < line.size() && isIdentifierStart(line[pos + 1]))) {
            const std::size_t start = pos++;
            while (pos < line.size() && isIdentifierChar(line[pos])) ++pos;
            token.kind = Token::Kind::Identifier;
            token.text = std::string(line.substr(start, pos - start));
        } else if (std::string_view("+-*/()[],:").find(c) != std::string_view::npos) {
            token.kind = Token::Kind::Punct;
            token.text = std::string(1, c);
            ++pos;
        } else {
            const auto u = static_cast<unsigned char>(c);
            char shown[32];
            if (u < 0x20 || u >= 0x7F) {
                std::snprintf(shown, sizeof shown, "byte 0x%02X", static_cast<unsigned>(u));
            } else {
                std::snprintf(shown, sizeof shown, "'%c'", c);
            }
            error = std::string("unexpected character ") + shown;
            return std::nullopt;
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::optional<Value> evaluate(const Tokens& tokens, std::size_t begin, std::size_t end,
                              const SymbolTable& symbols, std::string& error) {
    return Evaluator(tokens, begin, end, symbols, error).run();
}

std::string describe(const Value& value) {
    if (!value.real) return std::to_string(value.integer);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.10g", value.fraction);
    return buffer;
}

std::string excerpt(std::string_view text) {
    if (text.size() <= kExcerptCharacters) return std::string(text);
    return std::string(text.substr(0, kExcerptCharacters)) + "...";
}

std::string quoted(std::string_view text) {
    std::string out(1, '\'');
    out += excerpt(text);
    out += '\'';
    return out;
}

}  // namespace fxcore::fxasm
