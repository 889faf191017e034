// Construction of an instance (programs, control names, banks, default selection), the custom
// program load and the main thread's queries about programs and banks.

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "plugin/BankBuilder.h"
#include "plugin/FXCorePlugin.h"
#include "plugin/PluginMath.h"
#include "plugin/PluginCallbacks.h"

namespace fxcoreplug {

namespace {

constexpr const char* kCustomBankName = "(loaded)";
constexpr const char* kNoCustomProgramName = "(no custom program)";

// One embedded program as parsed: null when its HEX text does not load.
struct ParsedEmbeddedProgram {
    std::unique_ptr<const fxcore::FXCoreProgram> program;
    ControlNames names;
};

// The embedded programs and their control names, parsed on first use and then never changed
// (any thread may read them). Every instance copies them instead of parsing the same HEX and
// control-names texts again: that parse was most of an instance's construction, which a host
// scanning plug-ins or a session with many instances pays each time.
const std::array<ParsedEmbeddedProgram, kEmbeddedProgramCount>& parsedEmbeddedPrograms() {
    static const auto s_parsed = [] {
        std::array<ParsedEmbeddedProgram, kEmbeddedProgramCount> parsed;
        for (int k = 0; k < kEmbeddedProgramCount; ++k) {
            const EmbeddedProgram& row = kEmbeddedPrograms[k];
            ParsedEmbeddedProgram& slot = parsed[static_cast<std::size_t>(k)];
            auto program = std::make_unique<fxcore::FXCoreProgram>();
            program->presets = fxcore::FXCoreProgram::defaultPresets();
            const std::string_view hex = row.hexText != nullptr ? row.hexText : "";
            if (program->loadFromText(hex).ok) {
                program->name = row.name;
                slot.program = std::move(program);
            }
            if (row.controlNamesText != nullptr && row.controlNamesText[0] != '\0') {
                slot.names = ControlNames::parse(row.controlNamesText);
            }
        }
        return parsed;
    }();
    return s_parsed;
}

}  // namespace

FXCorePlugin::FXCorePlugin(const clap_host* hostArg)
    : clapPlugin(makeClapPluginRecord(this)), host(hostArg), params(kParamCount) {
    const auto& table = paramDefs();
    for (std::size_t i = 0; i < table.size(); ++i) {
        params[i].store(table[i].defaultValue, std::memory_order_relaxed);
    }

    programs.resize(kProgramSlotCount);
    controlNames.resize(kProgramSlotCount);
    const auto& parsed = parsedEmbeddedPrograms();
    for (std::size_t k = 0; k < parsed.size(); ++k) {
        if (parsed[k].program != nullptr) {
            programs[k] = std::make_unique<fxcore::FXCoreProgram>(*parsed[k].program);
        }
        controlNames[k] = parsed[k].names;
    }

    std::vector<const std::string*> slotNames(kEmbeddedProgramCount, nullptr);
    for (std::size_t k = 0; k < slotNames.size(); ++k) {
        if (programs[k] != nullptr) {
            slotNames[k] = &programs[k]->name;
        }
    }
    banks = buildBanks(slotNames);
    publishCatalogue(nullptr);

    int defaultBank = findBankIndex(banks, "mp-corlinde-jr");
    if (defaultBank < 0) {
        defaultBank = findBankIndex(banks, "passthrough");
    }
    if (defaultBank >= 0) {
        const Bank& bank = banks[static_cast<std::size_t>(defaultBank)];
        slotFor(kParamProgram)->store(static_cast<double>(defaultBank), std::memory_order_relaxed);
        activeProgram.exchange(bank.programForMode.empty() ? 0 : bank.programForMode[0],
                               std::memory_order_relaxed);
    }
}

void FXCorePlugin::publishCatalogue(std::unique_ptr<const fxcore::FXCoreProgram> retiredProgram) {
    auto next = std::make_unique<ProgramCatalogue>();
    next->banks = banks;
    next->customProgram = programs[kCustomSlot].get();
    catalogue.publish(std::move(next), std::move(retiredProgram));
}

bool FXCorePlugin::loadCustomHex(const std::string& hexText, const std::string& name, std::string& error) {
    auto program = std::make_unique<fxcore::FXCoreProgram>();
    program->presets = fxcore::FXCoreProgram::defaultPresets();
    fxcore::FXCoreProgram::Result result = program->loadFromText(hexText);
    if (!result.ok) {
        error = result.error;
        return false;
    }
    program->name = name;
    // The program it replaces may still be read by the audio thread: it goes to the hand-off,
    // which frees it once the audio thread has moved on to the new catalogue.
    std::unique_ptr<const fxcore::FXCoreProgram> replaced = std::move(programs[kCustomSlot]);
    programs[kCustomSlot] = std::move(program);
    customHex = hexText;
    customName = name;

    int bankIndex = findBankIndex(banks, kCustomBankName);
    if (bankIndex < 0) {
        banks.push_back(Bank{kCustomBankName, {kCustomSlot}});
        bankIndex = static_cast<int>(banks.size()) - 1;
    }

    // Order matters for the audio thread: the catalogue first, then the selection, then the
    // generation (release), so seeing the new generation implies seeing both.
    publishCatalogue(std::move(replaced));
    slotFor(kParamProgram)->store(static_cast<double>(bankIndex), std::memory_order_relaxed);
    slotFor(kParamMode)->store(0.0, std::memory_order_relaxed);
    customGeneration.fetch_add(1, std::memory_order_release);
    return true;
}

void FXCorePlugin::requestProgramReapply() {
    reapplyPending.store(true, std::memory_order_release);
}

int FXCorePlugin::resolveProgramIndex() const {
    return resolveProgramIndex(banks);
}

int FXCorePlugin::resolveProgramIndex(const std::vector<Bank>& bankList) const {
    if (bankList.empty()) {
        return 0;
    }
    const int b = roundedIndex(paramValue(kParamProgram), 0, static_cast<int>(bankList.size()) - 1);
    const Bank& bank = bankList[static_cast<std::size_t>(b)];
    if (bank.programForMode.empty()) {
        return 0;
    }
    const int m = roundedIndex(paramValue(kParamMode), 0, static_cast<int>(bank.programForMode.size()) - 1);
    return bank.programForMode[static_cast<std::size_t>(m)];
}

std::string FXCorePlugin::programName(int slot) const {
    if (slot < 0 || slot >= static_cast<int>(programs.size())) {
        return {};
    }
    const auto& program = programs[static_cast<std::size_t>(slot)];
    if (program != nullptr) {
        return program->name;
    }
    return slot == kCustomSlot ? kNoCustomProgramName : "";
}

std::string FXCorePlugin::bankName(int bank) const {
    if (bank < 0 || bank >= static_cast<int>(banks.size())) {
        return {};
    }
    return banks[static_cast<std::size_t>(bank)].name;
}

int FXCorePlugin::currentBankIndex() const {
    const int last = std::max(static_cast<int>(banks.size()), 1) - 1;
    return roundedIndex(paramValue(kParamProgram), 0, last);
}

int FXCorePlugin::modeCountFor(int bank) const {
    if (bank < 0 || bank >= static_cast<int>(banks.size())) {
        return 1;
    }
    const auto count = banks[static_cast<std::size_t>(bank)].programForMode.size();
    return count >= 2 ? static_cast<int>(count) : 1;
}

const ControlNames& FXCorePlugin::activeControlNames() const {
    const int i = activeProgram.load(std::memory_order_relaxed);
    if (i >= 0 && i < static_cast<int>(controlNames.size())) {
        return controlNames[static_cast<std::size_t>(i)];
    }
    static const ControlNames none;
    return none;
}

}  // namespace fxcoreplug
