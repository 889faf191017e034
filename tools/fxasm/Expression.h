#pragma once
// Tokens of one assembly line and the constant expressions inside operands.
// Failures are values: every function reports a problem through an error
// text and an empty result.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fxcore::fxasm {

struct Token {
    enum class Kind : std::uint8_t { Identifier, Number, Punct };
    Kind kind = Kind::Punct;
    std::string text;   // as written (identifiers, punctuation)
    bool real = false;  // a number with a decimal point or an exponent
    bool hex = false;   // a number written 0x...
    std::int64_t integer = 0;
    double fraction = 0.0;  // the value of a real number

    bool is(char c) const { return kind == Kind::Punct && text.size() == 1 && text[0] == c; }
};

using Tokens = std::vector<Token>;

// Splits one line (comment already removed or not: ';' and "//" end it).
// nullopt with error set on a character that starts no token.
std::optional<Tokens> tokenize(std::string_view line, std::string& error);

// An expression value: an integer, or a real when a fraction took part.
struct Value {
    bool real = false;
    std::int64_t integer = 0;
    double fraction = 0.0;

    double asReal() const { return real ? fraction : static_cast<double>(integer); }
};

// User symbols, defined by labels and directives.
struct Symbol {
    enum class Kind : std::uint8_t { Constant, Region, RegisterAlias, Label };
    Kind kind = Kind::Constant;
    Value value;                       // Constant
    std::uint32_t start = 0;           // Region: first word; Label: word address
    std::uint32_t size = 0;            // Region: words
    std::uint32_t registerNumber = 0;  // RegisterAlias
    int line = 0;                      // where it was defined
};

using SymbolTable = std::map<std::string, Symbol, std::less<>>;

// Evaluates tokens [begin, end) as one expression over constants and
// regions: `name` (a region's first word), `name[i]` (checked against the
// region), `name.end`, `name.size`. nullopt with error set otherwise.
std::optional<Value> evaluate(const Tokens& tokens, std::size_t begin, std::size_t end,
                              const SymbolTable& symbols, std::string& error);

// Text of a value for messages.
std::string describe(const Value& value);

// A piece of the source as a message shows it: the text itself, or, when it
// is longer than kExcerptCharacters, its start and "..." (a token may run to
// megabytes).
inline constexpr std::size_t kExcerptCharacters = 40;
std::string excerpt(std::string_view text);
// The excerpt between single quotes, for a message that starts with it. Built by appending:
// a short literal put in front of a string makes GCC 12 at -O3 warn of an overlapping copy
// that cannot happen.
std::string quoted(std::string_view text);

}  // namespace fxcore::fxasm
