// The built corlinde-jr.clap as a host sees it: loaded with dlopen, entry, factory, instance
// callbacks and extension tables through the real ABI.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <clapwrapper/vst3.h>

#include "plugin/tests/ClapModuleHost.h"
#include "plugin/tests/ClapTestEvents.h"

namespace fxcoreplug::test {
namespace {

class ClapModuleTest : public ::testing::Test {
protected:
    ClapModule module{CORLINDE_CLAP_MODULE_PATH};
    RecordingHost host;
};

TEST_F(ClapModuleTest, EntryAndFactory) {
    ASSERT_TRUE(module.loaded()) << module.error();
    const clap_plugin_entry* entry = module.entry();
    EXPECT_EQ(entry->clap_version.major, 1u);
    EXPECT_EQ(entry->clap_version.minor, 2u);
    EXPECT_EQ(entry->clap_version.revision, 6u);
    EXPECT_TRUE(entry->init(CORLINDE_CLAP_MODULE_PATH));  // a second init, matched below
    entry->deinit();

    for (const char* id : {static_cast<const char*>(nullptr), "", "clap.plugin-factory/2",
                           "clap.plugin-factory-info-as-vst3/0", "CLAP.PLUGIN-FACTORY"}) {
        EXPECT_EQ(entry->get_factory(id), nullptr) << (id != nullptr ? id : "null");
    }
    const clap_plugin_factory* factory = module.factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);

    const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->clap_version.major, 1u);
    EXPECT_EQ(d->clap_version.revision, 6u);
    EXPECT_STREQ(d->name, "Corlinde Jr");
    EXPECT_STREQ(d->vendor, "Morvith Pedals");
    EXPECT_STREQ(d->version, "0.1.0");
    EXPECT_STREQ(d->description, "Corlinde Jr -- FXCore emulation running the pedal's own firmware");
    EXPECT_STREQ(d->manual_url, "");
    EXPECT_STREQ(d->support_url, "");
    ASSERT_NE(d->url, nullptr);
    ASSERT_NE(d->id, nullptr);
    std::vector<std::string> features;
    for (const char* const* f = d->features; *f != nullptr; ++f) {
        features.emplace_back(*f);
    }
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "stereo"}));

    const std::string id = d->id;
    std::string upper = id;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    for (const std::string& wrong : {upper, id + "x", id.substr(0, id.size() - 1), std::string()}) {
        EXPECT_EQ(factory->create_plugin(factory, host.host(), wrong.c_str()), nullptr) << wrong;
    }
    EXPECT_EQ(factory->create_plugin(factory, host.host(), nullptr), nullptr);
}

TEST_F(ClapModuleTest, InstanceRecordAndExtensions) {
    ASSERT_TRUE(module.loaded()) << module.error();
    ClapInstance instance(module, host);
    const clap_plugin* plugin = instance.plugin();
    ASSERT_NE(plugin, nullptr);
    const clap_plugin_factory* factory = module.factory();
    EXPECT_EQ(plugin->desc, factory->get_plugin_descriptor(factory, 0));
    EXPECT_EQ(plugin->plugin_data, static_cast<const void*>(plugin));  // the record is the instance

    for (const char* id : {CLAP_EXT_AUDIO_PORTS, CLAP_EXT_PARAMS, CLAP_EXT_STATE, CLAP_EXT_TAIL,
                           CLAP_EXT_NOTE_PORTS, CLAP_PLUGIN_AS_VST3}) {
        EXPECT_NE(plugin->get_extension(plugin, id), nullptr) << id;
    }
    // The editor's tables exist exactly in a build with the editor.
    for (const char* id : {CLAP_EXT_GUI, CLAP_EXT_TIMER_SUPPORT, CLAP_EXT_POSIX_FD_SUPPORT}) {
        EXPECT_EQ(plugin->get_extension(plugin, id) != nullptr, CORLINDE_PLUGIN_HAS_GUI != 0) << id;
    }
    for (const char* id :
         {static_cast<const char*>(nullptr), "clap.latency", "clap.nope", "clap.params/2", "clap.render"}) {
        EXPECT_EQ(plugin->get_extension(plugin, id), nullptr) << (id != nullptr ? id : "null");
    }

    const auto* audio = instance.extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
    EXPECT_EQ(audio->count(plugin, true), 1u);
    EXPECT_EQ(audio->count(plugin, false), 1u);
    for (const bool isInput : {true, false}) {
        clap_audio_port_info info{};
        ASSERT_TRUE(audio->get(plugin, 0, isInput, &info));
        EXPECT_EQ(info.id, isInput ? 0u : 1u);
        EXPECT_STREQ(info.name, isInput ? "Input" : "Output");
        EXPECT_EQ(info.flags, static_cast<std::uint32_t>(CLAP_AUDIO_PORT_IS_MAIN));
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, "stereo");
        EXPECT_EQ(info.in_place_pair, CLAP_INVALID_ID);
        EXPECT_FALSE(audio->get(plugin, 1, isInput, &info));
    }

    const auto* notes = instance.extension<clap_plugin_note_ports>(CLAP_EXT_NOTE_PORTS);
    EXPECT_EQ(notes->count(plugin, true), 1u);
    EXPECT_EQ(notes->count(plugin, false), 0u);
    clap_note_port_info note{};
    ASSERT_TRUE(notes->get(plugin, 0, true, &note));
    EXPECT_EQ(note.id, 0u);
    EXPECT_EQ(note.supported_dialects, static_cast<std::uint32_t>(CLAP_NOTE_DIALECT_MIDI));
    EXPECT_EQ(note.preferred_dialect, static_cast<std::uint32_t>(CLAP_NOTE_DIALECT_MIDI));
    EXPECT_STREQ(note.name, "MIDI Control");
    EXPECT_FALSE(notes->get(plugin, 0, false, &note));
    EXPECT_FALSE(notes->get(plugin, 1, true, &note));
    EXPECT_FALSE(notes->get(plugin, 0, true, nullptr));

    const auto* vst3 = instance.extension<clap_plugin_as_vst3>(CLAP_PLUGIN_AS_VST3);
    EXPECT_EQ(vst3->getNumMIDIChannels(plugin, 0), 1u);
    EXPECT_EQ(vst3->getNumMIDIChannels(plugin, 3), 1u);
    EXPECT_EQ(vst3->supportedNoteExpressions(plugin), 0u);

    const auto* tail = instance.extension<clap_plugin_tail>(CLAP_EXT_TAIL);
    EXPECT_EQ(tail->get(plugin), static_cast<std::uint32_t>(INT32_MAX));  // infinite
    ASSERT_TRUE(plugin->activate(plugin, 44100.0, 1, 512));
    EXPECT_EQ(tail->get(plugin), static_cast<std::uint32_t>(INT32_MAX));
    plugin->deactivate(plugin);
}

TEST_F(ClapModuleTest, ProcessingLifecycleAndRescanRequests) {
    ASSERT_TRUE(module.loaded()) << module.error();
    ClapInstance instance(module, host);
    const clap_plugin* plugin = instance.plugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(plugin->init(plugin));
    ASSERT_TRUE(plugin->activate(plugin, 48000.0, 32, 512));
    ASSERT_TRUE(plugin->start_processing(plugin));

    StereoBlock block(512);
    InputEvents in;
    in.midi(0, 0xB5, 50, 127);
    OutputEvents out;
    const clap_process* p = block.process(512, in.list(), out.list());
    EXPECT_EQ(plugin->process(plugin, p), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(host.callbacks.load(), 1);  // the first block applies the program afresh
    EXPECT_EQ(plugin->process(plugin, block.process(512, nullptr, nullptr)), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(host.callbacks.load(), 1);
    plugin->on_main_thread(plugin);
    EXPECT_EQ(host.rescans(), (std::vector<std::uint32_t>{CLAP_PARAM_RESCAN_INFO}));

    clap_process noOutputs = *block.process(64, nullptr, nullptr);
    noOutputs.audio_outputs_count = 0;
    EXPECT_EQ(plugin->process(plugin, &noOutputs), CLAP_PROCESS_CONTINUE);

    plugin->reset(plugin);
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    ASSERT_TRUE(plugin->activate(plugin, 96000.0, 32, 512));
    plugin->start_processing(plugin);
    plugin->process(plugin, block.process(64, nullptr, nullptr));
    EXPECT_EQ(host.callbacks.load(), 2);  // activation asks for a fresh apply
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
}

}  // namespace
}  // namespace fxcoreplug::test
