// What a host sees through "clap.params": the info of every parameter for the embedded
// programs and for a custom program, the value texts and text-to-value.

#include "plugin/tests/DirectPlugin.h"
#include "plugin/tests/MemoryStreams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace fxcoreplug::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct InfoRow {
    std::uint32_t id;
    const char* name;
    const char* module;  // null: the pedal's display name for the running mode
    bool hidden;
};

void expectInfo(DirectPlugin& p, const InfoRow (&rows)[18], const std::string& pedalGroup) {
    ASSERT_EQ(p.params->count(p.clap), 18u);
    for (std::uint32_t index = 0; index < 18; ++index) {
        const InfoRow& row = rows[index];
        const clap_param_info info = p.info(index);
        const FXCorePlugin::ParamDef& def = FXCorePlugin::paramDefs()[index];
        EXPECT_EQ(info.id, row.id) << index;
        EXPECT_STREQ(info.name, row.name) << row.id;
        EXPECT_EQ(std::string(info.module), row.module != nullptr ? row.module : pedalGroup) << row.id;
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_HIDDEN) != 0, row.hidden) << row.id;
        EXPECT_EQ(info.flags & ~static_cast<std::uint32_t>(CLAP_PARAM_IS_HIDDEN), def.flags) << row.id;
        EXPECT_EQ(info.cookie, nullptr);
        EXPECT_EQ(info.min_value, def.minValue) << row.id;
        EXPECT_EQ(info.max_value, def.maxValue) << row.id;
        EXPECT_EQ(info.default_value, def.defaultValue) << row.id;
    }
}

void selectMode(DirectPlugin& p, double mode) {
    InputEvents in;
    in.paramValue(0, kParamMode, mode);
    p.processBlock(32, &in, nullptr);
}

TEST(ParamInfo, EmbeddedProgramsShowThePrintedPanel) {
    const InfoRow rows[18] = {
        {100, "ONE", nullptr, false},         {101, "MIX", nullptr, false},
        {102, "TWO", nullptr, false},         {103, "Kavro/Drisk/Vestra", nullptr, true},
        {104, "CLOCK", nullptr, false},       {105, "TWEAK", nullptr, false},
        {200, "SW0", nullptr, true},          {201, "SW1", nullptr, true},
        {202, "SW2", nullptr, true},          {203, "SW3", nullptr, true},
        {204, "BYPASS", nullptr, false},      {300, "ENABLE", nullptr, true},
        {301, "TAP", nullptr, true},          {400, "Program", "Program", false},
        {401, "Monitor", "Program", false},   {402, "Mode", "Program", false},
        {500, "Input Trim", "Levels", false}, {501, "Output Trim", "Levels", false},
    };
    DirectPlugin p;
    // Before any block the constructor's selection (mode 0) is what the host sees.
    expectInfo(p, rows, "Corlinde Jr (KAVRO)");
    const char* labels[3] = {"KAVRO", "DRISK", "VESTRA"};
    for (int mode : {1, 2, 0}) {
        selectMode(p, mode);
        expectInfo(p, rows, std::string("Corlinde Jr (") + labels[mode] + ")");
    }
}

TEST(ParamInfo, CustomProgramShowsTheTableAndHidesMode) {
    const InfoRow rows[18] = {
        {100, "POT0", "Pots", false},         {101, "POT1", "Pots", false},
        {102, "POT2", "Pots", false},         {103, "POT3", "Pots", false},
        {104, "POT4", "Pots", false},         {105, "POT5", "Pots", false},
        {200, "SW0", "Switches", false},      {201, "SW1", "Switches", false},
        {202, "SW2", "Switches", false},      {203, "SW3", "Switches", false},
        {204, "SW4", "Switches", false},      {300, "ENABLE", "Switches", true},
        {301, "TAP", "Switches", false},      {400, "Program", "Program", false},
        {401, "Monitor", "Program", false},   {402, "Mode", "Program", true},
        {500, "Input Trim", "Levels", false}, {501, "Output Trim", "Levels", false},
    };
    DirectPlugin p;
    MemoryIStream in(
        StateBytes().header(2, 0).str("mine").str(kEmbeddedPrograms[0].hexText).str("(loaded)").bytes());
    ASSERT_TRUE(p.state->load(p.clap, in.stream()));
    p.processBlock(32, nullptr, nullptr);
    ASSERT_EQ(p.instance->activeProgram.load(), FXCorePlugin::kCustomSlot);
    expectInfo(p, rows, "");
}

TEST(ParamInfo, LookupsOutsideTheTable) {
    DirectPlugin p;
    clap_param_info info{};
    info.id = 77;
    EXPECT_FALSE(p.params->get_info(p.clap, 18, &info));
    EXPECT_EQ(info.id, 77u) << "untouched";
    EXPECT_EQ(p.info(0).id, 100u);
    double v = 4.5;
    EXPECT_FALSE(p.params->get_value(p.clap, 999, &v));
    EXPECT_EQ(v, 4.5);
    EXPECT_EQ(p.text(999, 1.0), "<false>");
    EXPECT_TRUE(p.params->text_to_value(p.clap, 999, "3", &v));
    EXPECT_EQ(v, 3.0);
    EXPECT_EQ(p.value(kParamEnable), 1.0);
}

TEST(ParamInfo, ValueTexts) {
    struct Case {
        std::uint32_t id;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {100, 0.5, "0.500"},
        {105, 1.0 / 3.0, "0.333"},
        {200, 0.5, "pressed"},
        {200, 0.49, "released"},
        {204, kNaN, "released"},
        {301, 1.0, "pressed"},
        {300, 1.0, "engaged"},
        {300, 0.0, "off"},
        {401, 1.0, "OUT2 / OUT3"},
        {401, 0.0, "OUT0 / OUT1"},
        {500, -6.0, "-6.0 dB"},
        {501, 24.0, "24.0 dB"},
        {400, 0.0, "mp-corlinde-jr"},
        {400, 0.49, "mp-corlinde-jr"},
        {400, -0.5, "-"},
        {400, 1.0, "-"},
        {400, kNaN, "-"},
        {400, 1e300, "-"},
        {400, -std::numeric_limits<double>::infinity(), "-"},
        {402, 0.0, "0: mp-corlinde-jr_0"},
        {402, 1.0, "1: mp-corlinde-jr_1"},
        {402, 1.5, "2: mp-corlinde-jr_2"},
        {402, 5.0, "-"},
        {402, -1.0, "-"},
        {402, kNaN, "-"},
        {402, 3e9, "-"},
    };
    DirectPlugin p;
    for (const Case& c : cases) EXPECT_EQ(p.text(c.id, c.value), c.text) << c.id << " " << c.value;
}

TEST(ParamInfo, ValueTextsOfBanksAndCustomSlot) {
    DirectPlugin p;
    MemoryIStream in(
        StateBytes().header(2, 0).str("mine").str(kEmbeddedPrograms[1].hexText).str("(loaded)").bytes());
    ASSERT_TRUE(p.state->load(p.clap, in.stream()));
    EXPECT_EQ(p.text(kParamProgram, 1.0), "(loaded)");
    EXPECT_EQ(p.text(kParamProgram, 2.0), "-") << "two banks";
    EXPECT_EQ(p.text(kParamMode, 0.0), "0: mine") << "the selected bank is (loaded)";
    EXPECT_EQ(p.text(kParamMode, 1.0), "-");

    // A bank whose mode names the custom slot while that slot is empty.
    DirectPlugin q;
    q.instance->banks.push_back(FXCorePlugin::Bank{"custom-only", {FXCorePlugin::kCustomSlot}});
    q.instance->slotFor(kParamProgram)->store(1.0);
    EXPECT_EQ(q.text(kParamMode, 0.0), "0: (no custom program)");
}

TEST(ParamInfo, TextsAreCutToTheHostsBuffer) {
    DirectPlugin p;
    EXPECT_EQ(p.text(200, 0.0, 4), "rel");
    EXPECT_EQ(p.text(402, 1.0, 6), "1: mp");
    EXPECT_EQ(p.text(400, 0.0, 1), "");
    char untouched = 'x';
    EXPECT_FALSE(p.params->value_to_text(p.clap, 200, 0.0, &untouched, 0));
    EXPECT_EQ(untouched, 'x');
}

TEST(ParamInfo, TextToValue) {
    struct Case {
        std::uint32_t id;
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {200, "pressed", true, 1.0},
        {200, "released", true, 0.0},
        {203, "off", true, 0.0},
        {204, "on", true, 1.0},
        {301, "none", true, 1.0},
        {300, "engaged", true, 1.0},
        {300, "1", true, 0.0},
        {300, "Pressed", true, 0.0},
        {400, "mp-corlinde-jr", true, 0.0},
        {400, "mp-corlinde-jr ", false, 0.0},
        {400, "(loaded)", false, 0.0},
        {402, "1: mp-corlinde-jr_1", true, 1.0},
        {500, "-6.0 dB", true, -6.0},
        {501, "  12", true, 12.0},
        {500, "dB", false, 0.0},
        {401, "OUT2 / OUT3", false, 0.0},
        {100, "nan", false, 0.0},
        {100, "inf", true, std::numeric_limits<double>::infinity()},
        {501, "-inf dB", true, -std::numeric_limits<double>::infinity()},
        {500, "1e999", true, std::numeric_limits<double>::infinity()},
        {100, "", false, 0.0},
    };
    DirectPlugin p;
    for (const Case& c : cases) {
        double v = -99.0;
        EXPECT_EQ(p.params->text_to_value(p.clap, c.id, c.text, &v), c.ok) << c.id << " '" << c.text << "'";
        EXPECT_EQ(v, c.ok ? c.value : -99.0) << c.id << " '" << c.text << "'";
    }
    double v = 0.0;
    EXPECT_FALSE(p.params->text_to_value(p.clap, 200, nullptr, &v));

    MemoryIStream in(StateBytes().header(2, 0).str("mine").str(kEmbeddedPrograms[1].hexText).str("").bytes());
    ASSERT_TRUE(p.state->load(p.clap, in.stream()));
    EXPECT_TRUE(p.params->text_to_value(p.clap, 400, "(loaded)", &v));
    EXPECT_EQ(v, 1.0);
}

}  // namespace
}  // namespace fxcoreplug::test
