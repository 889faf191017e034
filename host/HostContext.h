#pragma once
// The host side of the CLAP contract: the clap_host record a plug-in is created
// with, and the host's params extension. corlinde-host runs every call on one
// thread, which is the main thread and holds the audio-thread role while it
// processes; the plug-in may still call the [thread-safe] requests from any
// thread it owns, so each request only raises an atomic flag that the main
// thread takes between blocks.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "clap/clap.h"

namespace fxcorehost {

class HostContext {
public:
    HostContext();
    HostContext(const HostContext&) = delete;
    HostContext& operator=(const HostContext&) = delete;

    // [thread-safe] The record handed to create_plugin; lives as long as this object.
    const clap_host_t* host() const { return &m_host; }

    // [main-thread] Each take* returns whether the request was made since the last
    // take and clears it.
    bool takeCallbackRequest();
    bool takeFlushRequest();
    bool takeRestartRequest();
    // Rescan flags (CLAP_PARAM_RESCAN_*) raised since the last take, 0 if none.
    std::uint32_t takeRescanFlags();
    // [thread-safe] The warnings and errors the plug-in logged since the last take, in order.
    std::vector<std::string> takeLogMessages();

private:
    static const void* getExtension(const clap_host_t* host, const char* id);
    static void requestRestart(const clap_host_t* host);
    static void requestProcess(const clap_host_t* host);
    static void requestCallback(const clap_host_t* host);
    static void paramsRescan(const clap_host_t* host, clap_param_rescan_flags flags);
    static void paramsClear(const clap_host_t* host, clap_id id, clap_param_clear_flags flags);
    static void paramsRequestFlush(const clap_host_t* host);
    static void log(const clap_host_t* host, clap_log_severity severity, const char* message);
    static HostContext* from(const clap_host_t* host);

    static const clap_host_params_t s_hostParams;
    static const clap_host_log_t s_hostLog;

    clap_host_t m_host;
    // Each flag: raised (release store or fetch_or) by whichever thread the
    // plug-in calls from, taken by an acquire exchange on the main thread. The
    // pair makes whatever the plug-in wrote before its request visible to the
    // call the main thread then makes into it (on_main_thread, flush, get_info).
    std::atomic<bool> m_callbackRequested{false};
    std::atomic<bool> m_flushRequested{false};
    std::atomic<bool> m_restartRequested{false};
    std::atomic<std::uint32_t> m_rescanFlags{0};
    // The log may be called from any thread; a host, unlike the plug-in's audio thread, may
    // take a lock for it.
    std::mutex m_logMutex;
    std::vector<std::string> m_logMessages;
};

}  // namespace fxcorehost
