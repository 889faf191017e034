#include "host/GuiHostServices.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace fxcorehost {

namespace {

// Shorter periods are lengthened to this: a host need not serve faster timers,
// and 5 ms is far below the editor's 33 ms.
constexpr std::uint32_t kMinTimerPeriodMs = 5;

short pollEventsOf(clap_posix_fd_flags_t flags) {
    short events = 0;
    if (flags & CLAP_POSIX_FD_READ) events = static_cast<short>(events | POLLIN | POLLPRI);
    if (flags & CLAP_POSIX_FD_WRITE) events = static_cast<short>(events | POLLOUT);
    return events;  // errors and hang-ups are always reported by poll
}

clap_posix_fd_flags_t fdFlagsOf(short revents) {
    clap_posix_fd_flags_t flags = 0;
    if (revents & (POLLIN | POLLPRI)) flags |= CLAP_POSIX_FD_READ;
    if (revents & POLLOUT) flags |= CLAP_POSIX_FD_WRITE;
    if (revents & (POLLERR | POLLHUP | POLLNVAL)) flags |= CLAP_POSIX_FD_ERROR;
    return flags;
}

}  // namespace

const clap_host_timer_support_t GuiHostServices::s_timerSupport = {
    &GuiHostServices::registerTimer,
    &GuiHostServices::unregisterTimer,
};

const clap_host_posix_fd_support_t GuiHostServices::s_fdSupport = {
    &GuiHostServices::registerFd,
    &GuiHostServices::modifyFd,
    &GuiHostServices::unregisterFd,
};

GuiHostServices::GuiHostServices(HostContext& context) : m_context(context) {
    static_assert(std::is_standard_layout_v<Record>, "the record is found from its first member");
    m_record.host = *context.host();
    m_record.host.get_extension = &GuiHostServices::getExtension;
    m_record.owner = this;
}

GuiHostServices* GuiHostServices::from(const clap_host_t* host) {
    // host is the first member of a Record (standard layout), so the two
    // addresses are the same object's.
    return host ? reinterpret_cast<const Record*>(host)->owner : nullptr;
}

// [thread-safe] The two main-loop extensions are answered here; everything
// else is the HostContext's answer for the same record.
const void* GuiHostServices::getExtension(const clap_host_t* host, const char* id) {
    GuiHostServices* self = from(host);
    if (!self || !id) return nullptr;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &s_timerSupport;
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) return &s_fdSupport;
    return self->m_context.host()->get_extension(host, id);
}

void GuiHostServices::attach(const clap_plugin_t* plugin) {
    m_plugin = plugin;
    m_pluginTimers = nullptr;
    m_pluginFds = nullptr;
    if (!plugin || !plugin->get_extension) return;
    m_pluginTimers = static_cast<const clap_plugin_timer_support_t*>(
        plugin->get_extension(plugin, CLAP_EXT_TIMER_SUPPORT));
    m_pluginFds = static_cast<const clap_plugin_posix_fd_support_t*>(
        plugin->get_extension(plugin, CLAP_EXT_POSIX_FD_SUPPORT));
    if (m_pluginTimers && !m_pluginTimers->on_timer) m_pluginTimers = nullptr;
    if (m_pluginFds && !m_pluginFds->on_fd) m_pluginFds = nullptr;
}

GuiHostServices::Timer* GuiHostServices::findTimer(clap_id id) {
    for (Timer& t : m_timers)
        if (t.id == id) return &t;
    return nullptr;
}

GuiHostServices::WatchedFd* GuiHostServices::findFd(int fd) {
    for (WatchedFd& w : m_fds)
        if (w.fd == fd) return &w;
    return nullptr;
}

// [main-thread]
bool GuiHostServices::registerTimer(const clap_host_t* host, std::uint32_t periodMs, clap_id* timerId) {
    GuiHostServices* self = from(host);
    if (!self || !timerId) return false;
    Timer timer;
    timer.id = self->m_nextTimerId++;
    timer.period = std::chrono::milliseconds(std::max(periodMs, kMinTimerPeriodMs));
    timer.due = Clock::now() + timer.period;
    self->m_timers.push_back(timer);
    *timerId = timer.id;
    return true;
}

// [main-thread]
bool GuiHostServices::unregisterTimer(const clap_host_t* host, clap_id timerId) {
    GuiHostServices* self = from(host);
    if (!self) return false;
    const auto it = std::find_if(self->m_timers.begin(), self->m_timers.end(),
                                 [timerId](const Timer& t) { return t.id == timerId; });
    if (it == self->m_timers.end()) return false;
    self->m_timers.erase(it);
    return true;
}

// [main-thread]
bool GuiHostServices::registerFd(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags) {
    GuiHostServices* self = from(host);
    if (!self || fd < 0 || self->findFd(fd)) return false;
    self->m_fds.push_back({fd, flags});
    return true;
}

// [main-thread]
bool GuiHostServices::modifyFd(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags) {
    GuiHostServices* self = from(host);
    WatchedFd* watched = self ? self->findFd(fd) : nullptr;
    if (!watched) return false;
    watched->flags = flags;
    return true;
}

// [main-thread]
bool GuiHostServices::unregisterFd(const clap_host_t* host, int fd) {
    GuiHostServices* self = from(host);
    if (!self) return false;
    const auto it =
        std::find_if(self->m_fds.begin(), self->m_fds.end(), [fd](const WatchedFd& w) { return w.fd == fd; });
    if (it == self->m_fds.end()) return false;
    self->m_fds.erase(it);
    return true;
}

void GuiHostServices::addPollFds(std::vector<pollfd>& fds) const {
    for (const WatchedFd& w : m_fds) fds.push_back({w.fd, pollEventsOf(w.flags), 0});
}

void GuiHostServices::dispatchFds(const std::vector<pollfd>& fds, std::size_t first) {
    for (std::size_t i = first; i < fds.size(); ++i) {
        const pollfd& p = fds[i];
        if (p.revents == 0) continue;
        // The plug-in may have unregistered it during an earlier on_fd of this round.
        if (!findFd(p.fd)) continue;
        if (p.revents & POLLNVAL) {
            unregisterFd(host(), p.fd);
            ++m_droppedFds;
            continue;
        }
        if (m_pluginFds) m_pluginFds->on_fd(m_plugin, p.fd, fdFlagsOf(p.revents));
    }
}

void GuiHostServices::fireDueTimers(Clock::time_point now) {
    // Ids first: on_timer may register or unregister timers.
    std::vector<clap_id> due;
    for (const Timer& t : m_timers)
        if (t.due <= now) due.push_back(t.id);
    for (const clap_id id : due) {
        Timer* timer = findTimer(id);
        if (!timer) continue;
        // The next tick keeps the period's phase; after a long stall it starts
        // again from now instead of firing the missed ticks in a burst.
        timer->due += timer->period;
        if (timer->due <= now) timer->due = now + timer->period;
        if (m_pluginTimers) m_pluginTimers->on_timer(m_plugin, id);
    }
}

GuiHostServices::Clock::duration GuiHostServices::timeUntilNextTimer(Clock::time_point now,
                                                                     Clock::duration limit) const {
    Clock::duration wait = limit;
    for (const Timer& t : m_timers) wait = std::min(wait, t.due - now);
    return std::max(wait, Clock::duration::zero());
}

}  // namespace fxcorehost
