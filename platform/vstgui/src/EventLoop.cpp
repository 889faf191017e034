#include "vstgui/EventLoop.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "vstgui/CFrame.h"
#include "vstgui/CVSTGUITimer.h"

namespace VSTGUI {
namespace {
// [main-thread] The loop bound by the innermost Scope; null outside every scope.
EventLoop* s_current = nullptr;
}  // namespace

EventLoop::EventLoop() = default;

EventLoop::~EventLoop() {
    for (CVSTGUITimer* timer : timers) {
        timer->loop = nullptr;
        timer->running = false;
    }
    for (CFrame* frame : frames) frame->detachFromLoop();
    if (s_current == this) s_current = nullptr;
}

EventLoop::Scope::Scope(EventLoop& loop) : previous(s_current) {
    s_current = &loop;
}
EventLoop::Scope::~Scope() {
    s_current = previous;
}

EventLoop* EventLoop::current() {
    return s_current;
}

std::uint64_t EventLoop::nowMs() const {
    if (manualClock) return manualNow;
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void EventLoop::useManualClock(std::uint64_t startMs) {
    manualClock = true;
    manualNow = startMs;
}

void EventLoop::advanceClock(std::uint64_t ms) {
    if (!manualClock) return;
    const std::uint64_t target = manualNow + ms;
    for (;;) {
        std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
        for (const CVSTGUITimer* timer : timers)
            if (timer->running) next = std::min(next, timer->nextDue);
        if (next > target) break;
        manualNow = std::max(manualNow, next);
        fireTimersDueAt(manualNow);
    }
    manualNow = target;
    paintFrames();
}

std::uint32_t EventLoop::fireTimersDueAt(std::uint64_t now) {
    std::vector<SharedPointer<CVSTGUITimer>> due;
    for (CVSTGUITimer* timer : timers)
        if (timer->running && timer->nextDue <= now) due.emplace_back(timer);
    std::uint32_t fired = 0;
    for (const auto& timer : due) {
        // A callback may stop, restart or let go of any timer, this one included; a timer that
        // only this list still holds is on its way out.
        if (!timer->running || timer->loop != this || timer->nextDue > now) continue;
        if (timer->getNbReference() < 2) continue;
        timer->nextDue += timer->period;
        if (timer->nextDue <= now) timer->nextDue = now + timer->period;
        ++fired;
        if (timer->callback) timer->callback(timer.get());
    }
    return fired;
}

std::uint32_t EventLoop::fireDueTimers() {
    // A host timer of the same period may come a little early on a coarse clock; a tick due
    // within kEarlyToleranceMs counts as due rather than waiting a whole period more.
    const std::uint32_t fired = fireTimersDueAt(nowMs() + kEarlyToleranceMs);
    processEvents();
    return fired;
}

std::uint32_t EventLoop::shortestTimerPeriod() const {
    std::uint32_t shortest = 0;
    for (const CVSTGUITimer* timer : timers)
        if (timer->running && (shortest == 0 || timer->period < shortest)) shortest = timer->period;
    return shortest;
}

std::uint32_t EventLoop::runningTimerCount() const {
    return static_cast<std::uint32_t>(
        std::count_if(timers.begin(), timers.end(), [](const CVSTGUITimer* t) { return t->running; }));
}

std::vector<int> EventLoop::fileDescriptors() const {
    std::vector<int> fds;
    for (const CFrame* frame : frames) {
        const int fd = frame->getFileDescriptor();
        if (fd >= 0) fds.push_back(fd);
    }
    return fds;
}

void EventLoop::processEvents() {
    std::vector<SharedPointer<CFrame>> open(frames.begin(), frames.end());
    for (const auto& frame : open) frame->processEvents();
    paintFrames();
}

void EventLoop::paintFrames() {
    std::vector<SharedPointer<CFrame>> open(frames.begin(), frames.end());
    for (const auto& frame : open) frame->paint();
}

void EventLoop::addTimer(CVSTGUITimer* timer) {
    timers.push_back(timer);
}

void EventLoop::removeTimer(CVSTGUITimer* timer) {
    timers.erase(std::remove(timers.begin(), timers.end(), timer), timers.end());
}

void EventLoop::addFrame(CFrame* frame) {
    frames.push_back(frame);
}

void EventLoop::removeFrame(CFrame* frame) {
    frames.erase(std::remove(frames.begin(), frames.end(), frame), frames.end());
}

CVSTGUITimer::CVSTGUITimer(CallbackFunc cb, std::uint32_t fireTime, bool doStart)
    : callback(std::move(cb)), loop(EventLoop::current()), period(fireTime > 0 ? fireTime : 1) {
    if (loop) loop->addTimer(this);
    if (doStart) start();
}

CVSTGUITimer::~CVSTGUITimer() {
    if (loop) loop->removeTimer(this);
}

bool CVSTGUITimer::start() {
    if (!loop) return false;
    nextDue = loop->nowMs() + period;
    running = true;
    return true;
}

bool CVSTGUITimer::stop() {
    running = false;
    return true;
}

bool CVSTGUITimer::setFireTime(std::uint32_t ms) {
    period = ms > 0 ? ms : 1;
    if (running) start();
    return true;
}

}  // namespace VSTGUI
