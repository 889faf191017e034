#pragma once
// Grouping program slots into banks by their names: "<bank>_<mode>" puts a program at that
// mode of that bank; any other name is a bank of its own at mode 0.

#include <string>
#include <vector>

#include "plugin/ProgramCatalogue.h"

namespace fxcoreplug {

struct NameSplit {
    std::string bank;
    int mode = 0;
};

// [thread-safe] Splits a program name at its last "_" when only digits follow it (at least
// one); the mode saturates at INT_MAX. Otherwise the whole name with mode 0.
NameSplit splitProgramName(const std::string& name);

// [thread-safe] The banks of the loaded slots, in order of first appearance. slotNames[k] is
// slot k's program name, or null for an empty slot. A later program at the same bank and mode
// replaces an earlier one; a mode no program names runs the lowest mode that has one.
std::vector<Bank> buildBanks(const std::vector<const std::string*>& slotNames);

// [thread-safe] Index of the bank named exactly name, or -1.
int findBankIndex(const std::vector<Bank>& banks, const std::string& name);

}  // namespace fxcoreplug
