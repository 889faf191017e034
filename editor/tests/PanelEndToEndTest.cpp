// The editor made through the plug-in's "clap.gui" table and drawn offscreen: a knob drag
// and a footswitch press reach the host as parameter events of the next processed block,
// and the press switches the firmware's bypass, which the lamp's user output 0 shows.
#include <gtest/gtest.h>

#include "FakeGuiHost.h"
#include "PanelTestSupport.h"
#include "editor/LedView.h"

using namespace fxcoreplug;
using test::gestureBegin;
using test::gestureEnd;
using test::valueEvent;

namespace {

constexpr double kRate = 48000.0;
constexpr std::uint32_t kBlock = 256;
constexpr int kDebounceSamples = 480;  // the firmware's switch timing

struct GuiEndToEnd : ::testing::Test {
    fxcoreplug_test::FakeGuiHost fakeHost;
    std::unique_ptr<FXCorePlugin> plugin = std::make_unique<FXCorePlugin>(&fakeHost.host);
    const clap_plugin* p = &plugin->clapPlugin;
    const clap_plugin_gui* gui = static_cast<const clap_plugin_gui*>(pluginGetExtension(p, CLAP_EXT_GUI));
    test::StereoBlock block{kBlock};
    test::OutputEvents out;

    void SetUp() override {
        ASSERT_TRUE(p->init(p));
        ASSERT_TRUE(p->activate(p, kRate, 1, kBlock));
        ASSERT_TRUE(p->start_processing(p));
        ASSERT_TRUE(gui->create(p, "x11", false));
        // Offscreen: no parent window (set_parent takes only a window); the ticks are called here.
        ASSERT_TRUE(plugin->editor->open(nullptr));
    }
    void TearDown() override {
        gui->destroy(p);
        p->stop_processing(p);
        p->deactivate(p);
    }
    void run(std::uint32_t frames) { p->process(p, block.process(frames, nullptr, out.list())); }
    void mouse(VSTGUI::Event&& e) { plugin->editor->getFrame()->dispatchEvent(e); }
    float dutyOfOutput0() {
        float duty[2] = {0, 0};
        plugin->core.readUserDuty(duty);
        return duty[0];
    }
};

TEST_F(GuiEndToEnd, KnobDragReachesTheHostAtTheNextBlock) {
    using VSTGUI::CPoint;
    mouse(VSTGUI::MouseDownEvent(CPoint(319, 85), VSTGUI::kLButton));
    mouse(VSTGUI::MouseMoveEvent(CPoint(319, 45), VSTGUI::kLButton));
    mouse(VSTGUI::MouseMoveEvent(CPoint(339, 45), VSTGUI::kLButton));
    mouse(VSTGUI::MouseUpEvent(CPoint(339, 45), VSTGUI::kLButton));
    EXPECT_TRUE(out.seen().empty());
    run(kBlock);
    EXPECT_EQ(out.seen(),
              (std::vector<test::SeenEvent>{gestureBegin(102), valueEvent(102, static_cast<double>(0.7f)),
                                            valueEvent(102, static_cast<double>(0.8f)), gestureEnd(102)}));
    out.clear();
    run(kBlock);
    EXPECT_TRUE(out.seen().empty());
}

TEST_F(GuiEndToEnd, FootswitchPressTogglesTheBypass) {
    for (int i = 0; i < 8; ++i) run(kBlock);  // the program applied, the pedal engaged
    ASSERT_EQ(dutyOfOutput0(), 1.0f);
    plugin->editor->clickAt(196, 617);
    run(16);
    EXPECT_EQ(out.seen(), (std::vector<test::SeenEvent>{gestureBegin(204), valueEvent(204, 1.0),
                                                        valueEvent(204, 0.0), gestureEnd(204)}));
    // Output 0 goes off once the press has been debounced, and stays off.
    int samples = 16;
    while (dutyOfOutput0() == 1.0f && samples < 4800) {
        run(16);
        samples += 16;
    }
    EXPECT_NEAR(samples, kDebounceSamples, 16) << "off after " << samples << " samples";
    run(kBlock);
    EXPECT_EQ(dutyOfOutput0(), 0.0f);

    // The editor's combined lamp follows at its next tick: with output 0 off it shows output
    // 1 alone (the mode's activity) in the second colour, or nothing.
    plugin->editor->onTimer();
    run(kBlock);
    plugin->editor->onTimer();
    LedView* lamp = plugin->editor->getLeds()[0];
    ASSERT_NE(lamp, nullptr);
    float duty[2] = {0, 0};
    plugin->core.readUserDuty(duty);  // the fractions of the tick again
    EXPECT_EQ(duty[0], 0.0f);
    EXPECT_FLOAT_EQ(lamp->getBrightness(), duty[1]);
    if (duty[1] > 0.0f) {
        EXPECT_EQ(lamp->getActiveColour(), VSTGUI::CColor(90, 255, 90, 255));
    }
}

}  // namespace
