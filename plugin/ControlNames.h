#pragma once
// Control names of one FXCore program: what the pedal's panel prints beside
// each pot and switch, what stands at each of the six pot positions, which
// panel picture the editor draws and whether the two LED outputs light one
// combined lamp. Parsed once from a short keyword text per program.
//
// Threads: records are built on the main thread by the plug-in's constructor
// and never change afterwards, so any thread may read them without locking.

#include <array>
#include <cstdint>
#include <string>

namespace fxcoreplug {

class ControlNames {
public:
    // Kind of one pot position. The values are stored as 32-bit ints.
    enum class Slot : std::int32_t {
        Empty = 0,       // nothing here; the pot's host parameter is hidden
        Knob = 1,        // a plain knob; the pot's host parameter is shown
        SwToggle = 2,    // three-position toggle driving switches swA (up) / swB (down); hidden
        PotToggle = 3,   // three-position toggle setting the pot to fixed values; shown
        ModeToggle = 4,  // three-position toggle selecting the bank's mode; hidden
    };

    struct PotSlot {
        Slot kind = Slot::Empty;
        std::string label;
        std::int32_t swA = -1;  // switch 0..4 driven in the up position, -1 for none
        std::int32_t swB = -1;  // switch 0..4 driven in the down position, -1 for none
    };

    static constexpr int kPotCount = 6;
    static constexpr int kSwitchCount = 5;
    static constexpr int kUserCount = 2;

    // Fields, in this order. A default record is not valid: every text empty,
    // every pot Empty without linked switches, no combined lamp.
    bool valid = false;
    std::string name;   // display name (NAME / TITLE); the group of the pedal's parameters
    std::string panel;  // panel id (PANEL), case kept
    std::array<PotSlot, kPotCount> pots{};
    std::array<std::string, kSwitchCount> switches{};
    std::string tap;
    std::string enable;
    std::array<std::string, kUserCount> user{};
    bool combinedLeds = false;

    // Parses a control-names text. Never fails: every text, even an empty
    // one, gives a valid record; unreadable lines are skipped.
    static ControlNames parse(const std::string& text);

    // Whether the pot's host parameter is shown: always for a record that is
    // not valid, else for a Knob or a PotToggle position.
    bool potUsed(int pot) const;
    // The position's kind for a valid record, Knob for one that is not.
    Slot potType(int pot) const;
    // The position's label, or "POT<n>" when it has none.
    std::string potName(int pot) const;
    // The switch's name, or "SW<n>" when it has none.
    std::string switchName(int sw) const;
    // The tap switch's name, or "TAP".
    std::string tapName() const;
    // The enable switch's name, or "ENABLE".
    std::string enableName() const;
};

}  // namespace fxcoreplug
