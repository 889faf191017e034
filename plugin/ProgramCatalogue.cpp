// The hazard-pointer hand-off of the program catalogue; see ProgramCatalogue.h.

#include "plugin/ProgramCatalogue.h"

#include <algorithm>

#include "fxcore/FXCoreProgram.h"

namespace fxcoreplug {

CatalogueHandoff::~CatalogueHandoff() = default;

void CatalogueHandoff::publish(std::unique_ptr<const ProgramCatalogue> next,
                               std::unique_ptr<const fxcore::FXCoreProgram> retiredProgram) {
    published.store(next.get(), std::memory_order_seq_cst);
    if (current != nullptr || retiredProgram != nullptr) {
        retired.push_back(Retired{std::move(current), std::move(retiredProgram)});
    }
    current = std::move(next);
    collect();
}

void CatalogueHandoff::collect() {
    // Once published no longer names a retired catalogue, the audio thread can only start
    // reading it if its hazard store came before this load; enter() then sees the newer
    // pointer on its second load and backs off. So anything the hazard does not name now is
    // free to go.
    const ProgramCatalogue* inUse = reading.load(std::memory_order_seq_cst);
    std::erase_if(retired, [inUse](const Retired& r) { return r.catalogue.get() != inUse; });
}

const ProgramCatalogue* CatalogueHandoff::enter() {
    const ProgramCatalogue* c = published.load(std::memory_order_seq_cst);
    reading.store(c, std::memory_order_seq_cst);
    if (published.load(std::memory_order_seq_cst) != c) {
        reading.store(nullptr, std::memory_order_release);
        return nullptr;
    }
    return c;
}

void CatalogueHandoff::leave() {
    reading.store(nullptr, std::memory_order_release);
}

}  // namespace fxcoreplug
