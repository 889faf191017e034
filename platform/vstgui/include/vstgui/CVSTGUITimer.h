// A periodic timer. [main-thread].
//
// The layer has no thread and no clock loop of its own: a timer belongs to the EventLoop
// bound when it was made (see EventLoop.h), which fires it when the host drives the loop. A
// timer made while no loop is bound never fires.
#pragma once

#include <cstdint>
#include <functional>

#include "vstgui/SharedPointer.h"

namespace VSTGUI {

class EventLoop;

class CVSTGUITimer : public CBaseObject {
public:
    using CallbackFunc = std::function<void(CVSTGUITimer*)>;

    // fireTime is the period in milliseconds (at least 1); doStart starts it at once.
    explicit CVSTGUITimer(CallbackFunc callback, std::uint32_t fireTime = 100, bool doStart = true);
    ~CVSTGUITimer() override;
    CVSTGUITimer(const CVSTGUITimer&) = delete;
    CVSTGUITimer& operator=(const CVSTGUITimer&) = delete;

    // The first tick comes one period after start. False without an event loop.
    bool start();
    bool stop();
    bool isRunning() const { return running; }
    // A running timer restarts with the new period.
    bool setFireTime(std::uint32_t ms);
    std::uint32_t getFireTime() const { return period; }

private:
    friend class EventLoop;
    CallbackFunc callback;
    EventLoop* loop;
    std::uint32_t period;
    std::uint64_t nextDue = 0;  // in the loop's milliseconds
    bool running = false;
};

}  // namespace VSTGUI
