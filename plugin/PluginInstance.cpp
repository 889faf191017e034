// Construction of an instance (programs, control names, banks, default selection), the custom
// program load and the main thread's queries about programs and banks.

#include <algorithm>
#include <cmath>
#include <limits>

#include "plugin/FXCorePlugin.h"
#include "plugin/PluginMath.h"
#include "plugin/PluginCallbacks.h"

namespace fxcoreplug {

namespace {

constexpr const char* kCustomBankName = "(loaded)";
constexpr const char* kNoCustomProgramName = "(no custom program)";

// Splits "<bank>_<digits>" into the bank name and the mode number; any other name is a bank of
// its own at mode 0. Suffixes beyond an int saturate (the table never holds such names).
struct NameSplit {
    std::string bank;
    int mode = 0;
};

NameSplit splitProgramName(const std::string& name) {
    const std::size_t underscore = name.rfind('_');
    if (underscore == std::string::npos || underscore + 1 == name.size()) {
        return {name, 0};
    }
    long long mode = 0;
    for (std::size_t i = underscore + 1; i < name.size(); ++i) {
        const char c = name[i];
        if (c < '0' || c > '9') {
            return {name, 0};
        }
        mode = std::min<long long>(mode * 10 + (c - '0'), std::numeric_limits<int>::max());
    }
    return {name.substr(0, underscore), static_cast<int>(mode)};
}

Bank* findBank(std::vector<Bank>& banks, const std::string& name) {
    for (Bank& bank : banks) {
        if (bank.name == name) {
            return &bank;
        }
    }
    return nullptr;
}

} // namespace

// Nearest whole number, halves away from zero, clamped to lo..hi; NaN gives lo.
int roundedIndex(double value, int lo, int hi) {
    if (!(value >= static_cast<double>(lo))) {
        return lo;
    }
    if (value >= static_cast<double>(hi)) {
        return hi;
    }
    return static_cast<int>(std::round(value));
}

std::int32_t samplesFor(double rate, double seconds) {
    const double n = rate * seconds;
    if (!(n > 0.0)) {
        return 0;
    }
    if (n >= 2147483647.0) {
        return INT32_MAX;
    }
    return static_cast<std::int32_t>(n);
}

FXCorePlugin::FXCorePlugin(const clap_host* hostArg)
    : clapPlugin(makeClapPluginRecord(this)), host(hostArg), params(kParamCount) {
    const auto& table = paramDefs();
    for (std::size_t i = 0; i < table.size(); ++i) {
        params[i].store(table[i].defaultValue, std::memory_order_relaxed);
    }

    programs.resize(kProgramSlotCount);
    controlNames.resize(kProgramSlotCount);
    for (int k = 0; k < kEmbeddedProgramCount; ++k) {
        const EmbeddedProgram& row = kEmbeddedPrograms[k];
        auto program = std::make_unique<fxcore::FXCoreProgram>();
        program->presets = fxcore::FXCoreProgram::defaultPresets();
        const std::string_view hex = row.hexText != nullptr ? row.hexText : "";
        if (program->loadFromText(hex).ok) {
            program->name = row.name;
            programs[static_cast<std::size_t>(k)] = std::move(program);
        }
        if (row.controlNamesText != nullptr && row.controlNamesText[0] != '\0') {
            controlNames[static_cast<std::size_t>(k)] = ControlNames::parse(row.controlNamesText);
        }
    }

    for (int k = 0; k < kEmbeddedProgramCount; ++k) {
        const auto& program = programs[static_cast<std::size_t>(k)];
        if (program == nullptr) {
            continue;
        }
        NameSplit split = splitProgramName(program->name);
        Bank* bank = findBank(banks, split.bank);
        if (bank == nullptr) {
            banks.push_back(Bank{split.bank, {}});
            bank = &banks.back();
        }
        const auto mode = static_cast<std::size_t>(split.mode);
        if (mode >= bank->programForMode.size()) {
            bank->programForMode.resize(mode + 1, -1);
        }
        bank->programForMode[mode] = k;
    }
    // A mode no program names runs the program of the lowest mode that has one.
    for (Bank& bank : banks) {
        const auto first = std::find_if(bank.programForMode.begin(), bank.programForMode.end(),
                                        [](int slot) { return slot >= 0; });
        const int fill = first != bank.programForMode.end() ? *first : 0;
        std::replace_if(bank.programForMode.begin(), bank.programForMode.end(),
                        [](int slot) { return slot < 0; }, fill);
    }

    publishCatalogue(nullptr);

    const Bank* defaultBank = findBank(banks, "mp-corlinde-jr");
    if (defaultBank == nullptr) {
        defaultBank = findBank(banks, "passthrough");
    }
    if (defaultBank != nullptr) {
        const auto index = static_cast<double>(defaultBank - banks.data());
        slotFor(kParamProgram)->store(index, std::memory_order_relaxed);
        const int first = defaultBank->programForMode.empty() ? 0 : defaultBank->programForMode[0];
        activeProgram.exchange(first, std::memory_order_relaxed);
    }
}

void FXCorePlugin::publishCatalogue(std::unique_ptr<const fxcore::FXCoreProgram> retiredProgram) {
    auto next = std::make_unique<ProgramCatalogue>();
    next->banks = banks;
    next->customProgram = programs[kCustomSlot].get();
    catalogue.publish(std::move(next), std::move(retiredProgram));
}

bool FXCorePlugin::loadCustomHex(const std::string& hexText, const std::string& name,
                                 std::string& error) {
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

    Bank* custom = findBank(banks, kCustomBankName);
    if (custom == nullptr) {
        banks.push_back(Bank{kCustomBankName, {kCustomSlot}});
        custom = &banks.back();
    }
    const auto bankIndex = static_cast<double>(custom - banks.data());

    // Order matters for the audio thread: the catalogue first, then the selection, then the
    // generation (release), so seeing the new generation implies seeing both.
    publishCatalogue(std::move(replaced));
    slotFor(kParamProgram)->store(bankIndex, std::memory_order_relaxed);
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
    const int m = roundedIndex(paramValue(kParamMode), 0,
                               static_cast<int>(bank.programForMode.size()) - 1);
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

} // namespace fxcoreplug
