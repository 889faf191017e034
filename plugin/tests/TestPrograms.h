#pragma once
// Small FXCore programs as Intel HEX text for the plug-in's tests, so a test does not depend
// on what the pedal's firmware computes.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fxcoreplug::test {

constexpr std::uint32_t loadSfr(std::uint32_t reg, std::uint32_t sfr) {
    return 0x64000000u | (reg << 16) | sfr;  // reg <- SFR (0..3 are the inputs)
}
constexpr std::uint32_t storeSfr(std::uint32_t reg, std::uint32_t sfr) {
    return 0x68000000u | (reg << 16) | sfr;  // SFR <- reg (4..7 are the outputs)
}

// One data record (type 00) or the end record, with its checksum, ending in LF.
inline std::string hexRecord(std::uint32_t address, std::uint8_t type,
                             const std::vector<std::uint8_t>& data) {
    char field[16];
    std::snprintf(field, sizeof field, ":%02X%04X%02X", static_cast<unsigned>(data.size()),
                  static_cast<unsigned>(address & 0xFFFFu), static_cast<unsigned>(type));
    std::string line = field;
    unsigned sum = static_cast<unsigned>(data.size()) + ((address >> 8) & 0xFFu) + (address & 0xFFu) + type;
    for (std::uint8_t b : data) {
        std::snprintf(field, sizeof field, "%02X", static_cast<unsigned>(b));
        line += field;
        sum += b;
    }
    std::snprintf(field, sizeof field, "%02X", (0x100u - (sum & 0xFFu)) & 0xFFu);
    return line + field + "\n";
}

// Words (little-endian) followed by their 16-bit byte sum, written from base in 16-byte records.
inline std::string hexSection(std::uint32_t base, const std::vector<std::uint32_t>& words) {
    std::vector<std::uint8_t> bytes;
    unsigned sum = 0;
    for (std::uint32_t w : words) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
            sum += bytes.back();
        }
    }
    bytes.push_back(static_cast<std::uint8_t>(sum));
    bytes.push_back(static_cast<std::uint8_t>(sum >> 8));
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        const std::size_t end = std::min(at + 16, bytes.size());
        text += hexRecord(base + static_cast<std::uint32_t>(at), 0,
                          std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                                    bytes.begin() + static_cast<std::ptrdiff_t>(end)));
    }
    return text;
}

// A loadable program: 16 zero core registers and the given words.
inline std::string programHex(const std::vector<std::uint32_t>& words) {
    return hexSection(0x0800, std::vector<std::uint32_t>(16, 0)) + hexSection(0x1800, words) +
           ":00000001FF\n";
}

// Outputs 0 and 1 copy inputs 0 and 1; outputs 2 and 3 carry them crossed (1, 0).
inline std::string crossProgramHex() {
    return programHex(
        {loadSfr(0, 0), loadSfr(1, 1), storeSfr(0, 4), storeSfr(1, 5), storeSfr(1, 6), storeSfr(0, 7)});
}

// Outputs 0 and 1 both copy input 1: tells a second custom program from the first.
inline std::string rightOnlyProgramHex() {
    return programHex({loadSfr(1, 1), storeSfr(1, 4), storeSfr(1, 5)});
}

}  // namespace fxcoreplug::test
