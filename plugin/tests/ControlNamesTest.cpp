#include "plugin/ControlNames.h"
#include "plugin/tests/PedalControlNames.h"

#include <gtest/gtest.h>

#include <string>

namespace fxcoreplug {
namespace {

using Slot = ControlNames::Slot;

// The pedal's own text for one mode, every line ending in one LF.
std::string pedalText(const std::string& number, const std::string& label) {
    return test::pedalControlNamesText(number, label);
}

TEST(ControlNames, PedalTextGivesThePrintedPanel) {
    const ControlNames n = ControlNames::parse(pedalText("1", "DRISK"));
    EXPECT_TRUE(n.valid);
    EXPECT_EQ(n.name, "Corlinde Jr (DRISK)");
    EXPECT_EQ(n.panel, "corlinde-jr");
    const char* labels[6] = {"ONE", "MIX", "TWO", "Kavro/Drisk/Vestra", "CLOCK", "TWEAK"};
    for (int p = 0; p < 6; ++p) {
        const auto& pot = n.pots[static_cast<std::size_t>(p)];
        EXPECT_EQ(pot.kind, p == 3 ? Slot::ModeToggle : Slot::Knob) << p;
        EXPECT_EQ(pot.label, labels[p]) << p;
        EXPECT_EQ(pot.swA, -1);
        EXPECT_EQ(pot.swB, -1);
        EXPECT_EQ(n.potUsed(p), p != 3) << p;
    }
    for (int s = 0; s < 4; ++s) EXPECT_EQ(n.switches[static_cast<std::size_t>(s)], "") << s;
    EXPECT_EQ(n.switches[4], "BYPASS");
    EXPECT_EQ(n.tap, "");
    EXPECT_EQ(n.enable, "");
    EXPECT_EQ(n.user[0], "");
    EXPECT_EQ(n.user[1], "");
    EXPECT_TRUE(n.combinedLeds);
}

TEST(ControlNames, EmptyTextIsValidWithNothingPresent) {
    const ControlNames n = ControlNames::parse("");
    EXPECT_TRUE(n.valid);
    for (int p = 0; p < 6; ++p) {
        EXPECT_FALSE(n.potUsed(p)) << p;
        EXPECT_EQ(n.potType(p), Slot::Empty) << p;
    }
    EXPECT_EQ(n.potName(2), "POT2");
    EXPECT_EQ(n.switchName(1), "SW1");
    EXPECT_EQ(n.tapName(), "TAP");
    EXPECT_EQ(n.enableName(), "ENABLE");
    EXPECT_FALSE(n.combinedLeds);
}

TEST(ControlNames, DefaultRecordShowsEveryPotAsKnob) {
    const ControlNames n;
    EXPECT_FALSE(n.valid);
    for (int p = 0; p < 6; ++p) {
        EXPECT_TRUE(n.potUsed(p)) << p;
        EXPECT_EQ(n.potType(p), Slot::Knob) << p;
        EXPECT_EQ(n.potName(p), "POT" + std::to_string(p));
        EXPECT_EQ(n.pots[static_cast<std::size_t>(p)].swA, -1);
        EXPECT_EQ(n.pots[static_cast<std::size_t>(p)].swB, -1);
    }
    EXPECT_EQ(n.switchName(4), "SW4");
}

TEST(ControlNames, LineEndsAllReadAlike) {
    const std::string lf = pedalText("0", "KAVRO");
    std::string crlf;
    std::string cr;
    for (char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    std::string noFinalEnd = lf;
    noFinalEnd.pop_back();
    const ControlNames ref = ControlNames::parse(lf);
    for (const std::string& text : {crlf, cr, noFinalEnd}) {
        const ControlNames n = ControlNames::parse(text);
        EXPECT_EQ(n.name, ref.name);
        EXPECT_EQ(n.panel, ref.panel);
        EXPECT_EQ(n.switches, ref.switches);
        EXPECT_EQ(n.combinedLeds, ref.combinedLeds);
        for (std::size_t p = 0; p < 6; ++p) {
            EXPECT_EQ(n.pots[p].kind, ref.pots[p].kind);
            EXPECT_EQ(n.pots[p].label, ref.pots[p].label);
        }
    }
    EXPECT_TRUE(ControlNames::parse("LEDS combined").combinedLeds);  // last line without an end
}

struct PotCase {
    const char* text;
    int pot;
    Slot kind;
    const char* label;
    int swA;
    int swB;
};

TEST(ControlNames, PotValueGrammar) {
    const PotCase cases[] = {
        {"pot1 drive", 1, Slot::Knob, "drive", -1, -1},
        {"POT1 Big  Drive\t", 1, Slot::Knob, "Big  Drive", -1, -1},
        {"POT1", 1, Slot::Empty, "", -1, -1},
        {"POT1 \t  ", 1, Slot::Empty, "", -1, -1},
        {"POT0 Drive\nPOT0 none", 0, Slot::Empty, "Drive", -1, -1},
        {"POT0 Drive\nPOT0 - x", 0, Slot::Empty, "Drive", -1, -1},
        {"POT3 MODE", 3, Slot::ModeToggle, "", -1, -1},
        {"POT3 mode A/B/C", 3, Slot::ModeToggle, "A/B/C", -1, -1},
        {"POT2 POT-TOGGLE Range", 2, Slot::PotToggle, "Range", -1, -1},
        {"POT2 pottoggle", 2, Slot::PotToggle, "", -1, -1},
        {"POT4 SW-TOGGLE SW1 SW3 Boost", 4, Slot::SwToggle, "Boost", 1, 3},
        {"POT4 SWTOGGLE sw2", 4, Slot::SwToggle, "", 2, -1},
        {"POT4 SW-TOGGLE SW1 Boost", 4, Slot::SwToggle, "", 1, -1},
        {"POT4 SW-TOGGLE SW7 X Y", 4, Slot::SwToggle, "Y", -1, -1},
        {"POT4 SW-TOGGLE SW0 SW4 Hi Lo", 4, Slot::SwToggle, "Hi Lo", 0, 4},
        {"POT4 SW-TOGGLE SW1 SW2\nPOT4 SW-TOGGLE x SW0 L", 4, Slot::SwToggle, "L", 1, 0},
        {"POT5 MODEX", 5, Slot::Knob, "MODEX", -1, -1},
        {"POT6 X", 5, Slot::Empty, "", -1, -1},
        {"POT00 X", 0, Slot::Empty, "", -1, -1},
        {"#POT0   ONE", 0, Slot::Knob, "ONE", -1, -1},
        {"POT0 \xC3\xA9tage", 0, Slot::Knob, "\xC3\xA9tage", -1, -1},
    };
    for (const PotCase& c : cases) {
        const ControlNames n = ControlNames::parse(c.text);
        const auto& pot = n.pots[static_cast<std::size_t>(c.pot)];
        EXPECT_EQ(pot.kind, c.kind) << c.text;
        EXPECT_EQ(pot.label, c.label) << c.text;
        EXPECT_EQ(pot.swA, c.swA) << c.text;
        EXPECT_EQ(pot.swB, c.swB) << c.text;
    }
}

TEST(ControlNames, EmptyPotKeepsItsLabelForTheName) {
    const ControlNames n = ControlNames::parse("POT0 Drive\nPOT0 none\nPOT3 MODE\n");
    EXPECT_EQ(n.potName(0), "Drive");
    EXPECT_FALSE(n.potUsed(0));
    EXPECT_EQ(n.potName(3), "POT3");
    EXPECT_FALSE(n.potUsed(3));
}

TEST(ControlNames, KeysAndComments) {
    EXPECT_EQ(ControlNames::parse("SW5 X").switches, (std::array<std::string, 5>{}));
    EXPECT_EQ(ControlNames::parse("SW X").switches, (std::array<std::string, 5>{}));
    EXPECT_EQ(ControlNames::parse("USER2 X").user, (std::array<std::string, 2>{}));
    EXPECT_EQ(ControlNames::parse("USER1 X").user[1], "X");
    EXPECT_EQ(ControlNames::parse("user0 left lamp").user[0], "left lamp");
    EXPECT_EQ(ControlNames::parse("NAME A\nTITLE B").name, "B");
    EXPECT_EQ(ControlNames::parse("PANEL Corlinde-JR").panel, "Corlinde-JR");
    EXPECT_EQ(ControlNames::parse("# TAP Tempo").tapName(), "Tempo");
    EXPECT_EQ(ControlNames::parse(";; SW0 Fuzz").switchName(0), "Fuzz");
    EXPECT_EQ(ControlNames::parse("; #;  ENABLE On").enableName(), "On");
    EXPECT_EQ(ControlNames::parse("name\tTab Separated").name, "Tab Separated");
    EXPECT_EQ(ControlNames::parse("NAME").name, "");
    EXPECT_EQ(ControlNames::parse("NAME   \nTAP  \t").tap, "");
    EXPECT_EQ(ControlNames::parse("\v\f NAME X \v").name, "X");
    // A prose comment whose first word is no key changes nothing.
    const ControlNames prose = ControlNames::parse("; Names read off the printed panel.");
    EXPECT_EQ(prose.name, "");
    EXPECT_TRUE(prose.valid);
}

TEST(ControlNames, LedModeFollowsTheLastLine) {
    for (const char* word : {"center", "CENTRE", "Bicolour", "bicolor", "combined"}) {
        EXPECT_TRUE(ControlNames::parse(std::string("LEDS ") + word).combinedLeds) << word;
        EXPECT_TRUE(ControlNames::parse(std::string("LAMPS ") + word).combinedLeds) << word;
    }
    EXPECT_FALSE(ControlNames::parse("LEDS center lamp").combinedLeds);
    EXPECT_FALSE(ControlNames::parse("LEDS centre\nLEDS off").combinedLeds);
    EXPECT_TRUE(ControlNames::parse("LEDS off\nLAMPS Combined").combinedLeds);
}

TEST(ControlNames, AccessorsAnswerOutOfRangeAsAbsent) {
    const ControlNames n = ControlNames::parse("POT0 A\nSW0 B");
    EXPECT_FALSE(n.potUsed(6));
    EXPECT_FALSE(n.potUsed(-1));
    EXPECT_EQ(n.potType(6), Slot::Empty);
    EXPECT_EQ(n.potName(-1), "POT-1");
    EXPECT_EQ(n.switchName(5), "SW5");
}

}  // namespace
}  // namespace fxcoreplug
