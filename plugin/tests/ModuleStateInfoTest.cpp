// State and parameter info of the built corlinde-jr.clap as a host sees them through dlopen:
// a state saved by one instance restores a fresh one, custom program included, and the host
// is told to read the values again; the info names the pedal's controls.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plugin/tests/ClapModuleHost.h"
#include "plugin/tests/ClapTestEvents.h"
#include "plugin/tests/MemoryStreams.h"

namespace fxcoreplug::test {
namespace {

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An instance with the tables a host uses, activated and processing.
struct Running {
    Running(const ClapModule& module, RecordingHost& h) : instance(module, h) {
        plugin = instance.plugin();
        EXPECT_NE(plugin, nullptr);
        if (plugin == nullptr) return;
        params = instance.extension<clap_plugin_params>(CLAP_EXT_PARAMS);
        state = instance.extension<clap_plugin_state>(CLAP_EXT_STATE);
        plugin->activate(plugin, 44100.0, 1, 1024);
        plugin->start_processing(plugin);
    }
    ~Running() {
        if (plugin == nullptr) return;
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
    }
    void block(const InputEvents* in) {
        OutputEvents out;
        plugin->process(plugin, audio.process(256, in != nullptr ? in->list() : nullptr, out.list()));
    }
    std::vector<double> values() const {
        std::vector<double> v;
        for (std::uint32_t i = 0; i < params->count(plugin); ++i) {
            clap_param_info info{};
            params->get_info(plugin, i, &info);
            double x = 0.0;
            EXPECT_TRUE(params->get_value(plugin, info.id, &x));
            v.push_back(x);
        }
        return v;
    }
    std::string text(std::uint32_t id, double value) const {
        char buf[64] = {};
        return params->value_to_text(plugin, id, value, buf, sizeof buf) ? buf : "<false>";
    }
    clap_param_info info(std::uint32_t index) const {
        clap_param_info i{};
        EXPECT_TRUE(params->get_info(plugin, index, &i));
        return i;
    }

    ClapInstance instance;
    const clap_plugin* plugin = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    StereoBlock audio{256};
};

class ModuleStateInfo : public ::testing::Test {
protected:
    ClapModule module{CORLINDE_CLAP_MODULE_PATH};
    RecordingHost hostA;
    RecordingHost hostB;
};

TEST_F(ModuleStateInfo, StateRestoresAFreshInstance) {
    ASSERT_TRUE(module.loaded()) << module.error();
    const std::string hex = readFile(CORLINDE_CUSTOM_HEX_PATH);
    ASSERT_FALSE(hex.empty());

    Running a(module, hostA);
    MemoryIStream custom(StateBytes().header(2, 0).str("my-custom").str(hex).str("(loaded)").bytes());
    ASSERT_TRUE(a.state->load(a.plugin, custom.stream()));
    InputEvents moves;
    moves.paramValue(0, 100, 0.125)
        .paramValue(0, 204, 1.0)
        .paramValue(5, 402, 0.0)
        .paramValue(9, 500, -6.5)
        .paramValue(9, 401, 1.0);
    a.block(&moves);
    MemoryOStream saved(7);
    ASSERT_TRUE(a.state->save(a.plugin, saved.stream()));

    Running b(module, hostB);
    MemoryIStream in(saved.bytes(), 3);
    ASSERT_TRUE(b.state->load(b.plugin, in.stream()));
    EXPECT_EQ(b.values(), a.values());
    EXPECT_EQ(b.text(400, 1.0), "(loaded)");
    EXPECT_EQ(b.text(402, 0.0), "0: my-custom");
    EXPECT_EQ(hostB.rescans(), std::vector<std::uint32_t>{CLAP_PARAM_RESCAN_VALUES});
    MemoryOStream again;
    ASSERT_TRUE(b.state->save(b.plugin, again.stream()));
    EXPECT_EQ(again.bytes(), saved.bytes());

    // The next block runs the custom program: its info has no control names.
    b.block(nullptr);
    b.plugin->on_main_thread(b.plugin);
    EXPECT_STREQ(b.info(0).name, "POT0");
    EXPECT_EQ(b.info(15).flags & CLAP_PARAM_IS_HIDDEN, static_cast<std::uint32_t>(CLAP_PARAM_IS_HIDDEN))
        << "Mode";
}

TEST_F(ModuleStateInfo, InfoNamesThePedalsControls) {
    ASSERT_TRUE(module.loaded()) << module.error();
    Running p(module, hostA);
    InputEvents mode2;
    mode2.paramValue(0, 402, 2.0);
    p.block(&mode2);
    p.plugin->on_main_thread(p.plugin);
    std::vector<std::string> shown;
    for (std::uint32_t i = 0; i < p.params->count(p.plugin); ++i) {
        const clap_param_info info = p.info(i);
        if ((info.flags & CLAP_PARAM_IS_HIDDEN) == 0)
            shown.push_back(std::string(info.name) + " | " + info.module);
    }
    const std::vector<std::string> expected = {
        "ONE | Corlinde Jr (VESTRA)",
        "MIX | Corlinde Jr (VESTRA)",
        "TWO | Corlinde Jr (VESTRA)",
        "CLOCK | Corlinde Jr (VESTRA)",
        "TWEAK | Corlinde Jr (VESTRA)",
        "BYPASS | Corlinde Jr (VESTRA)",
        "Program | Program",
        "Monitor | Program",
        "Mode | Program",
        "Input Trim | Levels",
        "Output Trim | Levels",
    };
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(p.text(402, 2.0), "2: mp-corlinde-jr_2");
    EXPECT_EQ(p.text(400, 0.0), "mp-corlinde-jr");
}

}  // namespace
}  // namespace fxcoreplug::test
