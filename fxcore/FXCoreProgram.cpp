#include "fxcore/FXCoreProgram.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "fxcore/SpecialRegisters.h"

namespace fxcore {

namespace {

using Result = FXCoreProgram::Result;

// The byte image that the records of one HEX text describe; lives for one load.
struct Image {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(FXCoreProgram::kImageSize, 0);
    std::vector<bool> written = std::vector<bool>(FXCoreProgram::kImageSize, false);

    // Size of the section whose window is [base, last]: the highest written
    // address plus 1 minus base, or 0 when nothing in the window was written.
    std::uint32_t sectionSize(std::uint32_t base, std::uint32_t last) const {
        for (std::uint32_t a = last + 1; a > base; --a) {
            if (written[a - 1]) {
                return a - base;
            }
        }
        return 0;
    }
    std::uint32_t u16(std::uint32_t at) const {
        return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8);
    }
    std::uint32_t u32(std::uint32_t at) const { return u16(at) | (u16(at + 2) << 16); }
    std::int32_t s32(std::uint32_t at) const { return static_cast<std::int32_t>(u32(at)); }
    // Sum of count bytes from at, modulo 65536.
    std::uint32_t byteSum(std::uint32_t at, std::uint32_t count) const {
        std::uint32_t sum = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            sum += bytes[at + i];
        }
        return sum & 0xFFFFu;
    }
};

constexpr std::uint32_t kMregLast = 0x07FF;
constexpr std::uint32_t kCregLast = 0x0FFF;
constexpr std::uint32_t kSfrLast = 0x17FF;
constexpr std::uint32_t kPrgLast = 0x2801;

// Line trimming: space, tab, vertical tab and form feed, plus whatever the
// locale counts as white space among the bytes 0x80..0xFF.
bool isTrimmed(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (c == ' ' || c == '\t' || c == '\v' || c == '\f') {
        return true;
    }
    return u >= 0x80 && std::isspace(u) != 0;
}

std::string_view trim(std::string_view line) {
    while (!line.empty() && isTrimmed(line.front())) {
        line.remove_prefix(1);
    }
    while (!line.empty() && isTrimmed(line.back())) {
        line.remove_suffix(1);
    }
    return line;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool allHex(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return hexDigit(c) >= 0; });
}

// The byte whose two digits start at pos (both already known to be hex digits).
std::uint32_t hexByte(std::string_view s, std::size_t pos) {
    return static_cast<std::uint32_t>(hexDigit(s[pos]) * 16 + hexDigit(s[pos + 1]));
}

// Why a trimmed, non-empty record line is malformed, or nullptr when it is sound.
// The checks run in a fixed order; the first failing one names the fault.
const char* recordFault(std::string_view rec) {
    if (rec[0] != ':') return ": record does not start with ':'";
    if (rec.size() <= 10) return ": record too short";
    if (!allHex(rec.substr(1, 8))) return ": bad record header";
    const std::size_t n = hexByte(rec, 1);
    if (rec.size() < 11 + 2 * n) return ": truncated record";
    if (!allHex(rec.substr(9, 2 * n))) return ": bad data byte";
    if (!allHex(rec.substr(9 + 2 * n, 2))) return ": missing checksum";
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < n + 5; ++i) {
        sum += hexByte(rec, 1 + 2 * i);
    }
    if ((sum & 0xFFu) != 0) return ": record checksum mismatch";
    return nullptr;
}

struct Reader {
    Image image;
    std::uint32_t base = 0;
    bool endSeen = false;

    // Applies one sound record.
    void apply(std::string_view rec) {
        const std::uint32_t n = hexByte(rec, 1);
        const std::uint32_t address = (hexByte(rec, 3) << 8) | hexByte(rec, 5);
        const std::uint32_t type = hexByte(rec, 7);
        auto data = [&](std::uint32_t i) { return hexByte(rec, 9 + 2 * static_cast<std::size_t>(i)); };
        switch (type) {
        case 0x00:
            for (std::uint32_t i = 0; i < n; ++i) {
                const std::uint32_t at = base + address + i;  // modulo 2^32 by unsigned arithmetic
                if (at < FXCoreProgram::kImageSize) {
                    image.bytes[at] = static_cast<std::uint8_t>(data(i));
                    image.written[at] = true;
                }
            }
            break;
        case 0x01: endSeen = true; break;
        case 0x02:
            if (n == 2) base = ((data(0) << 8) | data(1)) << 4;
            break;
        case 0x04:
            if (n == 2) base = ((data(0) << 8) | data(1)) << 16;
            break;
        default: break;
        }
    }
};

// Reads the records of text into reader; returns false with result.error set
// on the first malformed record.
bool readRecords(std::string_view text, Reader& reader, Result& result) {
    std::size_t pos = 0;
    std::size_t lineNumber = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        const std::string_view line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNumber;
        if (line.empty()) {
            continue;
        }
        if (const char* fault = recordFault(line)) {
            result.error = "Line " + std::to_string(lineNumber) + fault;
            return false;
        }
        reader.apply(line);
        if (reader.endSeen) {
            break;
        }
    }
    return true;
}

void readMreg(const Image& image, FXCoreCore::Presets& presets, Result& result) {
    const std::uint32_t size = image.sectionSize(FXCoreProgram::kMregBase, kMregLast);
    if (size < 2) {
        return;  // absent, or one byte: no words and no sum test
    }
    const std::uint32_t count = std::min<std::uint32_t>((size - 2) / 4, 128);
    for (std::uint32_t i = 0; i < count; ++i) {
        presets.mreg[i] = image.s32(FXCoreProgram::kMregBase + 4 * i);
    }
    if (image.byteSum(FXCoreProgram::kMregBase, 4 * count) !=
        image.u16(FXCoreProgram::kMregBase + 4 * count)) {
        result.warnings.emplace_back("MREG section checksum mismatch");
    }
}

void readCreg(const Image& image, FXCoreCore::Presets& presets, Result& result) {
    const std::uint32_t size = image.sectionSize(FXCoreProgram::kCregBase, kCregLast);
    if (size == 0) {
        return;
    }
    const std::uint32_t n = size < 2 ? 0 : (size - 2) / 4;
    const std::uint32_t count = std::min<std::uint32_t>(n, 16);
    for (std::uint32_t i = 0; i < count; ++i) {
        presets.creg[i] = image.s32(FXCoreProgram::kCregBase + 4 * i);
    }
    if (n < 16) {
        result.warnings.push_back("CREG section holds " + std::to_string(n) + " registers, expected 16");
    }
    if (size >= 2 && image.byteSum(FXCoreProgram::kCregBase, 4 * count) !=
                         image.u16(FXCoreProgram::kCregBase + 4 * count)) {
        result.warnings.emplace_back("CREG section checksum mismatch");
    }
}

void readSfr(const Image& image, FXCoreCore::Presets& presets, Result& result) {
    const std::uint32_t size = image.sectionSize(FXCoreProgram::kSfrBase, kSfrLast);
    if (size == 0) {
        return;
    }
    if (size < FXCoreProgram::kSfrBlockSize) {
        result.warnings.emplace_back("SFR section is shorter than the fixed 48 bytes; using defaults");
        return;
    }
    constexpr std::uint32_t b = FXCoreProgram::kSfrBase;
    for (const SpecialRegister& reg : kSpecialRegisters) {
        if (reg.setting.present()) {
            presets.sfr[reg.number] = reg.setting.read(image.u32(b + reg.setting.offset));
        }
    }
    presets.tapLongPressSamples =
        static_cast<std::int32_t>(image.u16(b + FXCoreProgram::kSfrBlockTapLongPress));
    presets.tapDebounceSamples =
        static_cast<std::int32_t>(image.u16(b + FXCoreProgram::kSfrBlockTapDebounce));
    presets.switchDebounceSamples =
        static_cast<std::int32_t>(image.u16(b + FXCoreProgram::kSfrBlockSwitchDebounce));
    const std::uint8_t userOuts = image.bytes[b + FXCoreProgram::kSfrBlockUserOuts];
    presets.userOutInitial[0] = userOuts & 1;
    presets.userOutInitial[1] = (userOuts >> 1) & 1;
    if (size >= FXCoreProgram::kSfrBlockSize + 2 &&
        image.byteSum(b, FXCoreProgram::kSfrBlockSize) != image.u16(b + FXCoreProgram::kSfrBlockSize)) {
        result.warnings.emplace_back("SFR section checksum mismatch");
    }
}

// Reads the program words; false with result.error set when there are none.
bool readPrg(const Image& image, std::vector<std::uint32_t>& words, Result& result) {
    const std::uint32_t size = image.sectionSize(FXCoreProgram::kPrgBase, kPrgLast);
    if (size == 0) {
        result.error =
            "No program section at HEX address 6144; this does not look like an assembled FXCore program";
        return false;
    }
    if (size < 6) {
        result.error = "Program section is empty";
        return false;
    }
    const std::uint32_t count = std::min<std::uint32_t>((size - 2) / 4, FXCoreProgram::kMaxWords);
    words.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        words[i] = image.u32(FXCoreProgram::kPrgBase + 4 * i);
    }
    if (image.byteSum(FXCoreProgram::kPrgBase, 4 * count) != image.u16(FXCoreProgram::kPrgBase + 4 * count)) {
        result.warnings.emplace_back("PRG section checksum mismatch");
    }
    return true;
}

}  // namespace

FXCoreCore::Presets FXCoreProgram::defaultPresets() {
    FXCoreCore::Presets p{};
    std::fill(std::begin(p.creg), std::end(p.creg), 0);
    std::fill(std::begin(p.mreg), std::end(p.mreg), 0);
    for (const SpecialRegister& reg : kSpecialRegisters) {
        p.sfr[reg.number] = reg.defaultPreset;
    }
    p.userOutInitial[0] = 0;
    p.userOutInitial[1] = 0;
    p.tapLongPressSamples = 36000;
    p.tapDebounceSamples = 480;
    p.switchDebounceSamples = 480;
    return p;
}

FXCoreProgram::Result FXCoreProgram::loadFromText(std::string_view text) {
    Result result;
    words.clear();
    presets = defaultPresets();
    auto reader = std::make_unique<Reader>();
    if (!readRecords(text, *reader, result)) {
        return result;
    }
    if (!reader->endSeen) {
        result.warnings.emplace_back("No end-of-file record; the HEX may be truncated");
    }
    readMreg(reader->image, presets, result);
    readCreg(reader->image, presets, result);
    readSfr(reader->image, presets, result);
    if (!readPrg(reader->image, words, result)) {
        return result;
    }
    result.ok = true;
    return result;
}

FXCoreProgram::Result FXCoreProgram::loadFromFile(const std::string& path) {
    Result result;
    std::string text;
    bool readable = false;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            text.append(buffer, got);
        }
        readable = std::ferror(file) == 0;  // a directory opens but cannot be read
        std::fclose(file);
    }
    if (!readable) {
        result.error = "Could not open " + path;
        return result;
    }
    result = loadFromText(text);
    if (result.ok && name.empty()) {
        const std::size_t slash = path.find_last_of("/\\");
        std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
        const std::size_t dot = fileName.find_last_of('.');
        if (dot != std::string::npos) {
            fileName.resize(dot);
        }
        name = fileName;
    }
    return result;
}

void FXCoreProgram::applyTo(FXCoreCore& core) const {
    core.setPresets(presets);
    core.setProgram(words.data(), words.size());
}

}  // namespace fxcore
