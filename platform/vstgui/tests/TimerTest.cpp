// Timers on an event loop with a manual clock, and the layer's initialisation.
#include <gtest/gtest.h>

#include <vector>

#include "TestViews.h"

using namespace VSTGUI;

namespace {

TEST(Timer, FiresEveryPeriodOfTheManualClock) {
    EventLoop loop;
    loop.useManualClock(1000);
    EventLoop::Scope scope(loop);
    std::vector<std::uint64_t> ticks;
    auto timer = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ticks.push_back(loop.nowMs()); }, 33u);
    EXPECT_TRUE(timer->isRunning());
    EXPECT_EQ(loop.shortestTimerPeriod(), 33u);
    loop.advanceClock(32);
    EXPECT_TRUE(ticks.empty());
    loop.advanceClock(1);
    loop.advanceClock(100);  // ticks at 66, 99 and 132 after start, each at its time
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1033, 1066, 1099, 1132}));
    timer->stop();
    loop.advanceClock(1000);
    EXPECT_EQ(ticks.size(), 4u);
    EXPECT_EQ(loop.shortestTimerPeriod(), 0u);
    timer->start();  // one period from now
    loop.advanceClock(33);
    EXPECT_EQ(ticks.back(), 2166u);
}

TEST(Timer, FireDueTimersFiresEachDueTimerOnce) {
    EventLoop loop;
    loop.useManualClock(0);
    EventLoop::Scope scope(loop);
    int fast = 0, slow = 0;
    auto a = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ++fast; }, 10u);
    auto b = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ++slow; }, 50u);
    EXPECT_EQ(loop.fireDueTimers(), 0u);
    EXPECT_EQ(loop.shortestTimerPeriod(), 10u);
    EXPECT_EQ(loop.runningTimerCount(), 2u);
    b->setFireTime(5);
    EXPECT_EQ(loop.shortestTimerPeriod(), 5u);
    EXPECT_EQ(b->getFireTime(), 5u);
    a = nullptr;  // a destroyed timer leaves the loop
    EXPECT_EQ(loop.runningTimerCount(), 1u);
    loop.advanceClock(5);
    EXPECT_EQ(slow, 1);
    EXPECT_EQ(fast, 0);
}

TEST(Timer, CallbackMayStopOrDestroyTimers) {
    EventLoop loop;
    loop.useManualClock(0);
    EventLoop::Scope scope(loop);
    int firstTicks = 0, secondTicks = 0;
    SharedPointer<CVSTGUITimer> second;
    auto first = makeOwned<CVSTGUITimer>(
        [&](CVSTGUITimer* self) {
            ++firstTicks;
            self->stop();
            second = nullptr;  // destroys the other timer, due at the same time
        },
        10u);
    second = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ++secondTicks; }, 10u);
    loop.advanceClock(50);
    EXPECT_EQ(firstTicks, 1);
    EXPECT_EQ(secondTicks, 0);
}

TEST(Timer, WithoutABoundLoopItNeverRuns) {
    ASSERT_EQ(EventLoop::current(), nullptr);
    int ticks = 0;
    auto timer = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ++ticks; }, 10u);
    EXPECT_FALSE(timer->isRunning());
    EXPECT_FALSE(timer->start());

    // A loop that dies first lets its timers go.
    SharedPointer<CVSTGUITimer> orphan;
    {
        EventLoop loop;
        EventLoop::Scope scope(loop);
        orphan = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ++ticks; }, 10u);
        EXPECT_TRUE(orphan->isRunning());
    }
    EXPECT_FALSE(orphan->isRunning());
    EXPECT_EQ(EventLoop::current(), nullptr);
    EXPECT_EQ(ticks, 0);
}

TEST(EventLoop, ScopesNestAndFramesOfTheLoopArePaintedByItsTicks) {
    EventLoop outer, inner;
    inner.useManualClock(0);
    {
        EventLoop::Scope a(outer);
        {
            EventLoop::Scope b(inner);
            EXPECT_EQ(EventLoop::current(), &inner);
        }
        EXPECT_EQ(EventLoop::current(), &outer);
    }
    EventLoop::Scope scope(inner);
    auto* frame = new CFrame(CRect(0, 0, 20, 20), nullptr);
    ASSERT_TRUE(frame->open(nullptr));
    EXPECT_TRUE(inner.fileDescriptors().empty());  // offscreen: no connection
    EXPECT_EQ(frame->getFileDescriptor(), -1);
    auto* view = new vstgui_test::ProbeView(CRect(0, 0, 20, 20), CColor(255, 0, 0));
    frame->addView(view);
    auto timer = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { view->invalid(); }, 33u);
    const int before = view->draws;
    inner.advanceClock(33);  // the tick invalidates; the loop paints after it
    EXPECT_EQ(view->draws, before + 1);
    inner.advanceClock(10);
    EXPECT_EQ(view->draws, before + 1);
    frame->close();
}

TEST(Init, FirstPathCountsAndLaterCallsChangeNothing) {
    EXPECT_FALSE(isInitialized());
    init("/usr/lib/clap/corlinde.clap");
    init("/elsewhere");
    EXPECT_TRUE(isInitialized());
    EXPECT_EQ(initPath(), "/usr/lib/clap/corlinde.clap");
}

}  // namespace

namespace {

TEST(Timer, HostTickAMillisecondEarlyStillFires) {
    EventLoop loop;
    loop.useManualClock(0);
    EventLoop::Scope scope(loop);
    int ticks = 0;
    auto timer = VSTGUI::makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ++ticks; }, 33u);
    loop.advanceClock(31);
    EXPECT_EQ(loop.fireDueTimers(), 0u);
    loop.advanceClock(1);  // 32: one millisecond early
    EXPECT_EQ(loop.fireDueTimers(), 1u);
    loop.advanceClock(33);  // 65: the next tick keeps its own schedule (66)
    EXPECT_EQ(loop.fireDueTimers(), 1u);
    EXPECT_EQ(ticks, 2);
}

}  // namespace
