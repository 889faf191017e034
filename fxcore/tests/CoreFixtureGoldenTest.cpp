// The three fixture programs, each run for 10 s of the fixed input with one
// pot move half-way, must give the outputs they gave when the hashes below
// were taken. Any change to the core that is meant to be exact (a faster
// pass, a faster LFO or Exp2) must leave these hashes alone.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "fxcore/FXCoreCore.h"
#include "fxcore/bench/FixtureRig.h"

namespace fxcore {
namespace {

// FNV-1a, 64 bits.
class Hash {
public:
    void add(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) value_ = (value_ ^ bytes[i]) * 0x100000001B3ull;
    }
    template <typename T>
    void addValue(const T& v) {
        add(&v, sizeof v);
    }
    uint64_t value() const { return value_; }

private:
    uint64_t value_ = 0xCBF29CE484222325ull;
};

struct FixtureRun {
    uint64_t hash = 0;
    long audibleSamples = 0;  // samples with both outputs 0 and 1 not 0
};

// Every sample's four output latches and two user outputs, then the whole
// register file, acc64 and delay memory at the end.
FixtureRun runFixture(const char* name) {
    FixtureRun result;
    auto core = std::make_unique<FXCoreCore>();
    if (!bench::loadFixture(*core, name)) return result;
    constexpr long kSamples = 10 * 48000;
    const float movedPots[6] = {0.8f, 0.15f, 0.45f, 0.25f, 0.05f, 0.95f};
    Hash hash;
    float in[4];
    for (long n = 0; n < kSamples; ++n) {
        if (n == kSamples / 2) core->setPots(movedPots);
        bench::fixtureInput(n, in);
        core->run(in);
        hash.addValue(core->outputs);
        hash.addValue(core->userOut);
        if (core->outputs[0] != 0 && core->outputs[1] != 0) ++result.audibleSamples;
    }
    hash.addValue(core->regFile);
    hash.addValue(core->acc64);
    hash.add(core->delayMemory.data(), core->delayMemory.size() * sizeof(int16_t));
    result.hash = hash.value();
    return result;
}

TEST(CoreFixtureGolden, TenSecondsOfEachFixtureGiveTheRecordedOutput) {
    struct Case {
        const char* name;
        uint64_t hash;
    };
    const Case kCases[] = {
        {"kavro", 0xc1b29be7d87b87beull},
        {"drisk", 0xc9893693a5403688ull},
        {"vestra", 0x601171e11aac408aull},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const FixtureRun run = runFixture(c.name);
        ASSERT_NE(run.hash, 0u) << "fixture did not load: " << bench::fixturePath(c.name);
        // The hash is only worth something while the program makes sound.
        EXPECT_GT(run.audibleSamples, 9 * 48000);
        EXPECT_EQ(run.hash, c.hash) << std::hex << "0x" << run.hash;
    }
}

}  // namespace
}  // namespace fxcore
