#pragma once
// A clap_host record for tests that talk to an instance directly: it offers "clap.params"
// (rescan, clear, request_flush) and "clap.log", and counts what the plug-in asks of it.
// Counters are atomic because the plug-in may call request_callback from the audio thread.

#include <clap/clap.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace fxcoreplug::test {

class RecordingHost {
public:
    RecordingHost() {
        host_.clap_version = CLAP_VERSION;
        host_.host_data = this;
        host_.name = "recording test host";
        host_.vendor = "";
        host_.url = "";
        host_.version = "1";
        host_.get_extension = &RecordingHost::getExtension;
        host_.request_restart = [](const clap_host*) {};
        host_.request_process = [](const clap_host*) {};
        host_.request_callback = [](const clap_host* h) { self(h)->callbacks.fetch_add(1); };
        params_.rescan = [](const clap_host* h, clap_param_rescan_flags flags) {
            const std::lock_guard<std::mutex> lock(self(h)->mutex_);
            self(h)->rescans_.push_back(flags);
        };
        params_.clear = [](const clap_host*, clap_id, clap_param_clear_flags) {};
        params_.request_flush = [](const clap_host* h) { self(h)->flushRequests.fetch_add(1); };
        log_.log = [](const clap_host* h, clap_log_severity severity, const char* msg) {
            const std::lock_guard<std::mutex> lock(self(h)->mutex_);
            self(h)->logged_.emplace_back(severity, msg);
        };
    }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    const clap_host* host() const { return &host_; }
    // Without them the host answers "clap.params" or "clap.log" with null, as a host without
    // that extension.
    bool offerParams = true;
    bool offerLog = true;

    std::atomic<int> callbacks{0};
    std::atomic<int> flushRequests{0};

    std::vector<std::uint32_t> rescans() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return rescans_;
    }
    void clearRescans() {
        const std::lock_guard<std::mutex> lock(mutex_);
        rescans_.clear();
    }
    // What the plug-in logged: severity and message, in order.
    std::vector<std::pair<clap_log_severity, std::string>> logged() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return logged_;
    }

private:
    static RecordingHost* self(const clap_host* h) { return static_cast<RecordingHost*>(h->host_data); }
    static const void* getExtension(const clap_host* h, const char* id) {
        if (id != nullptr && std::strcmp(id, CLAP_EXT_PARAMS) == 0 && self(h)->offerParams) {
            return &self(h)->params_;
        }
        if (id != nullptr && std::strcmp(id, CLAP_EXT_LOG) == 0 && self(h)->offerLog) {
            return &self(h)->log_;
        }
        return nullptr;
    }

    clap_host host_{};
    clap_host_params params_{};
    clap_host_log log_{};
    mutable std::mutex mutex_;
    std::vector<std::uint32_t> rescans_;
    std::vector<std::pair<clap_log_severity, std::string>> logged_;
};

}  // namespace fxcoreplug::test
