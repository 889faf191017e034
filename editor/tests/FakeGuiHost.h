// A host record for the gui tests: it may offer timer-support, posix-fd-support and log, and
// records what the plug-in registers with them and what it logs.
#pragma once

#include <clap/clap.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fxcoreplug_test {

struct FakeGuiHost {
    clap_host host{};
    clap_host_timer_support timers{};
    clap_host_posix_fd_support fds{};
    clap_host_log log{};
    bool offerTimers = true;
    bool offerFds = true;
    bool offerLog = true;
    std::vector<std::pair<clap_log_severity, std::string>> logged;
    std::map<clap_id, std::uint32_t> liveTimers;  // id -> period
    std::vector<int> liveFds;
    clap_id nextTimer = 7;
    int unregisterTimerCalls = 0;
    int unregisterFdCalls = 0;

    FakeGuiHost() {
        host.clap_version = CLAP_VERSION;
        host.host_data = this;
        host.name = "gui test host";
        host.version = "1";
        host.get_extension = getExtension;
        host.request_restart = [](const clap_host*) {};
        host.request_process = [](const clap_host*) {};
        host.request_callback = [](const clap_host*) {};
        timers.register_timer = [](const clap_host* h, std::uint32_t period, clap_id* id) {
            FakeGuiHost* self = from(h);
            *id = self->nextTimer++;
            self->liveTimers[*id] = period;
            return true;
        };
        timers.unregister_timer = [](const clap_host* h, clap_id id) {
            FakeGuiHost* self = from(h);
            ++self->unregisterTimerCalls;
            return self->liveTimers.erase(id) == 1;
        };
        fds.register_fd = [](const clap_host* h, int fd, clap_posix_fd_flags_t flags) {
            from(h)->liveFds.push_back(fd);
            return flags == CLAP_POSIX_FD_READ;
        };
        fds.modify_fd = [](const clap_host*, int, clap_posix_fd_flags_t) { return false; };
        fds.unregister_fd = [](const clap_host* h, int fd) {
            FakeGuiHost* self = from(h);
            ++self->unregisterFdCalls;
            for (auto it = self->liveFds.begin(); it != self->liveFds.end(); ++it)
                if (*it == fd) {
                    self->liveFds.erase(it);
                    return true;
                }
            return false;
        };
        log.log = [](const clap_host* h, clap_log_severity severity, const char* msg) {
            from(h)->logged.emplace_back(severity, msg);
        };
    }
    FakeGuiHost(const FakeGuiHost&) = delete;
    FakeGuiHost& operator=(const FakeGuiHost&) = delete;

    static FakeGuiHost* from(const clap_host* h) { return static_cast<FakeGuiHost*>(h->host_data); }
    static const void* getExtension(const clap_host* h, const char* id) {
        FakeGuiHost* self = from(h);
        if (self->offerTimers && std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &self->timers;
        if (self->offerFds && std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) return &self->fds;
        if (self->offerLog && std::strcmp(id, CLAP_EXT_LOG) == 0) return &self->log;
        return nullptr;
    }
};

}  // namespace fxcoreplug_test
