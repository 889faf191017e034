#pragma once
// A declarative view of a core's state for table tests: a list of cells
// (which member, which index, what value) sets the state in, another says
// what must differ afterwards, and a snapshot comparison checks that nothing
// else changed.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "fxcore/FXCoreCore.h"

namespace fxcore::test {

enum class At { Reg, Delay, Sfr, Output, UserOut, Ramp, Acc64, DelayPtr, SampleCounter };

struct Cell {
    At at;
    int index;
    std::int64_t value;
};

inline Cell reg(int n, std::int64_t v) {
    return {At::Reg, n, v};
}
inline Cell acc(std::int64_t v) {
    return {At::Reg, FXCoreCore::kAcc32Register, v};
}
inline Cell mreg(int m, std::int64_t v) {
    return {At::Reg, FXCoreCore::kFirstMregRegister + m, v};
}
inline Cell delayWord(int address, std::int64_t v) {
    return {At::Delay, address, v};
}
inline Cell sfr(int n, std::int64_t v) {
    return {At::Sfr, n, v};
}
inline Cell output(int k, std::int64_t v) {
    return {At::Output, k, v};
}
inline Cell userOut(int k, std::int64_t v) {
    return {At::UserOut, k, v};
}
inline Cell ramp(int j, std::int64_t v) {
    return {At::Ramp, j, v};
}
inline Cell acc64(std::int64_t v) {
    return {At::Acc64, 0, v};
}
inline Cell delayPtr(std::int64_t v) {
    return {At::DelayPtr, 0, v};
}
inline Cell sampleCounter(std::int64_t v) {
    return {At::SampleCounter, 0, v};
}

struct Snapshot {
    std::array<std::int32_t, FXCoreCore::kRegisterFileSize> regFile{};
    std::vector<std::int16_t> delay;
    std::array<std::int32_t, FXCoreCore::kSfrCount> sfr{};
    std::array<std::int32_t, 4> outputs{};
    std::array<std::int32_t, 2> userOut{};
    std::array<std::uint32_t, 2> ramp{};
    std::int64_t acc64 = 0;
    std::int32_t delayPtr = 0;
    std::uint32_t sampleCounter = 0;

    explicit Snapshot(const FXCoreCore& core)
        : regFile(core.regFile),
          delay(core.delayMemory.begin(), core.delayMemory.end()),
          sfr(core.sfr),
          outputs(core.outputs),
          userOut(core.userOut),
          ramp(core.ramp),
          acc64(core.acc64),
          delayPtr(core.delayPtr),
          sampleCounter(core.sampleCounter) {}

    void apply(const Cell& cell) {
        const auto i = static_cast<std::size_t>(cell.index);
        const auto v32 =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(cell.value)));
        switch (cell.at) {
        case At::Reg: regFile[i] = v32; break;
        case At::Delay: delay[i & 0x7FFF] = static_cast<std::int16_t>(v32); break;
        case At::Sfr: sfr[i] = v32; break;
        case At::Output: outputs[i] = v32; break;
        case At::UserOut: userOut[i] = v32; break;
        case At::Ramp: ramp[i] = static_cast<std::uint32_t>(v32); break;
        case At::Acc64: acc64 = cell.value; break;
        case At::DelayPtr: delayPtr = v32; break;
        case At::SampleCounter: sampleCounter = static_cast<std::uint32_t>(v32); break;
        }
    }

    void storeInto(FXCoreCore& core) const {
        core.regFile = regFile;
        std::copy(delay.begin(), delay.end(), core.delayMemory.begin());
        core.sfr = sfr;
        core.outputs = outputs;
        core.userOut = userOut;
        core.ramp = ramp;
        core.acc64 = acc64;
        core.delayPtr = delayPtr;
        core.sampleCounter = sampleCounter;
    }
};

// Element-wise comparison that names the first differing member and index.
inline void expectSameState(const Snapshot& expected, const Snapshot& actual) {
    for (std::size_t i = 0; i < expected.regFile.size(); ++i)
        EXPECT_EQ(actual.regFile[i], expected.regFile[i]) << "register number " << i;
    for (std::size_t i = 0; i < expected.delay.size(); ++i)
        if (actual.delay[i] != expected.delay[i]) {
            ADD_FAILURE() << "delay word " << i << ": " << actual.delay[i] << " expected "
                          << expected.delay[i];
            break;
        }
    for (std::size_t i = 0; i < expected.sfr.size(); ++i)
        EXPECT_EQ(actual.sfr[i], expected.sfr[i]) << "SFR " << i;
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(actual.outputs[i], expected.outputs[i]) << "output " << i;
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(actual.userOut[i], expected.userOut[i]) << "user output " << i;
    for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(actual.ramp[i], expected.ramp[i]) << "ramp " << i;
    EXPECT_EQ(actual.acc64, expected.acc64) << "acc64";
    EXPECT_EQ(actual.delayPtr, expected.delayPtr) << "delayPtr";
    EXPECT_EQ(actual.sampleCounter, expected.sampleCounter) << "sampleCounter";
}

}  // namespace fxcore::test
