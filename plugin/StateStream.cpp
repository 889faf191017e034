#include "plugin/StateStream.h"

#include <algorithm>
#include <cstring>

namespace fxcoreplug {

namespace {

// Largest piece readStr asks the stream for at once.
constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

bool StateWriter::writeBytes(const void* data, std::size_t size) {
    if (stream_ == nullptr || stream_->write == nullptr) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const std::int64_t n = stream_->write(stream_, bytes, size);
        if (n < 1) return false;
        const auto moved = std::min(static_cast<std::size_t>(n), size);  // never trust more than asked
        bytes += moved;
        size -= moved;
    }
    return true;
}

bool StateWriter::writeU32(std::uint32_t v) {
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    return writeBytes(b, sizeof b);
}

bool StateWriter::writeF64(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    std::uint8_t b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return writeBytes(b, sizeof b);
}

bool StateWriter::writeStr(const std::string& s) {
    if (s.size() > kMaxStateString) return false;  // a reader would refuse it
    return writeU32(static_cast<std::uint32_t>(s.size())) && (s.empty() || writeBytes(s.data(), s.size()));
}

bool StateReader::readBytes(void* data, std::size_t size) {
    if (stream_ == nullptr || stream_->read == nullptr) return false;
    auto* bytes = static_cast<std::uint8_t*>(data);
    while (size > 0) {
        const std::int64_t n = stream_->read(stream_, bytes, size);
        if (n < 1) return false;
        const auto moved = std::min(static_cast<std::size_t>(n), size);
        bytes += moved;
        size -= moved;
    }
    return true;
}

bool StateReader::readU32(std::uint32_t& v) {
    std::uint8_t b[4];
    if (!readBytes(b, sizeof b)) return false;
    v = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
        static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    return true;
}

bool StateReader::readF64(double& v) {
    std::uint8_t b[8];
    if (!readBytes(b, sizeof b)) return false;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(b[i]) << (8 * i);
    std::memcpy(&v, &bits, sizeof v);
    return true;
}

bool StateReader::readStr(std::string& out) {
    std::uint32_t length = 0;
    if (!readU32(length) || length > kMaxStateString) return false;
    out.clear();
    std::size_t left = length;
    while (left > 0) {
        const std::size_t piece = std::min(left, kReadChunk);
        const std::size_t at = out.size();
        out.resize(at + piece);
        if (!readBytes(out.data() + at, piece)) return false;
        left -= piece;
    }
    return true;
}

}  // namespace fxcoreplug
