#include "plugin/ControlNames.h"

#include <cstddef>

namespace fxcoreplug {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isTrimmable(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string trim(const std::string& s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && isTrimmable(s[begin])) ++begin;
    while (end > begin && isTrimmable(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// Upper-cases the ASCII letters a..z only; other bytes (UTF-8 included) stay.
std::string upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

std::size_t findBlank(const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (isBlank(s[i])) return i;
    }
    return std::string::npos;
}

// Splits off the first word: returns it and leaves the trimmed remainder in
// rest (empty when the word had no blank after it).
std::string takeWord(std::string& rest) {
    const std::size_t blank = findBlank(rest);
    if (blank == std::string::npos) {
        std::string word = rest;
        rest.clear();
        return word;
    }
    std::string word = rest.substr(0, blank);
    rest = trim(rest.substr(blank + 1));
    return word;
}

// The digit of a key such as "POT3": prefix, one digit, nothing more.
// Returns the digit when it lies in 0..maxDigit, else -1.
int keyDigit(const std::string& key, const char* prefix, std::size_t prefixLen, int maxDigit) {
    if (key.size() != prefixLen + 1 || key.compare(0, prefixLen, prefix) != 0) return -1;
    const char d = key[prefixLen];
    if (d < '0' || d > '0' + maxDigit) return -1;
    return d - '0';
}

// A switch word of a switch toggle: "SW0" to "SW4", any case.
int switchWord(const std::string& word) {
    return keyDigit(upper(word), "SW", 2, ControlNames::kSwitchCount - 1);
}

void applyPotValue(ControlNames::PotSlot& pot, const std::string& value) {
    std::string rest = value;
    const std::string word = upper(takeWord(rest));
    using Slot = ControlNames::Slot;
    if (word == "NONE" || word == "-") {
        pot.kind = Slot::Empty;  // the label stays, so potName still shows it
    } else if (word == "MODE") {
        pot.kind = Slot::ModeToggle;
        pot.label = rest;
    } else if (word == "POT-TOGGLE" || word == "POTTOGGLE") {
        pot.kind = Slot::PotToggle;
        pot.label = rest;
    } else if (word == "SW-TOGGLE" || word == "SWTOGGLE") {
        pot.kind = Slot::SwToggle;
        // Two switch words follow; a word that names no switch is dropped
        // all the same and leaves its field as it was.
        const int a = switchWord(takeWord(rest));
        if (a >= 0) pot.swA = a;
        const int b = switchWord(takeWord(rest));
        if (b >= 0) pot.swB = b;
        pot.label = rest;
    } else {
        pot.kind = Slot::Knob;
        pot.label = value;
    }
}

bool isCombinedLedsWord(const std::string& value) {
    const std::string v = upper(value);
    return v == "CENTER" || v == "CENTRE" || v == "BICOLOUR" || v == "BICOLOR" || v == "COMBINED";
}

void applyLine(ControlNames& names, const std::string& rawLine) {
    std::string line = trim(rawLine);
    while (!line.empty() && (line[0] == ';' || line[0] == '#')) {
        line = trim(line.substr(1));
    }
    if (line.empty()) return;

    const std::size_t blank = findBlank(line);
    if (blank == std::string::npos) return;
    const std::string key = upper(trim(line.substr(0, blank)));
    const std::string value = trim(line.substr(blank + 1));
    if (value.empty()) return;

    if (key == "NAME" || key == "TITLE") {
        names.name = value;
    } else if (key == "PANEL") {
        names.panel = value;
    } else if (key == "TAP") {
        names.tap = value;
    } else if (key == "ENABLE") {
        names.enable = value;
    } else if (key == "LEDS" || key == "LAMPS") {
        names.combinedLeds = isCombinedLedsWord(value);
    } else if (const int pot = keyDigit(key, "POT", 3, ControlNames::kPotCount - 1); pot >= 0) {
        applyPotValue(names.pots[static_cast<std::size_t>(pot)], value);
    } else if (const int sw = keyDigit(key, "SW", 2, ControlNames::kSwitchCount - 1); sw >= 0) {
        names.switches[static_cast<std::size_t>(sw)] = value;
    } else if (const int u = keyDigit(key, "USER", 4, ControlNames::kUserCount - 1); u >= 0) {
        names.user[static_cast<std::size_t>(u)] = value;
    }
}

bool potInRange(int pot) {
    return pot >= 0 && pot < ControlNames::kPotCount;
}

}  // namespace

ControlNames ControlNames::parse(const std::string& text) {
    ControlNames names;
    names.valid = true;
    // Lines end at every LF and at every CR on its own; a CR LF pair thus
    // leaves an empty line, which is skipped like any other.
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\n\r", pos);
        if (end == std::string::npos) end = text.size();
        applyLine(names, text.substr(pos, end - pos));
        pos = end + 1;
    }
    return names;
}

// Callers pass pots 0..5 and switches 0..4; anything else is answered as an
// absent position rather than read out of bounds.
bool ControlNames::potUsed(int pot) const {
    if (!potInRange(pot)) return false;
    if (!valid) return true;
    const Slot kind = pots[static_cast<std::size_t>(pot)].kind;
    return kind == Slot::Knob || kind == Slot::PotToggle;
}

ControlNames::Slot ControlNames::potType(int pot) const {
    if (!potInRange(pot)) return Slot::Empty;
    return valid ? pots[static_cast<std::size_t>(pot)].kind : Slot::Knob;
}

std::string ControlNames::potName(int pot) const {
    if (potInRange(pot) && !pots[static_cast<std::size_t>(pot)].label.empty()) {
        return pots[static_cast<std::size_t>(pot)].label;
    }
    return "POT" + std::to_string(pot);
}

std::string ControlNames::switchName(int sw) const {
    if (sw >= 0 && sw < kSwitchCount && !switches[static_cast<std::size_t>(sw)].empty()) {
        return switches[static_cast<std::size_t>(sw)];
    }
    return "SW" + std::to_string(sw);
}

std::string ControlNames::tapName() const {
    return tap.empty() ? "TAP" : tap;
}

std::string ControlNames::enableName() const {
    return enable.empty() ? "ENABLE" : enable;
}

}  // namespace fxcoreplug
