#pragma once
// CLAP state streams over memory, for tests: an output stream that records
// (and can refuse after a number of bytes), an input stream that hands out
// at most a few bytes per call (and can report an error), and a small
// builder for little-endian state bytes.

#include "clap/stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fxcoreplug::test {

class MemoryOStream {
public:
    // maxPerCall: bytes taken per write call at most; capacity: bytes taken in all before
    // every further write fails with -1.
    explicit MemoryOStream(std::size_t maxPerCall = SIZE_MAX, std::size_t capacity = SIZE_MAX)
        : maxPerCall_(maxPerCall), capacity_(capacity) {
        stream_.ctx = this;
        stream_.write = &MemoryOStream::write;
    }
    MemoryOStream(const MemoryOStream&) = delete;
    MemoryOStream& operator=(const MemoryOStream&) = delete;

    const clap_ostream* stream() const { return &stream_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::size_t calls() const { return calls_; }

private:
    static std::int64_t write(const clap_ostream* s, const void* buffer, std::uint64_t size) {
        auto* self = static_cast<MemoryOStream*>(s->ctx);
        ++self->calls_;
        if (self->bytes_.size() >= self->capacity_) return -1;
        const std::size_t n = std::min(
            {static_cast<std::size_t>(size), self->maxPerCall_, self->capacity_ - self->bytes_.size()});
        const auto* p = static_cast<const std::uint8_t*>(buffer);
        self->bytes_.insert(self->bytes_.end(), p, p + n);
        return static_cast<std::int64_t>(n);
    }

    clap_ostream stream_{};
    std::vector<std::uint8_t> bytes_;
    std::size_t maxPerCall_;
    std::size_t capacity_;
    std::size_t calls_ = 0;
};

class MemoryIStream {
public:
    // errorAt: once this many bytes are delivered, read answers -1 instead of 0 or data.
    explicit MemoryIStream(std::vector<std::uint8_t> bytes, std::size_t maxPerCall = SIZE_MAX,
                           std::size_t errorAt = SIZE_MAX)
        : bytes_(std::move(bytes)), maxPerCall_(maxPerCall), errorAt_(errorAt) {
        stream_.ctx = this;
        stream_.read = &MemoryIStream::read;
    }
    MemoryIStream(const MemoryIStream&) = delete;
    MemoryIStream& operator=(const MemoryIStream&) = delete;

    const clap_istream* stream() const { return &stream_; }
    std::size_t consumed() const { return pos_; }

private:
    static std::int64_t read(const clap_istream* s, void* buffer, std::uint64_t size) {
        auto* self = static_cast<MemoryIStream*>(s->ctx);
        if (self->pos_ >= self->errorAt_) return -1;
        const std::size_t n = std::min({static_cast<std::size_t>(size), self->maxPerCall_,
                                        self->bytes_.size() - self->pos_, self->errorAt_ - self->pos_});
        if (n > 0) std::memcpy(buffer, self->bytes_.data() + self->pos_, n);
        self->pos_ += n;
        return static_cast<std::int64_t>(n);
    }

    clap_istream stream_{};
    std::vector<std::uint8_t> bytes_;
    std::size_t maxPerCall_;
    std::size_t errorAt_;
    std::size_t pos_ = 0;
};

// Little-endian bytes of a state, built field by field.
class StateBytes {
public:
    StateBytes& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    StateBytes& f64(double v) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        return *this;
    }
    StateBytes& str(const std::string& s) {
        u32(static_cast<std::uint32_t>(s.size()));
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        return *this;
    }
    StateBytes& record(std::uint32_t id, double value) { return u32(id).f64(value); }
    // "FXC1", the version and the record count.
    StateBytes& header(std::uint32_t version, std::uint32_t count) {
        return u32(0x31435846).u32(version).u32(count);
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace fxcoreplug::test
