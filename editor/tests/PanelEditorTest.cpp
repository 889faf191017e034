// The editor on offscreen frames, driven as the host drives it: open and close, scale, the
// timer's poll of parameters and lamps, and the roads from the user's gestures to the
// plug-in's change ring and press mask.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "PanelTestSupport.h"
#include "editor/FootswitchView.h"
#include "editor/LedView.h"
#include "editor/PanelCatalogue.h"
#include "editor/RotaryKnob.h"
#include "editor/ToggleView.h"

using namespace fxcoreplug;
using panel_test::OpenEditor;
using VSTGUI::EventType;

namespace {

// Host events as "begin 100", "value 100 0.55", "end 100".
std::vector<std::string> describe(const std::vector<test::SeenEvent>& events) {
    std::vector<std::string> out;
    for (const auto& e : events) {
        char text[64];
        if (e.type == CLAP_EVENT_PARAM_VALUE)
            std::snprintf(text, sizeof text, "value %u %.4g", e.paramId, e.value);
        else
            std::snprintf(text, sizeof text, "%s %u",
                          e.type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? "begin" : "end", e.paramId);
        out.emplace_back(text);
    }
    return out;
}

// Every pot position of the pedal's panel filled differently: knobs, a gap, a switch
// toggle with two switches, one with none, and a pot toggle.
constexpr const char* kMixedNames =
    "PANEL corlinde-jr\nPOT0 ONE\nPOT1 MIX\nPOT2 -\nPOT3 SW-TOGGLE SW1 SW2\nPOT4 SW-TOGGLE\nPOT5 POT-TOGGLE\n";
constexpr double kToggleUp = 180.0, kToggleMiddle = 205.0, kToggleDown = 230.0;  // y of the thirds

ToggleView* toggleAt(const PanelEditor& editor, int pot) {
    for (const auto& b : editor.getToggleBindings())
        if (b.pot == pot) return b.view;
    return nullptr;
}

VSTGUI::CControl* controlTagged(const PanelEditor& editor, std::int32_t tag) {
    for (auto* c : editor.getControls())
        if (c->getTag() == tag) return c;
    return nullptr;
}

TEST(PanelEditorLifecycle, OpenTwiceCloseTwiceReopen) {
    OpenEditor e;
    PanelEditor& editor = *e.editor;
    ASSERT_TRUE(editor.isOpen());
    VSTGUI::CFrame* first = editor.getFrame();
    const auto views = first->getNbViews();
    EXPECT_TRUE(editor.open(nullptr));  // builds nothing more
    EXPECT_EQ(editor.getFrame(), first);
    EXPECT_EQ(first->getNbViews(), views);
    EXPECT_EQ(e.loop.runningTimerCount(), 1u);

    editor.close();
    editor.close();
    EXPECT_FALSE(editor.isOpen());
    EXPECT_TRUE(editor.getControls().empty());
    EXPECT_TRUE(editor.getToggleBindings().empty());
    EXPECT_TRUE(editor.getFrameCache().empty());
    EXPECT_EQ(editor.getLeds()[0], nullptr);
    EXPECT_EQ(e.loop.runningTimerCount(), 0u);
    editor.clickAt(196, 617);  // closed: nothing
    EXPECT_TRUE(e.sent().empty());

    ASSERT_TRUE(editor.open(nullptr));
    EXPECT_EQ(editor.getFrame()->getNbViews(), views);
    EXPECT_EQ(editor.getFrameCache().size(), 4u);  // rendered again
    EXPECT_EQ(e.loop.runningTimerCount(), 1u);
}

TEST(PanelEditorLifecycle, SizeFollowsTheScale) {
    FXCorePlugin plugin(nullptr);
    PanelEditor editor(plugin);
    struct Case {
        double scale;
        std::uint32_t w, h;
    };
    for (const Case& c :
         {Case{1.0, 394, 722}, Case{1.5, 591, 1083}, Case{2.0, 788, 1444}, Case{0.0, 394, 722},
          Case{-2.0, 394, 722}, Case{std::nan(""), 394, 722}, Case{INFINITY, 394, 722}}) {
        editor.setScale(c.scale);
        std::uint32_t w = 0, h = 0;
        editor.getSize(w, h);
        EXPECT_EQ(w, c.w) << c.scale;
        EXPECT_EQ(h, c.h) << c.scale;
    }
    editor.setScale(2.0);
    ASSERT_TRUE(editor.open(nullptr));
    EXPECT_EQ(editor.getFrame()->copyImage()->getSize(), VSTGUI::CPoint(788, 1444));
    editor.setScale(1.0);
    EXPECT_EQ(editor.getFrame()->getZoom(), 1.0);
}

TEST(PanelEditorSync, OpenShowsValuesTogglesWaitForTheFirstTick) {
    auto plugin = std::make_unique<FXCorePlugin>(nullptr);
    plugin->writeParam(101, 0.8);
    plugin->writeParam(kParamMode, 1);
    VSTGUI::EventLoop loop;
    loop.useManualClock(0);
    VSTGUI::EventLoop::Scope scope(loop);
    PanelEditor editor(*plugin);
    editor.open(nullptr);
    EXPECT_FLOAT_EQ(controlTagged(editor, 101)->getValueNormalized(), 0.8f);
    EXPECT_FLOAT_EQ(controlTagged(editor, 100)->getValueNormalized(), 0.5f);
    EXPECT_EQ(toggleAt(editor, 3)->position(), 1);
    loop.advanceClock(32);
    EXPECT_EQ(toggleAt(editor, 3)->position(), 1);
    loop.advanceClock(1);
    EXPECT_EQ(toggleAt(editor, 3)->position(), 2);  // mode 1 shows the lever down
}

TEST(PanelEditorSync, TickToleranceAndDragProtection) {
    OpenEditor e;
    VSTGUI::CControl* knob = controlTagged(*e.editor, 100);
    e.plugin->writeParam(100, 0.5 + 0.00005);
    e.ticks(1);
    EXPECT_FLOAT_EQ(knob->getValueNormalized(), 0.5f);
    e.plugin->writeParam(100, 0.501);
    e.ticks(1);
    EXPECT_FLOAT_EQ(knob->getValueNormalized(), 0.501f);

    e.mouse(EventType::MouseDown, 73, 85);  // hold knob 0
    EXPECT_EQ(e.editor->getEditingControl(), knob);
    e.plugin->writeParam(100, 0.9);
    e.plugin->writeParam(101, 0.9);
    e.ticks(3);
    EXPECT_FLOAT_EQ(knob->getValueNormalized(), 0.501f);                         // held: left alone
    EXPECT_FLOAT_EQ(controlTagged(*e.editor, 101)->getValueNormalized(), 0.9f);  // others follow
    e.mouse(EventType::MouseUp, 73, 85);
    EXPECT_EQ(e.editor->getEditingControl(), nullptr);
    e.ticks(1);
    EXPECT_FLOAT_EQ(knob->getValueNormalized(), 0.9f);

    // syncFromPlugin has no tolerance.
    e.plugin->writeParam(101, 0.90003);
    e.editor->syncFromPlugin();
    EXPECT_FLOAT_EQ(controlTagged(*e.editor, 101)->getValueNormalized(), 0.90003f);
}

TEST(PanelEditorSync, TogglesFollowTheParameters) {
    {
        OpenEditor e;  // the pedal's mode toggle
        ToggleView* mode = toggleAt(*e.editor, 3);
        for (auto [m, position] : {std::pair{0, 1}, {1, 2}, {2, 0}, {5, 0}, {0, 1}, {7, 1}}) {
            e.plugin->writeParam(kParamMode, m);
            e.ticks(1);
            EXPECT_EQ(mode->position(), position) << "mode " << m;
        }
    }
    OpenEditor e(kMixedNames);
    ToggleView* sw = toggleAt(*e.editor, 3);
    ToggleView* pot = toggleAt(*e.editor, 5);
    for (auto [a, b, position] : {std::tuple{1.0, 1.0, 0}, {0.0, 1.0, 2}, {0.0, 0.0, 1}, {1.0, 0.0, 0}}) {
        e.plugin->writeParam(201, a);
        e.plugin->writeParam(202, b);
        e.ticks(1);
        EXPECT_EQ(sw->position(), position) << a << "," << b;
    }
    for (auto [v, position] :
         {std::pair{0.75, 0}, {0.25, 0}, {0.9, 1}, {0.1, 2}, {0.5, 0}, {1.0, 1}, {0.0, 2}}) {
        e.plugin->writeParam(105, v);
        e.ticks(1);
        EXPECT_EQ(pot->position(), position) << v;
    }
    EXPECT_TRUE(e.sent().empty());  // following the parameters reports nothing
}

TEST(PanelEditorRoads, KnobDragIsOneGesture) {
    OpenEditor e;
    e.mouse(EventType::MouseDown, 196, 85);
    e.mouse(EventType::MouseMove, 196, 75);
    e.mouse(EventType::MouseMove, 206, 75);
    e.mouse(EventType::MouseUp, 206, 75);
    EXPECT_EQ(describe(e.sent()),
              (std::vector<std::string>{"begin 101", "value 101 0.55", "value 101 0.6", "end 101"}));
    EXPECT_DOUBLE_EQ(e.plugin->paramValue(101), static_cast<double>(0.6f));
    EXPECT_EQ(e.presses(), 0u);
}

TEST(PanelEditorRoads, FootswitchPressesTheSwitch) {
    {
        OpenEditor e;  // the pedal's footswitch, 204
        e.mouse(EventType::MouseDown, 196, 617);
        EXPECT_EQ(describe(e.sent()), (std::vector<std::string>{"begin 204", "value 204 1"}));
        EXPECT_EQ(e.presses(), 1u << 4);
        EXPECT_EQ(e.plugin->paramValue(204), 1.0);
        e.ticks(2);  // the held footswitch stays down
        EXPECT_EQ(controlTagged(*e.editor, 204)->getValue(), 1.0f);
        e.mouse(EventType::MouseUp, 196, 617);
        EXPECT_EQ(describe(e.sent()), (std::vector<std::string>{"value 204 0", "end 204"}));
        EXPECT_EQ(e.presses(), 0u);  // the release presses nothing
        e.editor->clickAt(196, 617);
        EXPECT_EQ(describe(e.sent()),
                  (std::vector<std::string>{"begin 204", "value 204 1", "value 204 0", "end 204"}));
        EXPECT_EQ(e.presses(), 1u << 4);
    }
    OpenEditor e("PANEL quavix\nPOT0 A\n");  // the tap footswitch, 301
    e.editor->clickAt(72, 626);
    EXPECT_EQ(describe(e.sent()),
              (std::vector<std::string>{"begin 301", "value 301 1", "value 301 0", "end 301"}));
    EXPECT_EQ(e.presses(), 1u << 5);
}

TEST(PanelEditorRoads, TogglesSendTheirValuesInsideTheirOwnGesture) {
    OpenEditor e(kMixedNames);
    struct Case {
        double x, y;
        std::vector<std::string> events;
    };
    for (const Case& c : std::vector<Case>{
             {72, kToggleUp, {"begin 103", "value 201 1", "value 202 0", "end 103"}},
             {72, kToggleDown, {"begin 103", "value 201 0", "value 202 1", "end 103"}},
             {72, kToggleMiddle, {"begin 103", "value 201 0", "value 202 0", "end 103"}},
             {72, kToggleMiddle, {}},                     // already there
             {196, kToggleUp, {"begin 104", "end 104"}},  // no linked switch
             {320, kToggleUp, {"begin 105", "value 105 0.5", "end 105"}},
             {320, kToggleDown, {"begin 105", "value 105 0", "end 105"}},
             {320, kToggleMiddle, {"begin 105", "value 105 1", "end 105"}},
         }) {
        e.editor->clickAt(c.x, c.y);
        EXPECT_EQ(describe(e.sent()), c.events) << c.x << "," << c.y;
    }
    EXPECT_EQ(e.presses(), 0u);

    OpenEditor pedal;
    for (auto [y, mode] : {std::pair{kToggleUp, 2}, {kToggleDown, 1}, {kToggleMiddle, 0}}) {
        pedal.editor->clickAt(72, y);
        EXPECT_EQ(describe(pedal.sent()),
                  (std::vector<std::string>{"begin 402", "value 402 " + std::to_string(mode), "end 402"}));
    }
}

TEST(PanelEditorRoads, CloseEndsTheGestureBeingHeld) {
    {
        OpenEditor e;
        e.mouse(EventType::MouseDown, 73, 85);
        e.mouse(EventType::MouseMove, 73, 65);
        e.editor->close();
        EXPECT_EQ(describe(e.sent()), (std::vector<std::string>{"begin 100", "value 100 0.6", "end 100"}));
        EXPECT_EQ(e.editor->getEditingControl(), nullptr);
    }
    OpenEditor e;
    e.mouse(EventType::MouseDown, 196, 617);
    e.presses();
    e.editor->close();  // the footswitch is let go: value 0, then the end
    EXPECT_EQ(describe(e.sent()),
              (std::vector<std::string>{"begin 204", "value 204 1", "value 204 0", "end 204"}));
    EXPECT_EQ(e.plugin->paramValue(204), 0.0);
    EXPECT_EQ(e.presses(), 0u);
    EXPECT_EQ(e.editor->getEditingControl(), nullptr);

    OpenEditor lost;  // the window system takes the grab away
    lost.mouse(EventType::MouseDown, 196, 617);
    VSTGUI::MouseCancelEvent cancel;
    lost.editor->getFrame()->dispatchEvent(cancel);
    EXPECT_EQ(describe(lost.sent()),
              (std::vector<std::string>{"begin 204", "value 204 1", "value 204 0", "end 204"}));
    lost.mouse(EventType::MouseUp, 196, 617);  // the late release changes nothing
    EXPECT_TRUE(lost.sent().empty());
}

// --- lamps, with the firmware running -----------------------------------------------------

struct Running : OpenEditor {
    test::StereoBlock block{1600};
    explicit Running(const char* names = nullptr) : OpenEditor(names) { plugin->activate(48000.0, 1, 1600); }
    // One tick's worth of audio (1600 samples at 48 kHz, 33.3 ms), then the tick.
    void runTick() {
        plugin->process(block.process(1600, nullptr, nullptr));
        ticks(1);
    }
};

TEST(PanelEditorLamps, CombinedLampShowsBothOutputs) {
    Running e;  // the pedal's programs combine the lamps
    LedView* lamp = e.editor->getLeds()[0];
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(e.editor->getLeds()[1], nullptr);
    ASSERT_TRUE(lamp->isBiColour());
    e.runTick();
    EXPECT_FLOAT_EQ(lamp->getBrightness(), 1.0f);  // engaged: output 0 on throughout
}

TEST(PanelEditorLamps, SingleLampsShowTheirOwnOutput) {
    Running e("PANEL corlinde-jr\nPOT0 A\n");  // one lamp, not combined: output 0 only
    LedView* lamp = e.editor->getLeds()[0];
    ASSERT_FALSE(lamp->isBiColour());
    e.runTick();
    EXPECT_FLOAT_EQ(lamp->getBrightness(), 1.0f);
    Running two("PANEL quavix\nPOT0 A\n");
    two.runTick();
    float duty[2] = {0, 0};
    two.plugin->core.readUserDuty(duty);  // no sample since: the tick's fractions again
    EXPECT_FLOAT_EQ(two.editor->getLeds()[0]->getBrightness(), duty[0]);
    EXPECT_NEAR(two.editor->getLeds()[1]->getBrightness(), duty[1], 0.004);
}

TEST(PanelEditorIdle, TenSecondsOfTicksRedrawNothing) {
    // The pedal's own names but single lamps: user output 0 is steady (on while engaged),
    // while output 1 follows the mode's activity and would blink a combined lamp.
    Running e("PANEL corlinde-jr\nPOT0 ONE\nPOT1 MIX\nPOT2 TWO\nPOT3 MODE\nPOT4 CLOCK\nPOT5 TWEAK\n");
    for (int i = 0; i < 4; ++i) e.runTick();  // settle: lamp lit, first paint done
    VSTGUI::CFrame* frame = e.editor->getFrame();
    frame->paint();
    const std::uint64_t paints = frame->getPaintCount();
    const int ticks = 10000 / static_cast<int>(PanelEditor::kTimerPeriodMs);
    for (int i = 0; i < ticks; ++i) e.runTick();
    EXPECT_EQ(frame->getPaintCount(), paints) << "over " << ticks << " ticks with the firmware running";
    e.ticks(ticks);  // no audio: the duty read repeats the last fractions
    EXPECT_EQ(frame->getPaintCount(), paints) << "over " << ticks << " ticks without audio";
    // And a change is drawn.
    e.plugin->writeParam(100, 0.1);
    e.ticks(1);
    EXPECT_EQ(frame->getPaintCount(), paints + 1);
}

}  // namespace
