// The editor's changes on their way to the host: the ring, its limit, the event layouts and
// the order of a block's output events.

#include "plugin/tests/DirectPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <random>

namespace fxcoreplug::test {
namespace {

TEST(GuiHandoff, RingHolds255ChangesAndCountsWhatItDrops) {
    DirectPlugin p;
    FXCorePlugin& plugin = *p.instance;
    for (int round = 0; round < 2; ++round) {
        p.host.flushRequests = 0;
        for (std::uint32_t i = 0; i < 255; ++i) {
            ASSERT_TRUE(plugin.pushGuiChange(1000 + i, 0.0, FXCorePlugin::kGestureBegin)) << i;
        }
        EXPECT_EQ(p.host.flushRequests.load(), 255);
        EXPECT_FALSE(plugin.pushGuiChange(7, 0.0, FXCorePlugin::kGestureEnd));
        EXPECT_EQ(p.host.flushRequests.load(), 255) << "no flush is asked for a dropped change";
        EXPECT_EQ(plugin.droppedGuiChanges(), static_cast<std::uint64_t>(2 * round + 1));

        // A full ring loses the notice, never the value.
        plugin.guiSetParamValue(kParamPot0, 0.25);
        EXPECT_EQ(p.value(kParamPot0), 0.25);
        EXPECT_EQ(plugin.droppedGuiChanges(), static_cast<std::uint64_t>(2 * round + 2));

        OutputEvents out;
        p.flush(out);
        ASSERT_EQ(out.seen().size(), 255u);
        for (std::uint32_t i = 0; i < 255; ++i) EXPECT_EQ(out.seen()[i], gestureBegin(1000 + i)) << i;
    }
}

// Random pushes and drains against a shadow queue of what should wait.
TEST(GuiHandoff, RingMatchesAShadowQueue) {
    DirectPlugin p;
    FXCorePlugin& plugin = *p.instance;
    std::mt19937 rng(1234);
    std::deque<SeenEvent> shadow;
    std::uint64_t dropped = 0;
    OutputEvents out;
    for (int step = 0; step < 20000; ++step) {
        if (rng() % 300 == 0) {
            out.clear();
            p.flush(out);
            ASSERT_EQ(out.seen().size(), shadow.size()) << step;
            for (std::size_t k = 0; k < shadow.size(); ++k) ASSERT_EQ(out.seen()[k], shadow[k]) << step;
            shadow.clear();
            continue;
        }
        const auto id = static_cast<std::uint32_t>(rng() % 5000);
        const double v = static_cast<double>(rng() % 1000) / 1000.0;
        const bool accepted = plugin.pushGuiChange(id, v, FXCorePlugin::kValue);
        EXPECT_EQ(accepted, shadow.size() < 255) << step;
        if (accepted) {
            shadow.push_back(valueEvent(id, v));
        } else {
            ++dropped;
        }
    }
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(plugin.droppedGuiChanges(), dropped);
}

TEST(GuiHandoff, EventLayoutsAndFlagOrder) {
    DirectPlugin p;
    p.instance->pushGuiChange(12345, 0.75,
                              FXCorePlugin::kGestureEnd | FXCorePlugin::kValue | FXCorePlugin::kGestureBegin);
    OutputEvents out;
    p.flush(out);
    ASSERT_EQ(out.raw().size(), 3u);
    EXPECT_EQ(out.seen()[0], gestureBegin(12345));
    EXPECT_EQ(out.seen()[1], valueEvent(12345, 0.75));
    EXPECT_EQ(out.seen()[2], gestureEnd(12345));

    for (std::size_t k : {0u, 2u}) {
        ASSERT_EQ(out.raw()[k].size(), sizeof(clap_event_param_gesture));
        clap_event_param_gesture g;
        std::memcpy(&g, out.raw()[k].data(), sizeof g);
        EXPECT_EQ(g.header.size, 20u);
        EXPECT_EQ(g.header.time, 0u);
        EXPECT_EQ(g.header.space_id, 0u);
        EXPECT_EQ(g.header.type, k == 0 ? 7u : 8u);
        EXPECT_EQ(g.header.flags, 0u);
        EXPECT_EQ(g.param_id, 12345u);
    }
    ASSERT_EQ(out.raw()[1].size(), sizeof(clap_event_param_value));
    clap_event_param_value v;
    std::memcpy(&v, out.raw()[1].data(), sizeof v);
    EXPECT_EQ(v.header.size, 56u);
    EXPECT_EQ(v.header.time, 0u);
    EXPECT_EQ(v.header.space_id, 0u);
    EXPECT_EQ(v.header.type, 5u);
    EXPECT_EQ(v.header.flags, 0u);
    EXPECT_EQ(v.cookie, nullptr);
    EXPECT_EQ(v.note_id, -1);
    EXPECT_EQ(v.port_index, -1);
    EXPECT_EQ(v.channel, -1);
    EXPECT_EQ(v.key, -1);
    EXPECT_EQ(v.value, 0.75);
}

TEST(GuiHandoff, EditorWritesAreClampedStoredAndQueued) {
    struct Case {
        const char* what;
        bool normalized;
        std::uint32_t id;
        double in;
        double stored;
    };
    const Case cases[] = {
        {"pot past the top", true, kParamPot0, 1.2, 1.0},
        {"trim at the middle", true, kParamInputTrim, 0.5, 0.0},
        {"trim at the bottom", true, kParamOutputTrim, 0.0, -24.0},
        {"mode past its range", false, kParamMode, 9.0, 7.0},
        {"plain pot", false, kParamPot0 + 5, 0.3, 0.3},
        {"plain trim below", false, kParamInputTrim, -30.0, -24.0},
    };
    for (const Case& c : cases) {
        DirectPlugin p;
        if (c.normalized) {
            p.instance->guiSetParam(c.id, c.in);
        } else {
            p.instance->guiSetParamValue(c.id, c.in);
        }
        EXPECT_EQ(p.value(c.id), c.stored) << c.what;
        EXPECT_EQ(p.host.flushRequests.load(), 1) << c.what;
        OutputEvents out;
        p.flush(out);
        ASSERT_EQ(out.seen().size(), 1u) << c.what;
        EXPECT_EQ(out.seen()[0], valueEvent(c.id, c.stored)) << c.what;
    }
}

TEST(GuiHandoff, RefusedWritesQueueNothing) {
    DirectPlugin p;
    FXCorePlugin& plugin = *p.instance;
    plugin.guiSetParam(999, 0.5);
    plugin.guiSetParamValue(999, 0.5);
    plugin.guiSetParam(kParamPot0, std::numeric_limits<double>::quiet_NaN());
    plugin.guiSetParamValue(kParamPot0, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(p.value(kParamPot0), 0.5);
    EXPECT_EQ(p.host.flushRequests.load(), 0);
    OutputEvents out;
    p.flush(out);
    EXPECT_TRUE(out.seen().empty());

    // Gestures are not looked up: any id goes to the host as it came.
    plugin.guiBeginGesture(12345);
    plugin.guiEndGesture(12345);
    p.flush(out);
    EXPECT_EQ(out.seen(), (std::vector<SeenEvent>{gestureBegin(12345), gestureEnd(12345)}));
}

TEST(GuiHandoff, EntriesWaitForAnOutputListAndRefusedEventsAreConsumed) {
    DirectPlugin p;
    FXCorePlugin& plugin = *p.instance;
    plugin.guiSetParamValue(kParamPot0, 0.1);
    plugin.drainGuiQueue(nullptr);
    p.processBlock(64, nullptr, nullptr);  // a block without an output list keeps them too

    OutputEvents refusing;
    refusing.refuseAll = true;
    plugin.guiSetParamValue(kParamPot0, 0.2);
    p.flush(refusing);
    EXPECT_EQ(refusing.refused, 2u);

    OutputEvents out;
    p.flush(out);
    EXPECT_TRUE(out.seen().empty()) << "refused events are lost, their entries consumed";
    EXPECT_EQ(p.value(kParamPot0), 0.2);
}

TEST(GuiHandoff, TriggerSwitchSetsOnlyValidPressBits) {
    DirectPlugin p;
    FXCorePlugin& plugin = *p.instance;
    plugin.triggerSwitch(5);
    plugin.triggerSwitch(0);
    plugin.triggerSwitch(6);
    plugin.triggerSwitch(-1);
    plugin.triggerSwitch(std::numeric_limits<int>::min());
    EXPECT_EQ(plugin.pendingPresses.load(), (1u << 5) | 1u);
    EXPECT_EQ(p.host.flushRequests.load(), 0);
}

// A knob turned in the editor while MIDI moves another pot: the block's output events are the
// MIDI-driven value first, then the editor's gesture in order, all at time 0.
TEST(GuiHandoff, BlockSendsMidiValuesThenTheEditorsGestures) {
    DirectPlugin p;
    FXCorePlugin& plugin = *p.instance;
    plugin.guiBeginGesture(kParamPot0 + 1);
    plugin.guiSetParam(kParamPot0 + 1, 0.25);
    plugin.guiSetParam(kParamPot0 + 1, 0.5);
    plugin.guiEndGesture(kParamPot0 + 1);

    InputEvents in;
    in.midi(10, 0xB3, 50, 127);  // CC 50 on channel 4 moves POT0
    OutputEvents out;
    p.processBlock(128, &in, &out);
    const std::vector<SeenEvent> expected = {
        valueEvent(kParamPot0, 1.0),     gestureBegin(kParamPot0 + 1), valueEvent(kParamPot0 + 1, 0.25),
        valueEvent(kParamPot0 + 1, 0.5), gestureEnd(kParamPot0 + 1),
    };
    EXPECT_EQ(out.seen(), expected);
    for (const auto& raw : out.raw()) {
        clap_event_header h;
        std::memcpy(&h, raw.data(), sizeof h);
        EXPECT_EQ(h.time, 0u);
    }
    out.clear();
    p.processBlock(128, nullptr, &out);
    EXPECT_TRUE(out.seen().empty());
}

}  // namespace
}  // namespace fxcoreplug::test
