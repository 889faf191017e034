// Control values and edits, the listener's defaults, and the knob's mouse and wheel editing.
#include <gtest/gtest.h>

#include <cmath>

#include "TestViews.h"

using namespace VSTGUI;
using vstgui_test::RecordingListener;
using Calls = std::vector<std::string>;

namespace {

TEST(Control, ValuesAreLimitedAndNeverReachTheListener) {
    RecordingListener listener;
    SharedPointer<CControl> control = owned(new CControl(CRect(0, 0, 10, 10), &listener, 7));
    control->setMin(0);
    control->setMax(2);
    control->setValue(1.5f);
    EXPECT_FLOAT_EQ(control->getValue(), 1.5f);
    EXPECT_FLOAT_EQ(control->getValueNormalized(), 0.75f);
    control->setValue(5.0f);
    EXPECT_FLOAT_EQ(control->getValue(), 2.0f);
    control->setValueNormalized(0.25f);
    EXPECT_FLOAT_EQ(control->getValue(), 0.5f);
    control->setValueNormalized(-3.0f);
    EXPECT_FLOAT_EQ(control->getValue(), 0.0f);
    control->setValueNormalized(1.0f);
    control->setValueNormalized(std::nanf(""));
    control->setValue(std::nanf(""));
    EXPECT_FLOAT_EQ(control->getValue(), 2.0f);
    EXPECT_TRUE(listener.calls.empty());

    control->setMin(1);
    control->setMax(1);
    EXPECT_FLOAT_EQ(control->getValueNormalized(), 0.0f);  // empty range
}

TEST(Control, EditsReachTheListenerInOrder) {
    RecordingListener listener;
    SharedPointer<CControl> control = owned(new CControl(CRect(0, 0, 10, 10), &listener, 3));
    control->beginEdit();
    EXPECT_TRUE(control->isEditing());
    control->setValueNormalized(0.5f);
    control->valueChanged();
    control->endEdit();
    EXPECT_FALSE(control->isEditing());
    EXPECT_EQ(listener.calls, (Calls{"begin 3", "value 3 0.500000", "end 3"}));
}

TEST(ControlListener, DefaultsAnswerZeroAndDoNothing) {
    struct OnlyValues : IControlListener {
        int values = 0;
        void valueChanged(CControl*) override { ++values; }
    } listener;
    SharedPointer<CControl> control = owned(new CControl(CRect(0, 0, 1, 1), &listener, 1));
    IControlListener& base = listener;
    EXPECT_EQ(base.controlModifierClicked(control, CButtonState(kLButton | kShift)), 0);
    control->beginEdit();
    control->setTag(9);  // tag-change notifications go to the defaults
    control->endEdit();
    EXPECT_EQ(control->getTag(), 9);
    EXPECT_EQ(listener.values, 0);
}

TEST(Control, SetTagTellsTheListenerBeforeAndAfter) {
    struct TagListener : IControlListener {
        std::vector<std::int32_t> seen;
        void valueChanged(CControl*) override {}
        void controlTagWillChange(CControl* c) override { seen.push_back(c->getTag()); }
        void controlTagDidChange(CControl* c) override { seen.push_back(c->getTag()); }
    } listener;
    SharedPointer<CControl> control = owned(new CControl(CRect(0, 0, 1, 1), &listener, 4));
    control->setTag(5);
    EXPECT_EQ(listener.seen, (std::vector<std::int32_t>{4, 5}));
}

TEST(ButtonState, LeftButtonAloneIgnoresModifiersAndDoubleClick) {
    EXPECT_EQ(kMouseButtonMask, 0x30E);
    EXPECT_EQ(static_cast<int>(kMouseEventHandled), 1);
    EXPECT_EQ(static_cast<int>(kMouseEventNotHandled), 2);
    EXPECT_TRUE(CButtonState(kLButton).isLeftButton());
    EXPECT_TRUE(CButtonState(kLButton | kShift | kApple | kDoubleClick).isLeftButton());
    EXPECT_FALSE(CButtonState(kLButton | kRButton).isLeftButton());
    EXPECT_FALSE(CButtonState(kLButton | kButton5).isLeftButton());
    EXPECT_FALSE(CButtonState(kMButton).isLeftButton());
    EXPECT_FALSE(CButtonState(0).isLeftButton());
}

// A knob in an offscreen frame, driven through dispatchEvent as the editor and the window do.
struct KnobFixture : ::testing::Test {
    void SetUp() override {
        CFrame::kDefaultKnobMode = kLinearMode;
        frame = new CFrame(CRect(0, 0, 300, 300), nullptr);
        ASSERT_TRUE(frame->open(nullptr));
        knob = new CKnob(CRect(100, 100, 150, 150), &listener, 101, nullptr, nullptr);
        frame->addView(knob);
    }
    void TearDown() override { frame->close(); }
    void down(double x, double y, std::int32_t buttons = kLButton) {
        MouseDownEvent e(CPoint(x, y), buttons);
        frame->dispatchEvent(e);
        consumed = e.consumed;
    }
    void move(double x, double y) {
        MouseMoveEvent e(CPoint(x, y), kLButton);
        frame->dispatchEvent(e);
    }
    void up(double x, double y) {
        MouseUpEvent e(CPoint(x, y), kLButton);
        frame->dispatchEvent(e);
    }
    void wheel(double x, double y, double notches) {
        MouseWheelEvent e(CPoint(x, y), 0.0, notches);
        frame->dispatchEvent(e);
        consumed = e.consumed;
    }

    RecordingListener listener;
    CFrame* frame = nullptr;
    CKnob* knob = nullptr;
    bool consumed = false;
};

TEST_F(KnobFixture, LinearDragFollowsStraightMovesAndBracketsTheEdit) {
    down(125, 125);
    EXPECT_TRUE(consumed);
    move(125, 75);    // 50 points up: a quarter of the range
    move(175, 75);    // and 50 right: half
    move(175, 75);    // no change, no report
    move(400, -400);  // far outside the knob: the grab keeps it, the value stops at 1
    up(400, -400);
    EXPECT_FLOAT_EQ(knob->getValueNormalized(), 1.0f);
    EXPECT_EQ(listener.calls, (Calls{"begin 101", "value 101 0.250000", "value 101 0.500000",
                                     "value 101 1.000000", "end 101"}));
    listener.calls.clear();
    move(125, 200);  // no press held: nothing
    EXPECT_TRUE(listener.calls.empty());

    // Dragging down from a value ends at 0.
    down(125, 125);
    move(125, 125 + CKnobBase::kLinearDragRange + 10);
    up(125, 400);
    EXPECT_FLOAT_EQ(knob->getValueNormalized(), 0.0f);
    EXPECT_EQ(listener.calls.back(), "end 101");
}

TEST_F(KnobFixture, OnlyALeftPressStartsAnEdit) {
    for (std::int32_t buttons :
         {std::int32_t{kRButton}, std::int32_t{kMButton}, std::int32_t{kLButton | kRButton}}) {
        down(125, 125, buttons);
        EXPECT_FALSE(consumed);
        up(125, 125);
    }
    down(10, 10);  // beside the knob
    EXPECT_FALSE(consumed);
    up(10, 10);
    EXPECT_TRUE(listener.calls.empty());
}

TEST_F(KnobFixture, ModifierClickAsksTheListenerFirst) {
    struct Taking : RecordingListener {
        std::int32_t answer = 1;
        std::int32_t controlModifierClicked(CControl*, CButtonState) override {
            calls.push_back("modifier");
            return answer;
        }
    } taking;
    knob->setListener(&taking);
    down(125, 125, kLButton | kShift);
    up(125, 125);
    EXPECT_EQ(taking.calls, (Calls{"modifier"}));
    taking.calls.clear();
    taking.answer = 0;  // the knob handles the click itself
    down(125, 125, kLButton | kShift);
    up(125, 125);
    EXPECT_EQ(taking.calls, (Calls{"modifier", "begin 101", "end 101"}));
}

TEST_F(KnobFixture, WheelNotchIsOneCompleteEdit) {
    wheel(125, 125, 1.0);
    EXPECT_TRUE(consumed);
    EXPECT_EQ(listener.calls, (Calls{"begin 101", "value 101 0.100000", "end 101"}));
    knob->setValueNormalized(0.95f);
    listener.calls.clear();
    wheel(125, 125, 1.0);
    EXPECT_FLOAT_EQ(knob->getValueNormalized(), 1.0f);
    wheel(125, 125, 1.0);  // already at the top: begin and end only
    EXPECT_EQ(listener.calls, (Calls{"begin 101", "value 101 1.000000", "end 101", "begin 101", "end 101"}));
    listener.calls.clear();
    wheel(10, 10, -1.0);  // not over the knob
    EXPECT_FALSE(consumed);
    EXPECT_TRUE(listener.calls.empty());
}

TEST_F(KnobFixture, CopyKeepsValueTagAndListener) {
    knob->setValueNormalized(0.3f);
    SharedPointer<CView> copy = owned(knob->newCopy());
    auto* copied = dynamic_cast<CKnob*>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_FLOAT_EQ(copied->getValueNormalized(), 0.3f);
    EXPECT_EQ(copied->getTag(), 101);
    EXPECT_EQ(copied->getListener(), &listener);
    EXPECT_EQ(copied->getFrame(), nullptr);
}

TEST(FrameEvents, PressGoesToTheTopmostViewThatHandlesIt) {
    auto* frame = new CFrame(CRect(0, 0, 100, 100), nullptr);
    frame->open(nullptr);
    auto* below = new vstgui_test::ProbeView(CRect(0, 0, 50, 50), CColor());
    auto* above = new vstgui_test::ProbeView(CRect(0, 0, 50, 50), CColor());
    frame->addView(below);
    frame->addView(above);
    above->handlesMouse = false;
    MouseDownEvent press(CPoint(10, 10), kLButton);
    frame->dispatchEvent(press);
    MouseMoveEvent drag(CPoint(80, 80), kLButton);  // outside both: the grab still delivers
    frame->dispatchEvent(drag);
    MouseUpEvent release(CPoint(80, 80), kLButton);
    frame->dispatchEvent(release);
    EXPECT_EQ(above->mouse, (Calls{"down 2"}));
    EXPECT_EQ(below->mouse, (Calls{"down 2", "move", "up 2"}));
    EXPECT_EQ(below->lastPoint, CPoint(80, 80));

    // A view removed during its grab gets nothing more.
    MouseDownEvent again(CPoint(10, 10), kLButton);
    frame->dispatchEvent(again);
    SharedPointer<CView> keep(below);
    frame->removeView(below);
    MouseUpEvent late(CPoint(10, 10), kLButton);
    frame->dispatchEvent(late);
    EXPECT_EQ(below->mouse.back(), "down 2");
    frame->close();
}

}  // namespace
