// The link between the layer and the host's main loop, one per plug-in instance.
// [main-thread] throughout.
//
// While a Scope binds a loop, every timer made and every window frame opened belongs to
// it. The plug-in binds its loop around the calls that open and close its editor and around
// the host's timer and descriptor callbacks: it registers a host timer of
// shortestTimerPeriod() and calls fireDueTimers() from it, and registers each of
// fileDescriptors() for reading and calls processEvents() when one is readable. A test uses
// a manual clock and advanceClock() instead of a host.
#pragma once

#include <cstdint>
#include <vector>

namespace VSTGUI {

class CFrame;
class CVSTGUITimer;

class EventLoop {
public:
    EventLoop();
    // Timers and frames still attached are let go: they stay alive but are no longer driven.
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Binds a loop for its lifetime; scopes nest.
    class Scope {
    public:
        explicit Scope(EventLoop& loop);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        EventLoop* previous;
    };
    // The loop bound now, or null.
    static EventLoop* current();

    // Milliseconds of the steady clock, or of the manual clock once it is used.
    std::uint64_t nowMs() const;
    // Switches to a manual clock that stands at startMs until advanced.
    void useManualClock(std::uint64_t startMs = 0);
    // Moves the manual clock on by ms, firing each timer at every tick that falls in that
    // span in time order, then paints the frames. Nothing without a manual clock.
    void advanceClock(std::uint64_t ms);

    static constexpr std::uint64_t kEarlyToleranceMs = 1;
    // Fires every running timer that is due, or due within kEarlyToleranceMs (at most once
    // each), then drains the frames' queued events and paints them; the number fired.
    std::uint32_t fireDueTimers();
    // The shortest period of the running timers in milliseconds; 0 when none runs.
    std::uint32_t shortestTimerPeriod() const;
    std::uint32_t runningTimerCount() const;

    // The X connection descriptors of the window frames (one per frame).
    std::vector<int> fileDescriptors() const;
    // Every window frame drains its queued X events, dispatches them and paints.
    void processEvents();

private:
    friend class CVSTGUITimer;
    friend class CFrame;
    void addTimer(CVSTGUITimer* timer);
    void removeTimer(CVSTGUITimer* timer);
    void addFrame(CFrame* frame);
    void removeFrame(CFrame* frame);
    std::uint32_t fireTimersDueAt(std::uint64_t now);
    void paintFrames();

    std::vector<CVSTGUITimer*> timers;  // not owning; each removes itself when it dies
    std::vector<CFrame*> frames;        // not owning; each removes itself when it closes
    std::uint64_t manualNow = 0;
    bool manualClock = false;
};

}  // namespace VSTGUI
