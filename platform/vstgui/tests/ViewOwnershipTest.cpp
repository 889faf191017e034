// Reference counting, and the frame's ownership of the views added to it.
#include <gtest/gtest.h>

#include "TestViews.h"

using namespace VSTGUI;
using vstgui_test::ProbeView;

namespace {

struct Counted : CBaseObject {
    explicit Counted(int* d) : destroyed(d) {}
    ~Counted() override { ++*destroyed; }
    int* destroyed;
};

TEST(SharedPointer, RemembersWhatItHoldsAndAdoptsNewObjects) {
    int destroyed = 0;
    auto* raw = new Counted(&destroyed);
    {
        SharedPointer<Counted> a(raw);  // remembers: creator and a
        EXPECT_EQ(raw->getNbReference(), 2);
        SharedPointer<Counted> b = a;
        EXPECT_EQ(raw->getNbReference(), 3);
        SharedPointer<Counted> c = std::move(b);
        EXPECT_EQ(raw->getNbReference(), 3);
        EXPECT_EQ(b.get(), nullptr);
        c = nullptr;
        EXPECT_EQ(raw->getNbReference(), 2);
        a = a.get();  // self-assignment keeps the count
        EXPECT_EQ(raw->getNbReference(), 2);
    }
    EXPECT_EQ(destroyed, 0);
    raw->forget();
    EXPECT_EQ(destroyed, 1);

    {
        auto owned1 = owned(new Counted(&destroyed));
        EXPECT_EQ(owned1->getNbReference(), 1);
        auto made = makeOwned<Counted>(&destroyed);
        EXPECT_EQ(made->getNbReference(), 1);
        owned1 = made;  // the first object goes
        EXPECT_EQ(destroyed, 2);
        EXPECT_EQ(made->getNbReference(), 2);
    }
    EXPECT_EQ(destroyed, 3);
}

TEST(FrameOwnership, FrameTakesTheCreatorsReferenceAndCloseReleasesEverything) {
    int viewsGone = 0;
    auto* frame = new CFrame(CRect(0, 0, 100, 100), nullptr);
    ASSERT_TRUE(frame->open(nullptr));
    auto* a = new ProbeView(CRect(0, 0, 10, 10), CColor(255, 0, 0), &viewsGone);
    auto* b = new ProbeView(CRect(10, 0, 20, 10), CColor(0, 255, 0), &viewsGone);
    EXPECT_TRUE(frame->addView(a));
    EXPECT_TRUE(frame->addView(b));
    EXPECT_EQ(a->getNbReference(), 1);  // taken over, not added to
    EXPECT_EQ(a->getFrame(), frame);
    EXPECT_FALSE(frame->addView(a));  // already in a container
    EXPECT_FALSE(frame->addView(nullptr));
    EXPECT_EQ(frame->getNbViews(), 2u);

    // A view someone else also holds outlives the close.
    SharedPointer<CView> kept(b);
    int frameRefs = frame->getNbReference();
    EXPECT_EQ(frameRefs, 1);
    frame->close();  // the frame is deleted here
    EXPECT_EQ(viewsGone, 1);
    EXPECT_EQ(kept->getNbReference(), 1);
    EXPECT_EQ(kept->getFrame(), nullptr);
    kept = nullptr;
    EXPECT_EQ(viewsGone, 2);
}

TEST(FrameOwnership, RemoveViewForgetsOnlyWhenAsked) {
    int viewsGone = 0;
    SharedPointer<CFrame> frame = owned(new CFrame(CRect(0, 0, 50, 50), nullptr));
    auto* a = new ProbeView(CRect(0, 0, 10, 10), CColor(), &viewsGone);
    auto* b = new ProbeView(CRect(0, 0, 10, 10), CColor(), &viewsGone);
    frame->addView(a);
    frame->addView(b);
    EXPECT_TRUE(frame->removeView(a));
    EXPECT_EQ(viewsGone, 1);
    EXPECT_TRUE(frame->removeView(b, false));
    EXPECT_EQ(viewsGone, 1);
    EXPECT_EQ(b->getParentView(), nullptr);
    EXPECT_FALSE(frame->removeView(b));
    b->forget();
    EXPECT_EQ(viewsGone, 2);
}

TEST(FrameOwnership, ViewsLeftInADeletedFrameAreReleased) {
    int viewsGone = 0;
    {
        SharedPointer<CFrame> frame = owned(new CFrame(CRect(0, 0, 50, 50), nullptr));
        frame->addView(new ProbeView(CRect(0, 0, 10, 10), CColor(), &viewsGone));
    }
    EXPECT_EQ(viewsGone, 1);
}

TEST(ViewCopy, NewCopyIsAFreshViewSharingTheBackground) {
    auto background = vstgui_test::solidBitmap(2, 2, CColor(1, 2, 3));
    auto* original = new CView(CRect(1, 2, 3, 4));
    original->setBackground(background);
    original->setTransparency(true);
    original->setMouseEnabled(false);
    EXPECT_EQ(background->getNbReference(), 2);
    SharedPointer<CView> copy = owned(original->newCopy());
    EXPECT_EQ(copy->getNbReference(), 1);
    EXPECT_EQ(copy->getViewSize(), CRect(1, 2, 3, 4));
    EXPECT_EQ(copy->getBackground(), background.get());
    EXPECT_TRUE(copy->getTransparency());
    EXPECT_FALSE(copy->getMouseEnabled());
    EXPECT_EQ(background->getNbReference(), 3);
    original->forget();
    EXPECT_EQ(background->getNbReference(), 2);
}

}  // namespace
