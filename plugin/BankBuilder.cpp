// Bank building from program names; see BankBuilder.h.

#include "plugin/BankBuilder.h"

#include <algorithm>
#include <climits>

namespace fxcoreplug {

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
        mode = std::min<long long>(mode * 10 + (c - '0'), INT_MAX);
    }
    return {name.substr(0, underscore), static_cast<int>(mode)};
}

int findBankIndex(const std::vector<Bank>& banks, const std::string& name) {
    for (std::size_t i = 0; i < banks.size(); ++i) {
        if (banks[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<Bank> buildBanks(const std::vector<const std::string*>& slotNames) {
    std::vector<Bank> banks;
    for (std::size_t k = 0; k < slotNames.size(); ++k) {
        if (slotNames[k] == nullptr) {
            continue;
        }
        const NameSplit split = splitProgramName(*slotNames[k]);
        int index = findBankIndex(banks, split.bank);
        if (index < 0) {
            banks.push_back(Bank{split.bank, {}});
            index = static_cast<int>(banks.size()) - 1;
        }
        std::vector<int>& modes = banks[static_cast<std::size_t>(index)].programForMode;
        const auto mode = static_cast<std::size_t>(split.mode);
        if (mode >= modes.size()) {
            modes.resize(mode + 1, -1);
        }
        modes[mode] = static_cast<int>(k);
    }
    for (Bank& bank : banks) {
        const auto first = std::find_if(bank.programForMode.begin(), bank.programForMode.end(),
                                        [](int slot) { return slot >= 0; });
        const int fill = first != bank.programForMode.end() ? *first : 0;
        std::replace_if(
            bank.programForMode.begin(), bank.programForMode.end(), [](int slot) { return slot < 0; }, fill);
    }
    return banks;
}

}  // namespace fxcoreplug
