// The instance on its own: parameter table and writes, bank building, program resolution,
// the program switch with its rescan, the custom program load, activation and the entry's init.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "plugin/BankBuilder.h"
#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"
#include "plugin/tests/PedalControlNames.h"
#include "plugin/tests/RecordingHost.h"
#include "plugin/tests/TestPrograms.h"
#if CORLINDE_EDITOR
#include "vstgui/vstgui.h"
#endif

namespace fxcoreplug {
namespace {

using test::RecordingHost;
using test::StereoBlock;

struct Fixture {
    RecordingHost host;
    FXCorePlugin plugin{host.host()};
    StereoBlock block{512};

    void processBlock(std::uint32_t frames = 64) { plugin.process(block.process(frames, nullptr, nullptr)); }
    double value(std::uint32_t id) const { return plugin.paramValue(id); }
    void set(std::uint32_t id, double v) { plugin.slotFor(id)->store(v); }
};

TEST(ParamTable, DefaultsAndRowOrder) {
    Fixture f;
    const auto& table = FXCorePlugin::paramDefs();
    const std::uint32_t ids[] = {100, 101, 102, 103, 104, 105, 200, 201, 202,
                                 203, 204, 300, 301, 400, 401, 402, 500, 501};
    ASSERT_EQ(table.size(), std::size(ids));
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].id, ids[i]);
        EXPECT_EQ(f.value(ids[i]), table[i].defaultValue) << ids[i];
    }
    EXPECT_EQ(f.value(100), 0.5);
    EXPECT_EQ(f.value(300), 1.0);
    EXPECT_EQ(f.plugin.defFor(400)->maxValue, 3.0);  // the embedded program count
    EXPECT_EQ(f.plugin.defFor(402)->maxValue, 7.0);
    EXPECT_EQ(f.plugin.defFor(100)->flags, 0x420u);
    EXPECT_EQ(f.plugin.defFor(200)->flags, 0x21u);
}

TEST(ParamTable, WritesClampRefuseNaNAndIgnoreUnknownIds) {
    struct Case {
        std::uint32_t id;
        double written;
        double stored;
    };
    // clang-format off
    const Case cases[] = {{100, 1.5, 1.0},  {500, -30.0, -24.0}, {402, 9.0, 7.0},
                          {400, 5.0, 3.0},  {501, 6.5, 6.5},     {200, -1.0, 0.0},
                          {101, std::numeric_limits<double>::infinity(), 1.0}};
    // clang-format on
    for (const Case& c : cases) {
        Fixture f;
        EXPECT_TRUE(f.plugin.writeParam(c.id, c.written)) << c.id;
        EXPECT_EQ(f.value(c.id), c.stored) << c.id << " <- " << c.written;
    }

    Fixture f;
    ASSERT_TRUE(f.plugin.writeParam(100, 0.25));
    EXPECT_FALSE(f.plugin.writeParam(100, std::nan("")));
    EXPECT_EQ(f.value(100), 0.25);  // a NaN never becomes a stored value

    EXPECT_EQ(f.plugin.paramValue(999), 0.0);
    EXPECT_EQ(f.plugin.slotFor(999), nullptr);
    EXPECT_EQ(f.plugin.defFor(999), nullptr);
    EXPECT_FALSE(f.plugin.writeParam(999, 0.5));
    for (const auto& row : FXCorePlugin::paramDefs()) {
        EXPECT_EQ(f.value(row.id), row.id == 100 ? 0.25 : row.defaultValue);
    }
}

TEST(BankBuilding, NameSplit) {
    struct Case {
        const char* name;
        const char* bank;
        int mode;
    };
    const Case cases[] = {{"mp-corlinde-jr_2", "mp-corlinde-jr", 2},
                          {"chorus_v2", "chorus_v2", 0},
                          {"a_b_10", "a_b", 10},
                          {"x_", "x_", 0},
                          {"plain", "plain", 0},
                          {"_3", "", 3},
                          {"big_99999999999999", "big", std::numeric_limits<int>::max()}};
    for (const Case& c : cases) {
        const NameSplit split = splitProgramName(c.name);
        EXPECT_EQ(split.bank, c.bank) << c.name;
        EXPECT_EQ(split.mode, c.mode) << c.name;
    }
}

TEST(BankBuilding, GroupsByNameAndFillsHoles) {
    struct Case {
        std::vector<std::optional<std::string>> slots;  // nullopt: the program failed to load
        std::vector<Bank> banks;
    };
    const std::string jr = "mp-corlinde-jr";
    const Case cases[] = {
        {{jr + "_0", jr + "_1", jr + "_2"}, {{jr, {0, 1, 2}}}},
        {{jr + "_0", std::nullopt, jr + "_2"}, {{jr, {0, 0, 2}}}},  // mode 1 runs mode 0
        {{std::nullopt, jr + "_1", jr + "_2"}, {{jr, {1, 1, 2}}}},
        {{std::nullopt, std::nullopt, std::nullopt}, {}},
        {{"a_2", "b", "a_0"}, {{"a", {2, 2, 0}}, {"b", {1}}}},
        {{"x_1", "x_1", "y_0"}, {{"x", {1, 1}}, {"y", {2}}}},  // a later program replaces
    };
    for (const Case& c : cases) {
        std::vector<const std::string*> names;
        for (const auto& slot : c.slots) {
            names.push_back(slot ? &*slot : nullptr);
        }
        const std::vector<Bank> banks = buildBanks(names);
        ASSERT_EQ(banks.size(), c.banks.size());
        for (std::size_t i = 0; i < banks.size(); ++i) {
            EXPECT_EQ(banks[i].name, c.banks[i].name);
            EXPECT_EQ(banks[i].programForMode, c.banks[i].programForMode) << banks[i].name;
        }
    }
}

TEST(ProgramResolution, RoundsAndClampsProgramAndMode) {
    const std::vector<Bank> banks = {{"three", {0, 1, 2}}, {"one", {3}}};
    struct Case {
        double program;
        double mode;
        int slot;
    };
    const Case cases[] = {{0, 0, 0}, {0, 7, 2},   {0, 1.5, 2},  {0, 1.49, 1}, {-0.4, -0.4, 0},
                          {3, 0, 3}, {0.5, 2, 3}, {0.49, 2, 2}, {1, 5, 3},    {0, -7, 0}};
    Fixture f;
    for (const Case& c : cases) {
        f.set(400, c.program);
        f.set(402, c.mode);
        EXPECT_EQ(f.plugin.resolveProgramIndex(banks), c.slot) << c.program << "/" << c.mode;
    }
    EXPECT_EQ(f.plugin.resolveProgramIndex({}), 0);
}

TEST(Construction, EmbeddedFirmwareFormsTheDefaultBank) {
    Fixture f;
    ASSERT_EQ(f.plugin.banks.size(), 1u);
    EXPECT_EQ(f.plugin.banks[0].name, "mp-corlinde-jr");
    EXPECT_EQ(f.plugin.banks[0].programForMode, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(f.value(400), 0.0);
    EXPECT_EQ(f.plugin.activeProgram.load(), 0);
    EXPECT_EQ(f.plugin.programName(1), "mp-corlinde-jr_1");
    EXPECT_EQ(f.plugin.modeCountFor(0), 3);
    EXPECT_TRUE(f.plugin.activeControlNames().valid);
    EXPECT_EQ(f.plugin.activeControlNames().name, "Corlinde Jr (KAVRO)");
    EXPECT_EQ(f.plugin.controlNames[2].name, "Corlinde Jr (VESTRA)");
}

// The table the build embeds: each row's name, its control-names text byte for byte, and a
// HEX text of the pedal's form that loads cleanly with the default settings.
TEST(Construction, EmbeddedTableCarriesThePedalsTexts) {
    struct Row {
        const char* name;
        const char* number;
        const char* label;
        std::size_t hexBytes;
        long hexLines;
        std::size_t words;
    };
    const Row rows[kEmbeddedProgramCount] = {
        {"mp-corlinde-jr_0", "0", "KAVRO", 3820, 31, 273},
        {"mp-corlinde-jr_1", "1", "DRISK", 3776, 30, 269},
        {"mp-corlinde-jr_2", "2", "VESTRA", 3636, 29, 253},
    };
    const fxcore::FXCoreCore::Presets defaults = fxcore::FXCoreProgram::defaultPresets();
    for (int k = 0; k < kEmbeddedProgramCount; ++k) {
        const Row& row = rows[k];
        const EmbeddedProgram& embedded = kEmbeddedPrograms[k];
        EXPECT_STREQ(embedded.name, row.name);
        const std::string label = row.label;
        const std::string names = test::pedalControlNamesText(row.number, label);
        ASSERT_NE(embedded.controlNamesText, nullptr) << k;
        EXPECT_EQ(std::string(embedded.controlNamesText), names) << k;

        ASSERT_NE(embedded.hexText, nullptr) << k;
        const std::string hex = embedded.hexText;
        EXPECT_EQ(hex.size(), row.hexBytes) << k;
        EXPECT_EQ(std::count(hex.begin(), hex.end(), '\n'), row.hexLines) << k;
        EXPECT_EQ(hex.find('\r'), std::string::npos) << k;
        EXPECT_EQ(hex.rfind(":00000001FF\n"), hex.size() - 12) << k;
        fxcore::FXCoreProgram program;
        const fxcore::FXCoreProgram::Result result = program.loadFromText(hex);
        EXPECT_TRUE(result.ok) << k << ": " << result.error;
        EXPECT_TRUE(result.warnings.empty()) << k;
        EXPECT_EQ(program.words.size(), row.words) << k;
        for (std::int32_t value : program.presets.creg) EXPECT_EQ(value, 0) << k;
        EXPECT_EQ(program.presets.sfr, defaults.sfr) << k;
        EXPECT_EQ(program.presets.userOutInitial, defaults.userOutInitial) << k;
        EXPECT_EQ(program.presets.tapLongPressSamples, 36000) << k;
        EXPECT_EQ(program.presets.tapDebounceSamples, 480) << k;
        EXPECT_EQ(program.presets.switchDebounceSamples, 480) << k;
    }
}

TEST(Queries, OutOfRangeAndEmptySlots) {
    Fixture f;
    EXPECT_EQ(f.plugin.programName(FXCorePlugin::kCustomSlot), "(no custom program)");
    EXPECT_EQ(f.plugin.programName(-1), "");
    EXPECT_EQ(f.plugin.programName(99), "");
    EXPECT_EQ(f.plugin.bankName(-1), "");
    EXPECT_EQ(f.plugin.bankName(99), "");
    EXPECT_EQ(f.plugin.modeCountFor(-1), 1);
    EXPECT_EQ(f.plugin.modeCountFor(99), 1);
    f.plugin.activeProgram.store(42);
    EXPECT_FALSE(f.plugin.activeControlNames().valid);
}

TEST(CustomProgram, LoadSelectsLoadedBankAndAppliesAtTheNextCheck) {
    Fixture f;
    const std::size_t embeddedBanks = f.plugin.banks.size();
    std::string error;
    ASSERT_TRUE(f.plugin.loadCustomHex(test::crossProgramHex(), "cross", error)) << error;
    ASSERT_EQ(f.plugin.banks.size(), embeddedBanks + 1);
    EXPECT_EQ(f.plugin.banks.back().name, "(loaded)");
    EXPECT_EQ(f.plugin.banks.back().programForMode, (std::vector<int>{FXCorePlugin::kCustomSlot}));
    EXPECT_EQ(f.value(400), static_cast<double>(embeddedBanks));
    EXPECT_EQ(f.value(402), 0.0);
    EXPECT_EQ(f.plugin.customName, "cross");
    EXPECT_EQ(f.plugin.customHex, test::crossProgramHex());
    EXPECT_EQ(f.plugin.programName(FXCorePlugin::kCustomSlot), "cross");
    EXPECT_EQ(f.plugin.modeCountFor(static_cast<int>(embeddedBanks)), 1);

    f.processBlock();
    EXPECT_EQ(f.plugin.appliedProgram, FXCorePlugin::kCustomSlot);
    EXPECT_EQ(f.plugin.activeProgram.load(), FXCorePlugin::kCustomSlot);
    EXPECT_EQ(f.plugin.core.loaded, 1);
    EXPECT_FALSE(f.plugin.activeControlNames().valid);

    // A second program replaces the first in the same slot and bank, and is applied although
    // the slot index did not change.
    f.processBlock();
    const auto countBefore = f.plugin.core.sampleCounter;
    ASSERT_TRUE(f.plugin.loadCustomHex(test::rightOnlyProgramHex(), "right", error)) << error;
    EXPECT_EQ(f.plugin.banks.size(), embeddedBanks + 1);
    f.block.inLeft().assign(512, 0.25f);
    f.block.inRight().assign(512, -0.5f);
    f.processBlock(16);
    EXPECT_LT(f.plugin.core.sampleCounter, countBefore);  // reloaded: the counter restarted
    EXPECT_EQ(f.block.outLeft()[15], -0.5f);              // output 0 now copies input 1
    EXPECT_EQ(f.plugin.appliedGeneration, 2u);
}

TEST(CustomProgram, WithoutAnyEmbeddedProgramTheLoadedBankIsBankZero) {
    Fixture f;
    for (auto& slot : f.plugin.programs) {
        slot.reset();
    }
    f.plugin.banks.clear();
    f.plugin.publishCatalogue(nullptr);
    f.processBlock();
    EXPECT_EQ(f.plugin.core.loaded, 0);  // nothing to run: silence
    std::string error;
    ASSERT_TRUE(f.plugin.loadCustomHex(test::crossProgramHex(), "only", error)) << error;
    ASSERT_EQ(f.plugin.banks.size(), 1u);
    EXPECT_EQ(f.value(400), 0.0);
    f.processBlock();
    EXPECT_EQ(f.plugin.core.loaded, 1);
    EXPECT_EQ(f.plugin.appliedProgram, FXCorePlugin::kCustomSlot);
}

TEST(CustomProgram, FailingLoadChangesNothing) {
    Fixture f;
    std::string error;
    ASSERT_TRUE(f.plugin.loadCustomHex(test::crossProgramHex(), "cross", error));
    f.set(402, 0.0);
    const auto banks = f.plugin.banks;
    const double program = f.value(400);

    fxcore::FXCoreProgram reference;
    const std::string expected = reference.loadFromText("not a hex text").error;
    EXPECT_FALSE(f.plugin.loadCustomHex("not a hex text", "bad", error));
    EXPECT_EQ(error, expected);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(f.plugin.banks.size(), banks.size());
    EXPECT_EQ(f.value(400), program);
    EXPECT_EQ(f.plugin.customName, "cross");
    EXPECT_EQ(f.plugin.programName(FXCorePlugin::kCustomSlot), "cross");
    EXPECT_EQ(f.plugin.customGeneration.load(), 1u);
}

TEST(ProgramSwitch, AppliesOnceAndRescansOnce) {
    Fixture f;
    std::string error;
    ASSERT_TRUE(f.plugin.loadCustomHex(test::crossProgramHex(), "cross", error));

    f.processBlock(64);
    EXPECT_EQ(f.host.callbacks.load(), 1);
    f.processBlock(64);
    EXPECT_EQ(f.host.callbacks.load(), 1);  // nothing changed: no second apply
    EXPECT_EQ(f.plugin.core.sampleCounter, 128u);

    // A Mode value past the one-mode bank resolves to the same slot: no reload, no rescan.
    f.set(402, 5.0);
    f.processBlock(64);
    EXPECT_EQ(f.plugin.core.sampleCounter, 192u);
    EXPECT_EQ(f.host.callbacks.load(), 1);

    // activate and a state load's request both force the next block to apply afresh; the two
    // applies before the main-thread callback come to one rescan.
    f.plugin.activate(48000.0, 1, 512);
    f.processBlock(64);
    f.plugin.requestProgramReapply();
    f.processBlock(32);
    EXPECT_EQ(f.plugin.core.sampleCounter, 32u);
    EXPECT_EQ(f.host.callbacks.load(), 3);
    f.plugin.onMainThread();
    f.plugin.onMainThread();
    EXPECT_EQ(f.host.rescans(), (std::vector<std::uint32_t>{CLAP_PARAM_RESCAN_INFO}));
}

TEST(ProgramSwitch, NoRescanWithoutHostParams) {
    RecordingHost host;
    host.offerParams = false;
    FXCorePlugin plugin(host.host());
    plugin.applyProgramIfChanged();
    plugin.onMainThread();
    EXPECT_EQ(host.callbacks.load(), 1);
    EXPECT_TRUE(host.rescans().empty());

    FXCorePlugin hostless(nullptr);  // a null host is tested before every use
    hostless.applyProgramIfChanged();
    hostless.onMainThread();
    EXPECT_EQ(hostless.appliedProgram, hostless.activeProgram.load());
}

TEST(Activation, RateAndPressStates) {
    struct Case {
        double given;
        double stored;
    };
    const Case cases[] = {{44100.0, 44100.0},  {0.0, 48000.0},
                          {-44100.0, 48000.0}, {std::nan(""), 48000.0},
                          {96000.0, 96000.0},  {std::numeric_limits<double>::infinity(), 48000.0}};
    for (const Case& c : cases) {
        Fixture f;
        f.plugin.pressCountdown.fill(7);
        f.plugin.appliedProgram = 2;
        EXPECT_TRUE(f.plugin.activate(c.given, 32, 512));
        EXPECT_EQ(f.plugin.sampleRate, c.stored);
        EXPECT_EQ(f.plugin.core.sampleRate, c.stored);
        EXPECT_EQ(f.plugin.appliedProgram, -1);
        EXPECT_EQ(f.plugin.pressCountdown[3], 0);
        EXPECT_GE(f.plugin.tailGet(), static_cast<std::uint32_t>(INT32_MAX)) << "an infinite tail";
    }

    Fixture f;
    f.processBlock();
    const int applied = f.plugin.appliedProgram;
    f.plugin.pressCountdown.fill(5);
    f.plugin.midiPulse.fill(9);
    f.plugin.reset();
    EXPECT_EQ(f.plugin.pressCountdown, (std::array<std::int32_t, 6>{}));
    EXPECT_EQ(f.plugin.midiPulse[0], 9);
    EXPECT_EQ(f.plugin.appliedProgram, applied);
}

// The echo and the reverb ring far longer than any fixed tail a host could be told (the delay
// memory's 32768 samples, 0.68 s at 48 kHz, cut them off): after a short burst the output is
// still well above silence in the second after twice that time, so the tail reported is
// infinite.
TEST(Tail, ProgramsRingPastTheDelayMemorysLength) {
    struct Case {
        const char* what;
        double mode;
        std::uint32_t pot;  // turned fully up
    };
    for (const Case c : {Case{"KAVRO, TWO (repeats) 1", 0.0, kParamPot0 + 2},
                         Case{"VESTRA, ONE (decay) 1", 2.0, kParamPot0}}) {
        Fixture f;
        f.plugin.activate(48000.0, 1, 512);
        f.set(kParamMode, c.mode);
        f.set(c.pot, 1.0);
        constexpr std::uint32_t kBlock = 480;
        for (int b = 0; b < 20; ++b) f.processBlock(kBlock);  // settle: pots smoothed, pedal engaged
        for (std::uint32_t i = 0; i < kBlock; ++i) {          // 10 ms of a 1 kHz tone
            f.block.inLeft()[i] = 0.5f * static_cast<float>(std::sin(2.0 * M_PI * 1000.0 * i / 48000.0));
            f.block.inRight()[i] = f.block.inLeft()[i];
        }
        f.processBlock(kBlock);
        std::fill(f.block.inLeft().begin(), f.block.inLeft().end(), 0.0f);
        std::fill(f.block.inRight().begin(), f.block.inRight().end(), 0.0f);
        float peak = 0.0f;
        for (std::uint32_t done = 0; done < 2 * 32768 + 48000; done += kBlock) {
            f.processBlock(kBlock);
            if (done >= 2 * 32768)
                for (std::uint32_t i = 0; i < kBlock; ++i)
                    peak =
                        std::max({peak, std::fabs(f.block.outLeft()[i]), std::fabs(f.block.outRight()[i])});
        }
        EXPECT_GT(peak, 1e-3f) << c.what;
        EXPECT_GE(f.plugin.tailGet(), static_cast<std::uint32_t>(INT32_MAX)) << c.what;
    }
}

// The count shows in what the first init does: it alone sets up the editor layer with its
// path, and a deinit before it (one that would count below zero) does not take that away.
// Nothing else in this executable sets up the editor layer.
TEST(Entry, FirstInitSetsUpTheEditorLayerAndUnmatchedDeinitsAreHarmless) {
    fxcore_entry_deinit();
#if CORLINDE_EDITOR
    ASSERT_FALSE(VSTGUI::isInitialized());
#endif
    EXPECT_TRUE(fxcore_entry_init("/first/corlinde-jr.clap"));
#if CORLINDE_EDITOR
    EXPECT_TRUE(VSTGUI::isInitialized());
    EXPECT_EQ(VSTGUI::initPath(), "/first/corlinde-jr.clap");
#endif
    EXPECT_TRUE(fxcore_entry_init(nullptr));
    EXPECT_TRUE(fxcore_entry_init("/no/such/path.clap"));
    for (int i = 0; i < 4; ++i) fxcore_entry_deinit();
    EXPECT_NE(fxcore_entry_get_factory(CLAP_PLUGIN_FACTORY_ID), nullptr);
    EXPECT_TRUE(fxcore_entry_init(nullptr));
    fxcore_entry_deinit();
}

}  // namespace
}  // namespace fxcoreplug
