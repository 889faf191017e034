#pragma once
// Little-endian field reader and writer over the host's CLAP state streams.
// A stream call may move fewer bytes than asked; each field is moved whole
// by repeating the call for the rest, and a call that moves nothing (end of
// stream, -1 for an error) fails the field.
//
// Threads: [main-thread], like the state extension that uses them.

#include "clap/stream.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fxcoreplug {

// Longest string a state may carry: 16 MiB. A longer length marks the stream unreadable.
inline constexpr std::uint32_t kMaxStateString = 0x1000000;

class StateWriter {
public:
    explicit StateWriter(const clap_ostream* stream) : stream_(stream) {}

    bool writeBytes(const void* data, std::size_t size);
    bool writeU32(std::uint32_t v);
    bool writeF64(double v);
    // The length as uint32, then the bytes; false for a text longer than kMaxStateString.
    bool writeStr(const std::string& s);

private:
    const clap_ostream* stream_;
};

class StateReader {
public:
    explicit StateReader(const clap_istream* stream) : stream_(stream) {}

    bool readBytes(void* data, std::size_t size);
    bool readU32(std::uint32_t& v);
    bool readF64(double& v);
    // A length-prefixed string. The text grows with the bytes the stream
    // actually delivers, so a large length on a short stream costs at most
    // one read chunk of memory before it fails.
    bool readStr(std::string& out);

private:
    const clap_istream* stream_;
};

}  // namespace fxcoreplug
