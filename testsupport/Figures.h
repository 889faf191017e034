#pragma once
// Figures that the tests measure and the READMEs quote. A test records each figure it
// asserts under a key; scripts/figure-tables.py fills the READMEs' figure tables from the
// recorded values, and CI fails when a README differs from what they give. So a figure is
// typed nowhere: the run that measured it writes it.
//
// Each figure is one file, <folder>/<key>, holding the figure's text; the folder is the
// build's (CORLINDE_FIGURES_DIR). One file per key lets the shards of a suite record from
// parallel processes; each file is written under a temporary name and renamed into place.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

namespace corlinde::test {

// Keys are lower-case words joined by '.', '-' or '_' (they name files and placeholders).
inline bool isFigureKey(std::string_view key) {
    if (key.empty() || key.front() == '.') return false;
    for (char c : key) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

#ifndef CORLINDE_FIGURES_DIR
#error "CORLINDE_FIGURES_DIR names the folder of the recorded figures (corlinde_add_gtest sets it)"
#endif

inline void recordFigureText(std::string_view key, std::string_view text) {
    if (!isFigureKey(key)) throw std::invalid_argument("not a figure key: " + std::string(key));
    const std::filesystem::path folder(CORLINDE_FIGURES_DIR);
    std::filesystem::create_directories(folder);
    const std::filesystem::path target = folder / std::string(key);
    std::filesystem::path temporary = target;
    temporary += ".part-" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) throw std::runtime_error("cannot write " + temporary.string());
    }
    std::filesystem::rename(temporary, target);
}

// The value with a fixed number of decimals, as the READMEs print it ("-0.0" prints "0.0").
inline std::string figureText(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

// Records the value and returns it, so a test can assert on what it records.
inline double recordFigure(std::string_view key, double value, int decimals) {
    recordFigureText(key, figureText(value, decimals));
    return value;
}

}  // namespace corlinde::test
