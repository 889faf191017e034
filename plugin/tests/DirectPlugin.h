#pragma once
// One instance made in the test's own process (the plug-in library linked in), reached the way
// a host reaches it: through its clap_plugin record and the extension tables that
// get_extension hands out. The editor's entry points, which no host calls, are reached on the
// instance itself.

#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"
#include "plugin/tests/RecordingHost.h"

#include <clap/clap.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace fxcoreplug::test {

class DirectPlugin {
public:
    explicit DirectPlugin(double sampleRate = 48000.0)
        : instance(std::make_unique<FXCorePlugin>(host.host())), clap(&instance->clapPlugin) {
        params = static_cast<const clap_plugin_params*>(clap->get_extension(clap, CLAP_EXT_PARAMS));
        state = static_cast<const clap_plugin_state*>(clap->get_extension(clap, CLAP_EXT_STATE));
        EXPECT_NE(params, nullptr);
        EXPECT_NE(state, nullptr);
        clap->init(clap);
        clap->activate(clap, sampleRate, 1, 4096);
        clap->start_processing(clap);
    }
    DirectPlugin(const DirectPlugin&) = delete;
    DirectPlugin& operator=(const DirectPlugin&) = delete;
    ~DirectPlugin() {
        clap->stop_processing(clap);
        clap->deactivate(clap);
        instance.reset();  // the record dies with the instance; destroy would free it twice
    }

    // One processed block of frames with the given input events (may be null).
    void processBlock(std::uint32_t frames, const InputEvents* in, OutputEvents* out) {
        clap->process(clap, block_.process(frames, in != nullptr ? in->list() : nullptr,
                                           out != nullptr ? out->list() : nullptr));
    }
    // A flush with no input events.
    void flush(OutputEvents& out) {
        const InputEvents none;
        params->flush(clap, none.list(), out.list());
    }
    double value(std::uint32_t id) const {
        double v = -12345.0;
        EXPECT_TRUE(params->get_value(clap, id, &v)) << id;
        return v;
    }
    std::string text(std::uint32_t id, double value, std::uint32_t size = 256) const {
        std::string buf(size, '\x7f');
        if (!params->value_to_text(clap, id, value, buf.data(), size)) return "<false>";
        return std::string(buf.c_str());
    }
    clap_param_info info(std::uint32_t index) const {
        clap_param_info i{};
        EXPECT_TRUE(params->get_info(clap, index, &i)) << index;
        return i;
    }

    RecordingHost host;
    std::unique_ptr<FXCorePlugin> instance;
    const clap_plugin* clap;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;

private:
    StereoBlock block_{4096};
};

}  // namespace fxcoreplug::test
