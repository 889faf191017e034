// The panel catalogue and the panels the editor builds from it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "PanelTestSupport.h"
#include "editor/EmbeddedImages.h"
#include "editor/FootswitchView.h"
#include "editor/LedView.h"
#include "editor/PanelCatalogue.h"
#include "editor/RotaryKnob.h"
#include "editor/ToggleView.h"

using namespace fxcoreplug;
using panel_test::OpenEditor;
using VSTGUI::CRect;

namespace {

TEST(PanelCatalogue, LayoutNamedIsExact) {
    struct Case {
        const char* panel;
        int row;
    };
    for (const Case& c :
         {Case{"quavix", 0}, Case{"corlinde-jr", 1}, Case{"vantrel-noise-2", 2}, Case{"quenmoor", 3},
          Case{"kelvane-delay-classic", 4}, Case{"fenwhist-ambrel-classic", 5}, Case{"Corlinde-Jr", 0},
          Case{"corlinde-jr ", 0}, Case{"", 0}, Case{"corlinde", 0}})
        EXPECT_EQ(&layoutNamed(c.panel), &kPanels[c.row]) << '"' << c.panel << '"';
}

TEST(PanelCatalogue, Rows) {
    struct Row {
        const char* id;
        const char* background;
        int knobs, footswitches, lamps;
    };
    const Row rows[kPanelCount] = {{"quavix", "MP-ZELBRIN", 6, 2, 2},
                                   {"corlinde-jr", "mp-corlindejr", 6, 1, 1},
                                   {"vantrel-noise-2", "mp-vantrelnoise2", 1, 1, 1},
                                   {"quenmoor", "mp-quenmoor", 6, 2, 2},
                                   {"kelvane-delay-classic", "wq-kelvane-classic", 5, 1, 1},
                                   {"fenwhist-ambrel-classic", "wq-fenwhist-classic", 5, 1, 1}};
    for (int i = 0; i < kPanelCount; ++i) {
        const PanelLayout& p = kPanels[i];
        EXPECT_STREQ(p.id, rows[i].id);
        EXPECT_STREQ(p.backgroundImage, rows[i].background);
        EXPECT_EQ(p.knobCount, rows[i].knobs) << p.id;
        EXPECT_EQ(p.footswitchCount, rows[i].footswitches) << p.id;
        EXPECT_EQ(p.ledCount, rows[i].lamps) << p.id;
        EXPECT_EQ(p.width, 394);
        EXPECT_EQ(p.height, 722);
        // Every picture a row names is embedded at both densities.
        EXPECT_NE(findImage((std::string(p.backgroundImage) + "@2x").c_str()), nullptr) << p.id;
        std::set<std::int32_t> tags;
        for (int k = 0; k < p.knobCount; ++k) {
            EXPECT_NE(findImage((std::string(p.knobs[k].image) + "@2x").c_str()), nullptr)
                << p.knobs[k].image;
            EXPECT_GE(p.knobs[k].tag, 100);
            EXPECT_LE(p.knobs[k].tag, 105);
            tags.insert(p.knobs[k].tag);
        }
        EXPECT_EQ(tags.size(), static_cast<std::size_t>(p.knobCount)) << p.id;
        for (int f = 0; f < p.footswitchCount; ++f) {
            EXPECT_TRUE(p.footswitches[f].momentary);
            EXPECT_TRUE(p.footswitches[f].tag == 204 || p.footswitches[f].tag == 301);
        }
    }
    // Rows 4 and 5 differ in where pots 1 and 2 stand.
    EXPECT_EQ(kPanels[4].knobs[1].x, 92);
    EXPECT_EQ(kPanels[4].knobs[1].y, 284);
    EXPECT_EQ(kPanels[5].knobs[1].x, 301);
    EXPECT_EQ(kPanels[5].knobs[1].y, 95);
    EXPECT_EQ(kPanels[2].knobs[0].tag, 101);
    EXPECT_EQ(kPanels[4].ledSpecs[0].colour, VSTGUI::CColor(90, 255, 90, 255));
    EXPECT_EQ(kPanels[5].ledSpecs[0].colour, VSTGUI::CColor(90, 160, 255, 255));
}

TEST(PanelBuild, ThePedalsOwnPanel) {
    OpenEditor e;  // the embedded programs: panel corlinde-jr, pot 3 a mode toggle, lamps combined
    const PanelEditor& editor = *e.editor;
    const auto& controls = editor.getControls();
    ASSERT_EQ(controls.size(), 6u);  // five knobs, then the footswitch
    struct Knob {
        std::int32_t tag;
        CRect rect;
        std::size_t frameWidth;
    };
    const Knob knobs[] = {{100, CRect(25.5, 37.5, 120.5, 132.5), 190},
                          {101, CRect(148.5, 37.5, 243.5, 132.5), 190},
                          {102, CRect(271.5, 37.5, 366.5, 132.5), 190},
                          {104, CRect(175.5, 184.5, 216.5, 225.5), 82},
                          {105, CRect(299.5, 184.5, 340.5, 225.5), 82}};
    for (std::size_t i = 0; i < 5; ++i) {
        auto* knob = dynamic_cast<RotaryKnob*>(controls[i]);
        ASSERT_NE(knob, nullptr) << i;
        EXPECT_EQ(knob->getTag(), knobs[i].tag);
        EXPECT_EQ(knob->getViewSize(), knobs[i].rect) << knobs[i].tag;
        ASSERT_EQ(knob->getFrames().size(), 128u);
        EXPECT_EQ(knob->getFrames()[0]->getPlatformBitmap()->getSize().x,
                  static_cast<double>(knobs[i].frameWidth));
    }
    auto* footswitch = dynamic_cast<FootswitchView*>(controls[5]);
    ASSERT_NE(footswitch, nullptr);
    EXPECT_EQ(footswitch->getTag(), 204);
    EXPECT_EQ(footswitch->getViewSize(), CRect(155.5, 575.5, 236.5, 658.5));
    EXPECT_TRUE(footswitch->isMomentary());

    ASSERT_EQ(editor.getToggleBindings().size(), 1u);
    const auto& mode = editor.getToggleBindings()[0];
    EXPECT_EQ(mode.kind, ControlNames::Slot::ModeToggle);
    EXPECT_EQ(mode.view->getTag(), 402);
    EXPECT_EQ(mode.pot, 3);
    EXPECT_EQ(mode.view->getViewSize(), CRect(47.5, 175.5, 96.5, 234.5));  // 49 x 59 around (72, 205)
    EXPECT_EQ(mode.view->positionCount(), 3);

    LedView* lamp = editor.getLeds()[0];
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(editor.getLeds()[1], nullptr);
    EXPECT_TRUE(lamp->isBiColour());
    EXPECT_EQ(lamp->getViewSize(), CRect(176, 461, 216, 501));  // 40 points around (196, 481)

    // Drawing order: knobs and the toggle in pot order, the footswitch, the lamp.
    VSTGUI::CFrame* frame = editor.getFrame();
    ASSERT_EQ(frame->getNbViews(), 8u);
    EXPECT_EQ(frame->getView(3), mode.view);
    EXPECT_EQ(frame->getView(7), lamp);
    // Three large caps of their own and one small-knob series shared by pots 4 and 5.
    EXPECT_EQ(editor.getFrameCache().size(), 4u);
    EXPECT_EQ(editor.getFrameCache().count("small-knob@41"), 1u);
    EXPECT_EQ(dynamic_cast<RotaryKnob*>(controls[3])->getFrames()[5],
              dynamic_cast<RotaryKnob*>(controls[4])->getFrames()[5]);
}

TEST(PanelBuild, NamesWithoutTextGiveKnobsEverywhere) {
    OpenEditor e("");                                   // parsed: valid, no panel, every pot Empty
    EXPECT_TRUE(e.editor->getControls().size() == 2u);  // row 0: two footswitches, no knob
    FXCorePlugin plugin(nullptr);
    plugin.controlNames[static_cast<std::size_t>(plugin.activeProgram.load())] = ControlNames{};  // not valid
    VSTGUI::EventLoop loop;
    VSTGUI::EventLoop::Scope scope(loop);
    PanelEditor editor(plugin);
    editor.open(nullptr);
    ASSERT_EQ(editor.getControls().size(), 8u);  // row 0: six knobs, two footswitches
    EXPECT_TRUE(editor.getToggleBindings().empty());
    EXPECT_FALSE(editor.getLeds()[0]->isBiColour());
    EXPECT_FALSE(editor.getLeds()[1]->isBiColour());
    EXPECT_EQ(editor.getFrameCache().size(), 2u);  // fluted-large@73 and small-knob@41 shared
    EXPECT_EQ(editor.getControls()[6]->getTag(), 301);
    EXPECT_EQ(editor.getControls()[7]->getTag(), 204);
}

TEST(PanelBuild, GapsTogglesAndCombinedLampsOnOtherRows) {
    OpenEditor e("PANEL quavix\nLEDS combined\nPOT0 A\nPOT1 -\nPOT2 SW-TOGGLE SW3\nPOT4 B\n");
    const PanelEditor& editor = *e.editor;
    ASSERT_EQ(editor.getControls().size(), 4u);  // pots 0 and 4, two footswitches
    EXPECT_EQ(editor.getControls()[0]->getTag(), 100);
    EXPECT_EQ(editor.getControls()[1]->getTag(), 104);
    ASSERT_EQ(editor.getToggleBindings().size(), 1u);
    const auto& sw = editor.getToggleBindings()[0];
    EXPECT_EQ(sw.kind, ControlNames::Slot::SwToggle);
    EXPECT_EQ(sw.view->getTag(), 102);
    EXPECT_EQ(sw.swA, 3);
    EXPECT_EQ(sw.swB, -1);
    EXPECT_TRUE(editor.getLeds()[0]->isBiColour());
    EXPECT_TRUE(editor.getLeds()[1]->isBiColour());
    EXPECT_EQ(editor.getLeds()[1]->getViewSize(), CRect(318, 532, 358, 572));

    // Every row builds with its own pictures: knobs with frames and a background.
    for (const PanelLayout& row : kPanels) {
        OpenEditor each(
            (std::string("PANEL ") + row.id + "\nPOT0 A\nPOT1 B\nPOT2 C\nPOT3 D\nPOT4 E\nPOT5 F\n").c_str());
        EXPECT_EQ(each.editor->getControls().size(),
                  static_cast<std::size_t>(row.knobCount + row.footswitchCount));
        for (std::int32_t k = 0; k < row.knobCount; ++k)
            EXPECT_EQ(dynamic_cast<RotaryKnob*>(each.editor->getControls()[static_cast<std::size_t>(k)])
                          ->getFrames()
                          .size(),
                      128u)
                << row.id;
        EXPECT_NE(each.editor->getFrame()->getBackground(), nullptr) << row.id;
        const auto lampSize = static_cast<double>(std::lround(row.ledSpecs[0].size * 1.9));
        EXPECT_EQ(each.editor->getLeds()[0]->getWidth(), lampSize) << row.id;
    }
}

}  // namespace
