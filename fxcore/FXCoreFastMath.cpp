// The tables of the exact fast forms, computed once at load time from the
// library functions the references use.

#include "fxcore/FXCoreFastMath.h"

#include <array>

namespace fxcore::fastmath {

namespace {

// sin and cos of j * pi/32. For m = 0..15: the library at the double x
// nearest m * pi/32, corrected to first order by the remainder d (below half
// an ulp of x, so the second-order term is far below an ulp); the other
// quarter turns by exact symmetry: (s, c) -> (c, -s) -> (-s, -c) -> (-c, s).
std::array<LfoTableEntry, 64> lfoTable() {
    std::array<LfoTableEntry, 64> table{};
    for (int m = 0; m < 16; ++m) {
        const double head = m * kStepHead;  // exact
        const double x = head + m * kStepTail;
        const double d = (head - x) + m * kStepTail;
        const double s = std::sin(x) + std::cos(x) * d;
        const double c = std::cos(x) - std::sin(x) * d;
        const auto at = [&table, m](int quarter, double sine, double cosine) {
            table[static_cast<std::size_t>(16 * quarter + m)] = {{sine, cosine}, {cosine, -sine}};
        };
        at(0, s, c);
        at(1, c, -s);
        at(2, -s, -c);
        at(3, -c, s);
    }
    return table;
}

std::array<double, 64> exp2Table() {
    std::array<double, 64> table{};
    for (int k = 0; k < 64; ++k) table[static_cast<std::size_t>(k)] = std::exp2(k / 64.0);
    return table;
}

// The reciprocal of the centre of [1 + k/64, 1 + (k+1)/64), rounded to 20
// fraction bits (21 significant bits: it lies in (0.5, 1)).
std::array<Log2Entry, 64> log2Table() {
    std::array<Log2Entry, 64> table{};
    for (int k = 0; k < 64; ++k) {
        const double reciprocal = std::nearbyint(0x1p20 / (1.0 + (k + 0.5) / 64.0)) * 0x1p-20;
        table[static_cast<std::size_t>(k)] = {reciprocal, -std::log2(reciprocal)};
    }
    return table;
}

}  // namespace

const std::array<LfoTableEntry, 64> kLfoTable = lfoTable();
const std::array<double, 64> kExp2Table = exp2Table();
const std::array<Log2Entry, 64> kLog2Table = log2Table();

}  // namespace fxcore::fastmath
