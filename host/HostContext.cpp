#include "host/HostContext.h"

#include <cstring>
#include <utility>

namespace fxcorehost {

const clap_host_params_t HostContext::s_hostParams = {
    &HostContext::paramsRescan,
    &HostContext::paramsClear,
    &HostContext::paramsRequestFlush,
};

const clap_host_log_t HostContext::s_hostLog = {&HostContext::log};

HostContext::HostContext() {
    m_host.clap_version = CLAP_VERSION;
    m_host.host_data = this;
    m_host.name = "corlinde-host";
    m_host.vendor = "Morvith Pedals";
    m_host.url = "";
    m_host.version = "0.1.0";
    m_host.get_extension = &HostContext::getExtension;
    m_host.request_restart = &HostContext::requestRestart;
    m_host.request_process = &HostContext::requestProcess;
    m_host.request_callback = &HostContext::requestCallback;
}

HostContext* HostContext::from(const clap_host_t* host) {
    return host ? static_cast<HostContext*>(host->host_data) : nullptr;
}

// [thread-safe] Only the params and log extensions are offered: a plug-in that asks for
// anything else gets null and must do without, as CLAP allows.
const void* HostContext::getExtension(const clap_host_t* host, const char* id) {
    if (!from(host) || !id) return nullptr;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &s_hostParams;
    if (std::strcmp(id, CLAP_EXT_LOG) == 0) return &s_hostLog;
    return nullptr;
}

// [thread-safe] Warnings and worse are kept for the command to report; debug and info
// messages are dropped.
void HostContext::log(const clap_host_t* host, clap_log_severity severity, const char* message) {
    HostContext* self = from(host);
    if (!self || !message || severity < CLAP_LOG_WARNING) return;
    std::lock_guard<std::mutex> lock(self->m_logMutex);
    self->m_logMessages.emplace_back(message);
}

std::vector<std::string> HostContext::takeLogMessages() {
    std::lock_guard<std::mutex> lock(m_logMutex);
    return std::exchange(m_logMessages, {});
}

// [thread-safe] A file render cannot restart midway; the request is noted and
// reported by the caller.
void HostContext::requestRestart(const clap_host_t* host) {
    if (HostContext* self = from(host)) self->m_restartRequested.store(true, std::memory_order_release);
}

// [thread-safe] The host processes without pause until the file ends anyway.
void HostContext::requestProcess(const clap_host_t*) {}

// [thread-safe]
void HostContext::requestCallback(const clap_host_t* host) {
    if (HostContext* self = from(host)) self->m_callbackRequested.store(true, std::memory_order_release);
}

// [main-thread] The info is re-read after the plug-in's call has returned.
void HostContext::paramsRescan(const clap_host_t* host, clap_param_rescan_flags flags) {
    if (HostContext* self = from(host)) self->m_rescanFlags.fetch_or(flags, std::memory_order_release);
}

// [main-thread] The host keeps no automation or modulation to clear.
void HostContext::paramsClear(const clap_host_t*, clap_id, clap_param_clear_flags) {}

// [thread-safe, !audio-thread]
void HostContext::paramsRequestFlush(const clap_host_t* host) {
    if (HostContext* self = from(host)) self->m_flushRequested.store(true, std::memory_order_release);
}

bool HostContext::takeCallbackRequest() {
    return m_callbackRequested.exchange(false, std::memory_order_acquire);
}

bool HostContext::takeFlushRequest() {
    return m_flushRequested.exchange(false, std::memory_order_acquire);
}

bool HostContext::takeRestartRequest() {
    return m_restartRequested.exchange(false, std::memory_order_acquire);
}

std::uint32_t HostContext::takeRescanFlags() {
    return m_rescanFlags.exchange(0, std::memory_order_acquire);
}

}  // namespace fxcorehost
