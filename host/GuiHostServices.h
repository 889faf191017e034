#pragma once
// The host record of the gui command: the HostContext's record (params,
// request_callback, request_flush) extended with "clap.timer-support" and
// "clap.posix-fd-support", which the plug-in's editor uses to have its X
// connection and its timers served by the host's main loop. The main loop asks
// this object what to poll and how long to sleep, and hands back what poll saw.

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "clap/clap.h"
#include "host/HostContext.h"

namespace fxcorehost {

class GuiHostServices {
public:
    using Clock = std::chrono::steady_clock;

    explicit GuiHostServices(HostContext& context);
    GuiHostServices(const GuiHostServices&) = delete;
    GuiHostServices& operator=(const GuiHostServices&) = delete;

    // [thread-safe] The record handed to create_plugin; lives as long as this object.
    const clap_host_t* host() const { return &m_record.host; }

    // [main-thread] The plug-in whose on_timer / on_fd the loop calls; its
    // tables are looked up once here.
    void attach(const clap_plugin_t* plugin);

    // [main-thread] Appends one pollfd per registered descriptor to fds.
    void addPollFds(std::vector<pollfd>& fds) const;
    // [main-thread] Calls on_fd for each of fds[first..] that poll marked. A
    // descriptor that poll reports invalid (closed without unregistering) is
    // dropped, so it cannot make the loop spin.
    void dispatchFds(const std::vector<pollfd>& fds, std::size_t first);
    // [main-thread] Calls on_timer for every timer that is due at now.
    void fireDueTimers(Clock::time_point now);
    // [main-thread] Time until the next timer is due, clamped to [0, limit].
    Clock::duration timeUntilNextTimer(Clock::time_point now, Clock::duration limit) const;

    std::size_t timerCount() const { return m_timers.size(); }
    std::size_t fdCount() const { return m_fds.size(); }
    // Descriptors dropped because poll found them invalid.
    std::uint64_t droppedFds() const { return m_droppedFds; }

private:
    struct Timer {
        clap_id id = CLAP_INVALID_ID;
        Clock::duration period{};
        Clock::time_point due{};
    };
    struct WatchedFd {
        int fd = -1;
        clap_posix_fd_flags_t flags = 0;
    };
    // The record the plug-in holds; host_data stays the HostContext, whose
    // callbacks read it, and owner leads the extension entries back here.
    struct Record {
        clap_host_t host;
        GuiHostServices* owner;
    };

    static GuiHostServices* from(const clap_host_t* host);
    static const void* getExtension(const clap_host_t* host, const char* id);
    static bool registerTimer(const clap_host_t* host, std::uint32_t periodMs, clap_id* timerId);
    static bool unregisterTimer(const clap_host_t* host, clap_id timerId);
    static bool registerFd(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    static bool modifyFd(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    static bool unregisterFd(const clap_host_t* host, int fd);

    Timer* findTimer(clap_id id);
    WatchedFd* findFd(int fd);

    static const clap_host_timer_support_t s_timerSupport;
    static const clap_host_posix_fd_support_t s_fdSupport;

    HostContext& m_context;
    Record m_record;
    // All below [main-thread]: the plug-in registers and unregisters from its
    // main-thread calls, which may happen while the loop is dispatching.
    const clap_plugin_t* m_plugin = nullptr;
    const clap_plugin_timer_support_t* m_pluginTimers = nullptr;
    const clap_plugin_posix_fd_support_t* m_pluginFds = nullptr;
    std::vector<Timer> m_timers;
    std::vector<WatchedFd> m_fds;
    clap_id m_nextTimerId = 1;
    std::uint64_t m_droppedFds = 0;
};

}  // namespace fxcorehost
