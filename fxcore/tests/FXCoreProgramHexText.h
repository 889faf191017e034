#pragma once
// Small helpers that write Intel HEX records for the loader's tests, so each
// fixture states its section bytes rather than hand-computed checksums; the
// record itself comes from the one writer the assembler uses too.

#include <cstdint>
#include <string>
#include <vector>

#include "fxcore/IntelHexRecord.h"

namespace fxcore::testhex {

using Bytes = std::vector<std::uint8_t>;

// One record line with its checksum, as the assembler writes it.
inline std::string record(std::uint32_t address, std::uint8_t type, const Bytes& data) {
    std::string line;
    appendIntelHexRecord(line, address, type, data.data(), data.size());
    return line;
}

inline std::string endRecord() {
    return ":00000001FF\n";
}

inline void appendLe32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

inline void appendLe16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// The bytes of words followed by their 16-bit sum.
inline Bytes wordsWithSum(const std::vector<std::uint32_t>& words) {
    Bytes out;
    std::uint32_t sum = 0;
    for (std::uint32_t w : words) {
        appendLe32(out, w);
    }
    for (std::uint8_t b : out) {
        sum += b;
    }
    appendLe16(out, sum);
    return out;
}

// bytes written from base in records of 16 bytes.
inline std::string section(std::uint32_t base, const Bytes& bytes) {
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        const std::size_t n = bytes.size() - at < 16 ? bytes.size() - at : 16;
        text += record(base + static_cast<std::uint32_t>(at), 0,
                       Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + n)));
    }
    return text;
}

}  // namespace fxcore::testhex
