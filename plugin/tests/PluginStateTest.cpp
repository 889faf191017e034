// The "FXC1" state stream as a host sees it through "clap.state": the saved bytes, the round
// trip onto a fresh instance, the custom program and bank name, and every way a load fails.

#include "plugin/tests/DirectPlugin.h"
#include "plugin/tests/MemoryStreams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

// The largest single heap allocation while tracking is on, to show what a length field costs.
namespace {
std::atomic<bool> s_tracking{false};
std::atomic<std::size_t> s_largestAllocation{0};
}  // namespace

// The replacement allocates with malloc and frees with free, by design; GCC's check for
// mismatched new/delete pairs cannot see through it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    if (s_tracking.load(std::memory_order_relaxed)) {
        std::size_t seen = s_largestAllocation.load(std::memory_order_relaxed);
        while (size > seen && !s_largestAllocation.compare_exchange_weak(seen, size)) {
        }
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) std::abort();
    return p;
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace fxcoreplug::test {
namespace {

const std::string kBank = "mp-corlinde-jr";

std::string customHexText() {
    return kEmbeddedPrograms[2].hexText;
}

std::vector<std::uint8_t> save(DirectPlugin& p, std::size_t maxPerCall = SIZE_MAX) {
    MemoryOStream out(maxPerCall);
    EXPECT_TRUE(p.state->save(p.clap, out.stream()));
    return out.bytes();
}

bool load(DirectPlugin& p, const std::vector<std::uint8_t>& bytes, std::size_t maxPerCall = SIZE_MAX) {
    MemoryIStream in(bytes, maxPerCall);
    return p.state->load(p.clap, in.stream());
}

std::vector<double> allValues(DirectPlugin& p) {
    std::vector<double> v;
    for (const auto& row : FXCorePlugin::paramDefs()) v.push_back(p.value(row.id));
    return v;
}

TEST(PluginState, SavedBytesOfAFreshInstance) {
    DirectPlugin p;
    const std::vector<std::uint8_t> bytes = save(p, 3);  // the host takes 3 bytes per call
    StateBytes expected;
    expected.header(2, 18);
    for (const auto& row : FXCorePlugin::paramDefs()) expected.record(row.id, row.defaultValue);
    expected.str("").str("").str(kBank);
    EXPECT_EQ(bytes.size(), 12u + 12u * 18u + 12u + kBank.size());
    EXPECT_EQ(bytes, expected.bytes());
    EXPECT_EQ(std::memcmp(bytes.data(), "FXC1", 4), 0);
}

TEST(PluginState, SaveReportsARefusedWrite) {
    DirectPlugin p;
    for (std::size_t capacity : {0u, 10u, 100u, 240u}) {
        MemoryOStream out(SIZE_MAX, capacity);
        EXPECT_FALSE(p.state->save(p.clap, out.stream())) << capacity;
        EXPECT_EQ(out.bytes().size(), capacity) << "what was written stays";
    }
}

TEST(PluginState, RoundTripOntoAFreshInstance) {
    DirectPlugin a;
    // A custom program arrives (selecting "(loaded)"), then the user picks the embedded bank's
    // mode 1 and moves every control.
    ASSERT_TRUE(load(a, StateBytes().header(2, 0).str("my-program").str(customHexText()).str(kBank).bytes()));
    for (const auto& row : FXCorePlugin::paramDefs()) {
        if (row.id != kParamProgram)
            a.instance->guiSetParamValue(row.id, row.minValue + 0.3 * (row.maxValue - row.minValue));
    }
    a.instance->guiSetParamValue(kParamMode, 1.0);
    const std::vector<std::uint8_t> bytes = save(a);

    DirectPlugin b;
    ASSERT_TRUE(load(b, bytes, 1));  // the host hands out one byte per call
    EXPECT_EQ(allValues(b), allValues(a));
    EXPECT_EQ(b.instance->customName, "my-program");
    EXPECT_EQ(b.instance->customHex, customHexText());
    EXPECT_EQ(b.instance->programName(FXCorePlugin::kCustomSlot), "my-program");
    EXPECT_EQ(b.text(kParamProgram, b.value(kParamProgram)), kBank);
    EXPECT_EQ(b.text(kParamProgram, 1.0), "(loaded)");
    EXPECT_EQ(save(b), bytes);
}

TEST(PluginState, LoadTellsTheHostThatValuesChanged) {
    DirectPlugin p;
    ASSERT_TRUE(load(p, StateBytes().header(2, 1).record(kParamPot0, 0.1).str("").str("").str("").bytes()));
    EXPECT_EQ(p.host.rescans(), std::vector<std::uint32_t>{CLAP_PARAM_RESCAN_VALUES});

    p.host.clearRescans();
    p.host.offerParams = false;  // a host without the params extension is simply not told
    ASSERT_TRUE(load(p, StateBytes().header(2, 1).record(kParamPot0, 0.2).str("").str("").str("").bytes()));
    EXPECT_TRUE(p.host.rescans().empty());
    EXPECT_EQ(p.value(kParamPot0), 0.2);
}

TEST(PluginState, LoadCases) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const auto v2 = [](std::uint32_t count) { return StateBytes().header(2, count); };
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool result;
        double pot0;     // POT0 after the load (default 0.5)
        double pot1;     // POT1 after the load (default 0.5)
        bool reapplied;  // the next block applies the program afresh
        bool announced;  // the host was told to rescan values
    };
    std::vector<std::uint8_t> magicOnly = StateBytes().u32(0x31435846).bytes();
    std::vector<std::uint8_t> cutInRecord = v2(2).record(kParamPot0, 0.1).u32(kParamPot0 + 1).bytes();
    std::vector<std::uint8_t> cutInString = v2(1).record(kParamPot0, 0.1).u32(10).u32(0x41414141).bytes();
    const Case cases[] = {
        {"empty stream", {}, false, 0.5, 0.5, false, false},
        {"magic only", magicOnly, false, 0.5, 0.5, false, false},
        {"wrong magic", StateBytes().u32(0x32435846).u32(2).u32(0).str("").str("").str("").bytes(), false,
         0.5, 0.5, false, false},
        {"version 3", StateBytes().header(3, 0).str("").str("").str("").bytes(), false, 0.5, 0.5, false,
         false},
        {"no records, empty strings", v2(0).str("").str("").str("").bytes(), true, 0.5, 0.5, true, false},
        {"records clamped, unknown id skipped",
         v2(3)
             .record(999, 0.0)
             .record(kParamPot0, 7.0)
             .record(kParamPot0 + 1, -1.0)
             .str("")
             .str("")
             .str("")
             .bytes(),
         true, 1.0, 0.0, true, true},
        {"a value that is no number keeps the old one",
         v2(2).record(kParamPot0, kNaN).record(kParamPot0 + 1, 0.25).str("").str("").str("").bytes(), true,
         0.5, 0.25, true, true},
        {"version 1 has no bank name",
         StateBytes().header(1, 1).record(kParamPot0, 0.2).str("").str("").bytes(), true, 0.2, 0.5, true,
         true},
        {"version 0 likewise", StateBytes().header(0, 1).record(kParamPot0, 0.3).str("").str("").bytes(),
         true, 0.3, 0.5, true, true},
        {"version 2 without its bank name", v2(1).record(kParamPot0, 0.2).str("").str("").bytes(), false, 0.2,
         0.5, false, true},
        {"name length past the limit", v2(1).record(kParamPot0, 0.2).u32(0x1000001).bytes(), false, 0.2, 0.5,
         false, true},
        {"text length past the limit", v2(1).record(kParamPot0, 0.2).str("").u32(0xFFFFFFFF).bytes(), false,
         0.2, 0.5, false, true},
        {"bank name past the limit", v2(1).record(kParamPot0, 0.2).str("").str("").u32(0x1000001).bytes(),
         false, 0.2, 0.5, false, true},
        {"largest length on a short stream", v2(1).record(kParamPot0, 0.2).u32(0x1000000).u32(0).bytes(),
         false, 0.2, 0.5, false, true},
        {"stream ends inside a record", cutInRecord, false, 0.1, 0.5, false, true},
        {"stream ends inside a string", cutInString, false, 0.1, 0.5, false, true},
        {"record count larger than the records", v2(1000).record(kParamPot0, 0.4).bytes(), false, 0.4, 0.5,
         false, true},
        {"bytes after the stream are not read", v2(0).str("").str("").str("").u32(77).bytes(), true, 0.5, 0.5,
         true, false},
    };
    for (const Case& c : cases) {
        DirectPlugin p;
        p.processBlock(16, nullptr, nullptr);  // the first apply, so that any new one is the load's
        EXPECT_FALSE(p.instance->reapplyPending.load()) << c.what;
        EXPECT_EQ(load(p, c.bytes, 5), c.result) << c.what;
        EXPECT_EQ(p.value(kParamPot0), c.pot0) << c.what;
        EXPECT_EQ(p.value(kParamPot0 + 1), c.pot1) << c.what;
        EXPECT_EQ(p.instance->reapplyPending.load(), c.reapplied) << c.what;
        EXPECT_EQ(!p.host.rescans().empty(), c.announced) << c.what;
        EXPECT_EQ(p.instance->banks.size(), 1u) << c.what;
        EXPECT_EQ(p.value(kParamProgram), 0.0) << c.what;
    }
}

TEST(PluginState, LongestStringIsAccepted) {
    DirectPlugin p;
    const std::string name(0x1000000, 'n');
    EXPECT_TRUE(load(p, StateBytes().header(2, 0).str(name).str("").str("").bytes()));
    EXPECT_FALSE(load(p, StateBytes().header(2, 0).str(name + "n").str("").str("").bytes()));
}

TEST(PluginState, LengthFieldCostsNoMoreThanTheStreamDelivers) {
    DirectPlugin p;
    const auto bytes = StateBytes().header(2, 0).u32(0x1000000).str(std::string(100, 'x')).bytes();
    s_largestAllocation = 0;
    s_tracking = true;
    const bool loaded = load(p, bytes);
    s_tracking = false;
    EXPECT_FALSE(loaded);
    EXPECT_LT(s_largestAllocation.load(), 256u * 1024u) << "a 16 MiB claim on a 100-byte stream";
}

TEST(PluginState, ReadErrorFailsTheLoad) {
    DirectPlugin p;
    const auto bytes = StateBytes()
                           .header(2, 2)
                           .record(kParamPot0, 0.1)
                           .record(kParamPot0 + 1, 0.2)
                           .str("")
                           .str("")
                           .str("")
                           .bytes();
    MemoryIStream in(bytes, SIZE_MAX, 12 + 12 + 4);  // -1 inside the second record
    EXPECT_FALSE(p.state->load(p.clap, in.stream()));
    EXPECT_EQ(p.value(kParamPot0), 0.1);
    EXPECT_EQ(p.value(kParamPot0 + 1), 0.5);
}

TEST(PluginState, SavedSelectionWinsOverTheCustomLoad) {
    DirectPlugin p;
    const auto bytes = StateBytes()
                           .header(2, 2)
                           .record(kParamProgram, 0.0)
                           .record(kParamMode, 2.0)
                           .str("mine")
                           .str(customHexText())
                           .str(kBank)
                           .bytes();
    ASSERT_TRUE(load(p, bytes));
    EXPECT_EQ(p.value(kParamProgram), 0.0);
    EXPECT_EQ(p.value(kParamMode), 2.0);
    EXPECT_EQ(p.instance->programName(FXCorePlugin::kCustomSlot), "mine");
    ASSERT_EQ(p.instance->banks.size(), 2u);
    EXPECT_EQ(p.instance->banks[1].name, "(loaded)");

    // The bank name picks the bank whatever the Program record said.
    ASSERT_TRUE(load(
        p, StateBytes().header(2, 1).record(kParamProgram, 0.0).str("").str("").str("(loaded)").bytes()));
    EXPECT_EQ(p.value(kParamProgram), 1.0);
    // A name that matches no bank leaves Program as the records left it.
    ASSERT_TRUE(load(
        p, StateBytes().header(2, 1).record(kParamProgram, 0.0).str("").str("").str("elsewhere").bytes()));
    EXPECT_EQ(p.value(kParamProgram), 0.0);
    // A state without custom text keeps the loaded custom program, and saves it again.
    const auto saved = save(p);
    const auto tail = StateBytes().str("mine").str(customHexText()).str(kBank).bytes();
    ASSERT_GE(saved.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), saved.end() - static_cast<std::ptrdiff_t>(tail.size())));
}

// A custom text that does not load still gives a successful load, and the custom slot keeps
// what it held; but the text is the project's: the next save writes it back unchanged, and
// the host's log hears why it did not load.
TEST(PluginState, CustomTextThatDoesNotLoadIsKeptAndSavedBack) {
    std::string oneColonMissing = kEmbeddedPrograms[2].hexText;
    const std::size_t secondRecord = oneColonMissing.find("\n:");
    ASSERT_NE(secondRecord, std::string::npos);
    oneColonMissing.erase(secondRecord + 1, 1);
    struct Case {
        const char* what;
        std::string text;
        bool customLoadedBefore;  // a custom program already in the slot
        bool hostLogs;
        const char* loaderSays;  // part of the loader's error text
    };
    const Case cases[] = {
        {"one ':' missing", oneColonMissing, false, true, "Line 2: record does not start with ':'"},
        {"no HEX text at all", "this is no HEX text\n", false, true, "Line 1"},
        {"over a custom program that loaded", oneColonMissing, true, true, "Line 2"},
        {"a host without a log", oneColonMissing, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DirectPlugin p;
        p.host.offerLog = c.hostLogs;
        if (c.customLoadedBefore) {
            ASSERT_TRUE(load(p, StateBytes().header(2, 0).str("good").str(customHexText()).str("").bytes()));
        }
        const std::string slotBefore = p.instance->programName(FXCorePlugin::kCustomSlot);
        const std::size_t banksBefore = p.instance->banks.size();
        const auto bytes = StateBytes()
                               .header(2, 2)
                               .record(kParamProgram, 3.0)
                               .record(kParamMode, 1.0)
                               .str("broken")
                               .str(c.text)
                               .str("")
                               .bytes();
        EXPECT_TRUE(load(p, bytes));
        EXPECT_EQ(p.instance->programName(FXCorePlugin::kCustomSlot), slotBefore);
        EXPECT_EQ(p.instance->banks.size(), banksBefore);
        EXPECT_EQ(p.value(kParamProgram), 3.0);
        EXPECT_EQ(p.value(kParamMode), 1.0);

        const auto saved = save(p);
        const auto custom = StateBytes().str("broken").str(c.text).bytes();
        const std::size_t customAt = 12 + 12 * 18;
        ASSERT_GE(saved.size(), customAt + custom.size());
        EXPECT_TRUE(std::equal(custom.begin(), custom.end(), saved.begin() + customAt));

        const auto logged = p.host.logged();
        if (!c.hostLogs) {
            EXPECT_TRUE(logged.empty());
            continue;
        }
        ASSERT_EQ(logged.size(), 1u);
        EXPECT_EQ(logged[0].first, CLAP_LOG_ERROR);
        EXPECT_NE(logged[0].second.find("\"broken\""), std::string::npos) << logged[0].second;
        EXPECT_NE(logged[0].second.find(c.loaderSays), std::string::npos) << logged[0].second;
    }
}

// The next block after a load applies the selected program: with the custom program's bank
// selected, the core runs it and the host is asked to rescan the info.
TEST(PluginState, NextBlockAppliesTheLoadedSelection) {
    DirectPlugin p;
    p.processBlock(16, nullptr, nullptr);
    ASSERT_TRUE(load(p, StateBytes().header(2, 0).str("mine").str(customHexText()).str("(loaded)").bytes()));
    const int callbacksBefore = p.host.callbacks.load();
    p.processBlock(16, nullptr, nullptr);
    EXPECT_EQ(p.instance->activeProgram.load(), FXCorePlugin::kCustomSlot);
    EXPECT_GT(p.host.callbacks.load(), callbacksBefore);
}

}  // namespace
}  // namespace fxcoreplug::test
