// The three fixture programs, each run for 10 s of the fixed input with one
// pot move half-way, must give the outputs they gave when the hashes below
// were taken. Any change to the core that is meant to be exact (a faster
// pass, a faster LFO or Exp2) must leave these hashes alone. The hash after
// every half second of output, recorded with them, tells where a changed
// output first differs.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

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
    std::uint64_t value() const { return value_; }

private:
    std::uint64_t value_ = 0xCBF29CE484222325ull;
};

constexpr long kSamples = 10 * 48000;
constexpr long kBlock = 24000;  // half a second
constexpr std::size_t kBlocks = kSamples / kBlock;

struct FixtureRun {
    std::uint64_t hash = 0;
    std::array<std::uint64_t, kBlocks> blockEnds{};  // the hash after each block's last sample
    long audibleSamples = 0;                         // samples with both outputs 0 and 1 not 0
};

// The fixture's pots and input at sample n; the pots move half-way.
void feed(FXCoreCore& core, long n, float* in) {
    const float movedPots[6] = {0.8f, 0.15f, 0.45f, 0.25f, 0.05f, 0.95f};
    if (n == kSamples / 2) core.setPots(movedPots);
    bench::fixtureInput(n, in);
}

// Every sample's four output latches and two user outputs, then the whole
// register file, acc64 and delay memory at the end.
FixtureRun runFixture(const char* name) {
    FixtureRun result;
    auto core = std::make_unique<FXCoreCore>();
    if (!bench::loadFixture(*core, name)) return result;
    Hash hash;
    float in[4];
    for (long n = 0; n < kSamples; ++n) {
        feed(*core, n, in);
        core->run(in);
        hash.addValue(core->outputs);
        hash.addValue(core->userOut);
        if (core->outputs[0] != 0 && core->outputs[1] != 0) ++result.audibleSamples;
        if ((n + 1) % kBlock == 0) result.blockEnds[static_cast<std::size_t>(n / kBlock)] = hash.value();
    }
    hash.addValue(core->regFile);
    hash.addValue(core->acc64);
    hash.add(core->delayMemory.data(), core->delayMemory.size() * sizeof(std::int16_t));
    result.hash = hash.value();
    return result;
}

// Where a fixture's output first leaves the recorded one: the block whose
// hash differs first and, inside it, the first sample where the pass and
// step disagree (none: the operation bodies or the peripherals changed, not
// the pass).
std::string firstDivergence(const char* name, const FixtureRun& run,
                            const std::array<std::uint64_t, kBlocks>& recorded) {
    std::size_t block = 0;
    while (block < kBlocks && run.blockEnds[block] == recorded[block]) ++block;
    if (block == kBlocks) return "every sample's output as recorded; the final state differs";
    std::ostringstream text;
    const long first = static_cast<long>(block) * kBlock;
    text << "output differs first in block " << block << " (samples " << first << " to " << first + kBlock - 1
         << ")";
    auto byRun = std::make_unique<FXCoreCore>();
    auto byStep = std::make_unique<FXCoreCore>();
    if (!bench::loadFixture(*byRun, name) || !bench::loadFixture(*byStep, name)) return text.str();
    float in[4];
    for (long n = 0; n < first + kBlock; ++n) {
        feed(*byRun, n, in);
        feed(*byStep, n, in);
        byRun->run(in);
        byStep->runWordByWord(in);
        if (byRun->outputs != byStep->outputs || byRun->userOut != byStep->userOut) {
            const auto print = [&text](const FXCoreCore& core) {
                text << "outputs " << core.outputs[0] << " " << core.outputs[1] << " " << core.outputs[2]
                     << " " << core.outputs[3] << ", user outputs " << core.userOut[0] << " "
                     << core.userOut[1];
            };
            text << "; the pass leaves step first at sample " << n << ": ";
            print(*byRun);
            text << " instead of ";
            print(*byStep);
            return text.str();
        }
    }
    text << "; the pass and step agree there";
    return text.str();
}

TEST(CoreFixtureGolden, TenSecondsOfEachFixtureGiveTheRecordedOutput) {
    struct Case {
        const char* name;
        std::uint64_t hash;
        std::array<std::uint64_t, kBlocks> blockEnds;
    };
    const Case kCases[] = {
        {"kavro",
         0xc1b29be7d87b87beull,
         {0x21b70dc02f104f91ull, 0x4418b9bbcc526b95ull, 0x02c9e00a5f3aad6full, 0xa57879af2c54f5c9ull,
          0x7979154fce96f987ull, 0x8e380177dd7822bbull, 0x7a19f627af3e10b3ull, 0x397cc32bba9fd87bull,
          0xdf7039c9b7636749ull, 0x421738348d97b66bull, 0xf5ce08c2262278e9ull, 0x520b08f70ba6960cull,
          0x1f79fbc1219f74acull, 0x2de2041d79d6dad3ull, 0x55db41c0b24c56b8ull, 0xbdf9866ea1600860ull,
          0x06520332e252f175ull, 0x81b0843801a31a65ull, 0x5f0e87a47905249full, 0x36aa7b249b091f02ull}},
        {"drisk",
         0xc9893693a5403688ull,
         {0xd20434f859768af0ull, 0x1bdb3a838512a448ull, 0x3c25aaa4c1b6e444ull, 0xcd7a66bf2b84f656ull,
          0x93affe511ab5c946ull, 0x745189699e173c1aull, 0x75ce5dffcce00103ull, 0x221736ccd8c72341ull,
          0x179cc2d1bc8f8ba1ull, 0x21012463f7813256ull, 0x7c5b93a01fe3ed0full, 0x8b2872ac7e4671dcull,
          0x540262104bfa8fa7ull, 0x272549f4a9c0eaf9ull, 0xa19c0c31497e88dcull, 0x7bf2ba4cafd71a4aull,
          0xad7e6255f326cc9bull, 0x293b5d195ac90b7bull, 0xfb826c3f15149dc0ull, 0x0b79969e77c46e4cull}},
        {"vestra",
         0x601171e11aac408aull,
         {0x621e2be36dedf323ull, 0xc20ffa6c70c723ebull, 0xd426f6e908408563ull, 0x781a620d57c6e190ull,
          0x04ddf7f02eff7492ull, 0x8a2c48600cf5ff1cull, 0x04d248d46247951dull, 0xb70add15c59a59a4ull,
          0xbabcbecca7e9c281ull, 0x842baeb2d370fc73ull, 0xcc3023a321fcd439ull, 0x877ea179c862a57full,
          0x8c122f521908eca2ull, 0xb7d29b50f0fa8912ull, 0xda62940b6ace4988ull, 0x353f6ecb0e5c7744ull,
          0x2ff6e721d246f5f9ull, 0x99603206e761fce7ull, 0x31655e24100fd8d7ull, 0x7ceb3efa2b130889ull}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const FixtureRun run = runFixture(c.name);
        ASSERT_NE(run.hash, 0u) << "fixture did not load: " << bench::fixturePath(c.name);
        // The hash is only worth something while the program makes sound.
        EXPECT_GT(run.audibleSamples, 9 * 48000);
        EXPECT_EQ(run.hash, c.hash) << std::hex << "0x" << run.hash << std::dec << ": "
                                    << firstDivergence(c.name, run, c.blockEnds);
    }
}

}  // namespace
}  // namespace fxcore
