// The program switch that processing runs at block and event boundaries, and the parameter
// rescan it asks of the host.

#include <algorithm>

#include "plugin/FXCorePlugin.h"

namespace fxcoreplug {

void FXCorePlugin::applyProgramIfChanged() {
    // A state load asked to re-apply: the request is taken once, here, so it cannot be lost
    // against this thread's own writes of appliedProgram.
    if (reapplyPending.load(std::memory_order_relaxed) &&
        reapplyPending.exchange(false, std::memory_order_acquire)) {
        appliedProgram = -1;
    }
    // The generation first: a new generation is released after its catalogue, so the
    // catalogue read below is at least as new.
    const std::uint32_t generation = customGeneration.load(std::memory_order_acquire);
    const ProgramCatalogue* current = catalogue.enter();
    if (current == nullptr) {
        return;  // a new catalogue is being published: check again at the next boundary
    }
    const int p = std::clamp(resolveProgramIndex(current->banks), 0, kProgramSlotCount - 1);
    if (p == appliedProgram && generation == appliedGeneration) {
        catalogue.leave();
        return;
    }
    appliedProgram = p;
    appliedGeneration = generation;
    activeProgram.exchange(p, std::memory_order_relaxed);
    requestParamRescan();

    const fxcore::FXCoreProgram* program =
        p == kCustomSlot ? current->customProgram : programs[static_cast<std::size_t>(p)].get();
    if (program != nullptr) {
        program->applyTo(core);  // copies presets and words; nothing is kept
    }
    catalogue.leave();
}

void FXCorePlugin::requestParamRescan() {
    rescanPending.exchange(true, std::memory_order_release);
    if (host != nullptr && host->request_callback != nullptr) {
        host->request_callback(host);
    }
}

void FXCorePlugin::onMainThread() {
    catalogue.collect();  // frees a catalogue that was still being read at the last publish
    if (!rescanPending.exchange(false, std::memory_order_acquire) || host == nullptr ||
        host->get_extension == nullptr) {
        return;
    }
    const auto* hostParams = static_cast<const clap_host_params*>(host->get_extension(host, CLAP_EXT_PARAMS));
    if (hostParams != nullptr && hostParams->rescan != nullptr) {
        hostParams->rescan(host, CLAP_PARAM_RESCAN_INFO);
    }
}

}  // namespace fxcoreplug
