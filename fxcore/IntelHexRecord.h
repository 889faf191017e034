#pragma once
// One Intel HEX record line as the program loader reads it: ':', the byte count, the 16-bit
// address and the record type, the data bytes, the checksum (the two's complement of the
// sum of every byte before it), upper-case digits, LF. The assembler's HEX writer and the
// loader's tests both write records with it, so there is one writer of the form.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace fxcore {

inline void appendIntelHexRecord(std::string& text, std::uint32_t address, std::uint8_t type,
                                 const std::uint8_t* data, std::size_t count) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, ":%02X%04X%02X", static_cast<unsigned>(count & 0xFFu),
                  static_cast<unsigned>(address & 0xFFFFu), static_cast<unsigned>(type));
    text += buffer;
    std::uint32_t sum =
        static_cast<std::uint32_t>(count) + ((address >> 8) & 0xFFu) + (address & 0xFFu) + type;
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(data[i]));
        text += buffer;
        sum += data[i];
    }
    std::snprintf(buffer, sizeof buffer, "%02X\n", (0x100u - (sum & 0xFFu)) & 0xFFu);
    text += buffer;
}

}  // namespace fxcore
