#pragma once
// fxcore::FXCoreCore: the emulated FXCore chip. One `run` advances it by one
// audio sample: inputs in, peripherals stepped, the loaded program executed
// once from its first word, level flags and user-output duty updated.
//
// Number formats: registers, inputs and output latches are S.31 (int32 v is
// v / 2^31); acc64 is S.63; a delay-memory word is the top 16 bits of an S.31
// value.
//
// Threads: everything runs on the audio thread, one call at a time, except
// the constructor (main thread, before processing), writes of `sampleRate`
// (main thread, while not processing) and `readUserDuty` /
// `takeUserDutyCounts` (main thread, at any time, concurrently with `run`).

#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "fxcore/SpecialRegisters.h"

namespace fxcore {

class FXCoreCore {
public:
    static constexpr int kProgramSize = 1024;
    static constexpr int kCoreRegisterCount = 16;
    static constexpr int kMemoryRegisterCount = 128;
    static constexpr int kSfrCount = fxcore::kSfrCount;
    static constexpr int kDelayWords = 32768;
    static constexpr std::int32_t kDelayMask = 0x7FFF;
    static constexpr int kPotCount = 6;
    static constexpr int kLfoCount = 4;
    static constexpr int kOutputCount = 4;

    // Register numbers of a five-bit register field, and the layout of the
    // register file behind them: R0..R15, acc32, flags, MREG0..MREG127.
    static constexpr int kAcc32Register = 16;
    static constexpr int kFlagsRegister = 17;
    static constexpr int kFirstMregRegister = 18;
    static constexpr int kRegisterFileSize = kFirstMregRegister + kMemoryRegisterCount;

    // Special function register numbers (kSpecialRegisters).
    static constexpr int kSfrInput0 = firstSfrOf(SfrBlock::Inputs);
    static constexpr int kSfrOutput0 = firstSfrOf(SfrBlock::Outputs);
    static constexpr int kSfrPins = firstSfrOf(SfrBlock::Pins);
    static constexpr int kSfrSwitches = firstSfrOf(SfrBlock::Switches);
    static constexpr int kSfrPotShift0 = firstSfrOf(SfrBlock::PotShifts);
    static constexpr int kSfrPotRaw0 = firstSfrOf(SfrBlock::PotsRaw);
    static constexpr int kSfrPotSmoothed0 = firstSfrOf(SfrBlock::PotsSmoothed);
    static constexpr int kSfrLfoRate0 = firstSfrOf(SfrBlock::LfoRates);
    static constexpr int kSfrRampRate0 = firstSfrOf(SfrBlock::RampRates);
    static constexpr int kSfrLfoSine0 = firstSfrOf(SfrBlock::LfoOutputs);  // sine k at +2k, cosine k at +2k+1
    static constexpr int kSfrRamp0 = firstSfrOf(SfrBlock::Ramps);
    static constexpr int kSfrTapMaxInterval = firstSfrOf(SfrBlock::TapMaxInterval);
    static constexpr int kSfrTapInterval = firstSfrOf(SfrBlock::TapInterval);
    static constexpr int kSfrSampleCounter = firstSfrOf(SfrBlock::SampleCounter);
    static constexpr int kSfrNoise = firstSfrOf(SfrBlock::Noise);
    static_assert(sfrCountOf(SfrBlock::Inputs) == 4 && sfrCountOf(SfrBlock::Outputs) == kOutputCount);
    static_assert(sfrCountOf(SfrBlock::PotShifts) == kPotCount &&
                  sfrCountOf(SfrBlock::PotsRaw) == kPotCount &&
                  sfrCountOf(SfrBlock::PotsSmoothed) == kPotCount);
    static_assert(sfrCountOf(SfrBlock::LfoRates) == kLfoCount &&
                  sfrCountOf(SfrBlock::LfoOutputs) == 2 * kLfoCount);
    static_assert(sfrCountOf(SfrBlock::RampRates) == 2 && sfrCountOf(SfrBlock::Ramps) == 2);

    static constexpr std::uint32_t kNoiseSeed = 0x2545F491u;

    // A program's initial register image and timing constants. The defaults
    // are the core's own presets (used until a program brings its own).
    struct Presets {
        std::array<std::int32_t, kCoreRegisterCount> creg{};
        std::array<std::int32_t, kMemoryRegisterCount> mreg{};
        std::array<std::int32_t, kSfrCount> sfr{};
        std::array<std::int32_t, 2> userOutInitial{};  // non-zero: output starts on
        std::int32_t tapLongPressSamples = 36000;
        std::int32_t tapDebounceSamples = 480;
        std::int32_t switchDebounceSamples = 480;
    };

    // Per user output, samples with the output on, and samples counted, since
    // the previous take (the integer form of the duty read).
    struct DutyCounts {
        std::array<std::uint64_t, 2> on{};
        std::uint64_t samples = 0;
    };

    // ---- state ---------------------------------------------------------
    // Everything below is touched by the audio thread only, unless tagged.

    std::array<std::uint32_t, kProgramSize> program{};  // written only through setProgram
    std::int32_t programLength = 0;
    std::uint8_t loaded = 0;  // [audio-thread]; the plug-in reads it before each block

    // The register file in register-number order; creg, acc32, flags and mreg
    // are named views of it.
    std::array<std::int32_t, kRegisterFileSize> regFile{};
    const std::span<std::int32_t, kCoreRegisterCount> creg{regFile.data(), kCoreRegisterCount};
    std::int32_t& acc32 = regFile[kAcc32Register];
    std::int32_t& flags = regFile[kFlagsRegister];
    const std::span<std::int32_t, kMemoryRegisterCount> mreg{regFile.data() + kFirstMregRegister,
                                                             kMemoryRegisterCount};

    std::array<std::int32_t, kSfrCount> sfr{};
    // Inside the object, so a pass addresses it from the core pointer without
    // loading a separate base (one load less per delay access).
    std::array<std::int16_t, kDelayWords> delayMemory{};
    Presets presets;
    std::int64_t acc64 = 0;
    std::int32_t delayPtr = 0;
    std::uint32_t sampleCounter = 0;
    double sampleRate = 48000.0;  // written on the main thread only while not processing
    std::uint32_t noiseState = kNoiseSeed;
    std::array<std::int32_t, 2> userOut{};

    // User-output duty, handed to the main thread through a sequence lock:
    // the audio thread is the only writer and never waits; a reader retries
    // while a write is in progress. dutyAccum[k] counts the samples with user
    // output k on, and dutyCount the samples run, since the last state reset
    // (64-bit integers: exact, and they do not overflow in any realistic run).
    // [audio-thread] writes them with release stores between the two
    // sequence stores; [thread-safe] reads load them with acquire, so a value
    // from an unfinished write also shows its odd sequence and the copy is
    // retried (FXCoreDuty.cpp).
    std::array<std::atomic<std::uint64_t>, 2> dutyAccum{};
    std::atomic<std::uint64_t> dutyCount{0};
    // [main-thread] The duty of each user output given by the last read that
    // found new samples.
    std::array<float, 2> lastDuty{};

    std::array<std::int32_t, kPotCount> potLatched{};
    std::array<std::int32_t, kPotCount> potInput{};
    std::array<std::int32_t, kPotCount> potSmoothed{};
    double potScanPhase = 0.0;
    std::array<double, kLfoCount> lfoPhase{};
    std::array<std::uint32_t, 2> ramp{};

    std::uint32_t pins = 0x7F;  // bit i = pin i, 1 released; written by the plug-in before each run
    std::uint32_t switchState = 0x3F;
    std::array<std::int32_t, 6> switchDebounceCount{};
    std::int32_t tapState = 1;
    std::int32_t tapDebounceCount = 0;
    std::int32_t tapHoldCount = 0;  // saturates at INT32_MAX
    std::int32_t tapMeasuring = 0;
    std::uint32_t tapInterval = 0;  // saturates at UINT32_MAX
    std::uint32_t tapFlags = 0;
    std::uint32_t levelFlags = 0;
    std::array<std::int32_t, 4> inputs{};
    std::array<std::int32_t, kOutputCount> outputs{};

    // ---- lifecycle -----------------------------------------------------

    // [main-thread] Decodes the empty program and performs a state reset
    // under the core's own presets.
    FXCoreCore();
    // The register views refer into the object itself, so it is neither
    // copied nor moved; the plug-in holds it by value for its whole life.
    FXCoreCore(const FXCoreCore&) = delete;
    FXCoreCore& operator=(const FXCoreCore&) = delete;

    // [audio-thread] State reset: registers from the presets, delay memory
    // cleared, peripherals restarted. Keeps the program, `loaded`, the sample
    // rate and the noise state. Does not allocate.
    void reset();
    // [audio-thread] Copies the presets, then resets.
    void setPresets(const Presets& newPresets);
    // [audio-thread] Loads up to 1024 words and resets; false (and no program)
    // for a null pointer or zero words.
    bool setProgram(const std::uint32_t* words, std::size_t count);

    // ---- per sample ----------------------------------------------------

    // [audio-thread] One sample; `in` points to four floats or is null.
    void run(const float* in);
    // [audio-thread] One sample exactly as run, but with the program executed
    // word by word by step instead of the threaded pass: what the pass must
    // equal. `observe`, when given, is called after each word with its pc
    // and the next pc.
    using WordObserver = void (*)(void* context, int pc, int next);
    void runWordByWord(const float* in, WordObserver observe = nullptr, void* context = nullptr);
    // [audio-thread] Executes program[pc] and returns the next pc. A pc outside
    // 0..1023 executes nothing and returns 1024 (kProgramSize).
    int step(int pc);
    // How many words the pass runs under one dispatch when it reaches pc: the
    // length of the fused sequence set there, 1, or 0 for the end of the pass
    // (and a pc outside 0..1023).
    int fusedLengthAt(int pc);

    // ---- peripherals ---------------------------------------------------

    // [audio-thread] Pot positions 0.0 to 1.0 (clamped, NaN as 0).
    void setPots(const float* positions);
    void setPot(int pot, float position);
    // [audio-thread] Output latch k as a float; 0.0 outside 0..3.
    float getOutput(int k) const;
    void getOutputs(float* out) const;
    // [main-thread] Duty (0 to 1) of each user output since the previous read;
    // repeats the previous result when no sample has run since. Safe while
    // the audio thread is in `run`.
    void readUserDuty(float* out);
    // [main-thread] The counts behind readUserDuty: takes and restarts them.
    DutyCounts takeUserDutyCounts();
    // [audio-thread] pressed clears bit `pin` of `pins`; pins outside 0..6 are ignored.
    void setPin(int pin, bool pressed);

    std::int32_t readSFR(int n) const;
    void writeSFR(int n, std::int32_t value);

    // [audio-thread] A program's write of pot smoothing shift SFR n (10..15).
    void writePotShift(int n, std::int32_t value);
    void updatePots();
    void updateLFOs();
    std::uint32_t nextNoise();
    void updateOverflow();
    void updateSwitches();
    void updateTapTempo();

    // ---- register numbers ----------------------------------------------

    // The register named by a five-bit register field (only the low five bits
    // of n count).
    std::int32_t& reg(int n) { return regFile[static_cast<std::size_t>(n & 31)]; }
    std::int32_t reg(int n) const { return regFile[static_cast<std::size_t>(n & 31)]; }

    // ---- fixed-point arithmetic (pure) ---------------------------------

    static std::int32_t sat32(std::int64_t v);
    // sat32(a + b) and sat32(a - b) of two int32 values, without widening.
    static std::int32_t satAdd(std::int32_t a, std::int32_t b);
    static std::int32_t satSub(std::int32_t a, std::int32_t b);
    static std::int32_t sat32d(double x);
    static double jsRound(double x);
    static std::int32_t shl(std::int32_t v, std::int32_t n);
    static std::int32_t shrLogical(std::int32_t v, std::int32_t n);
    static std::int32_t satShiftLeft(std::int32_t v, std::int32_t n);
    static std::int32_t negSat(std::int32_t v);
    static std::int32_t toS31(double x);
    static std::int64_t mulFrac64(std::int32_t a, std::int32_t b);
    static std::int32_t mulS31(std::int32_t a, std::int32_t b);
    // sat32d(jsRound(x)) in one step, without a library call.
    static std::int32_t roundSat32(double x);

    // ---- accumulator and delay memory ----------------------------------

    void addToAcc64(std::int64_t x);
    std::int32_t readDelay(std::int32_t off) const;
    // The 16-bit word readDelay reads (its value is the word << 16).
    std::int16_t readDelayWord(std::int32_t off) const;
    void writeDelay(std::int32_t off, std::int32_t v);
    std::int32_t readDelayDirect(std::int32_t addr) const;
    void writeDelayDirect(std::int32_t addr, std::int32_t v);
    std::int32_t interpRead(std::int32_t off, double frac) const;

    // One pre-decoded instruction word (built by setProgram): where the pass
    // continues for its operation, and its operand fields, already extracted.
    struct DecodedWord;
    using Handler = std::int32_t (*)(FXCoreCore& core, const DecodedWord& word);
    struct DecodedWord {
        const void* label;      // where the threaded pass continues for this word
        std::uint8_t a;         // register-file index of rA, or a small select field
        std::uint8_t b;         // register-file index of rB or of MREG M, a select field, or an output latch
        std::uint8_t c;         // a third small field
        std::uint8_t dispatch;  // operation index in kOperations, or one of the core's own variants
        std::int32_t x;         // the word's value operand: offset, immediate, SFR number, skip...
    };
    static DecodedWord decodeWord(std::uint32_t word);

private:
    friend struct OperationHandlers;

    void stateReset();
    void publishDuty(bool restart);
    // The sample cycle of run, with `pass` executing the program.
    template <typename Pass>
    void runSample(const float* in, Pass pass);
    // Runs the program once; with labelsOut, only gives the table of labels.
    void runPass(const void* const** labelsOut = nullptr);
    void decodeProgram();
    void convertInputs(const float* in);
    void updateRamps();

    // The program's words decoded, and one more that ends the pass.
    std::array<DecodedWord, kProgramSize + 1> decoded{};

    // LFO k's outputs are recomputed only when its phase moved.
    struct LfoOutput {
        double phase;
        std::int32_t sine;
        std::int32_t cosine;
    };
    std::array<LfoOutput, kLfoCount> lfoOutput{};
    // True while every LFO rate was 0 in the last step and the outputs are
    // current: the LFO step then only checks the rates.
    bool lfosSettled = false;
    // Bit k set while smoothed pot k may still move: set by a latch that
    // changes its value, a write that changes its smoothing shift and the
    // state reset; cleared when its smoothing step is 0 (its fixed point).
    static constexpr std::uint32_t kAllPots = (1u << kPotCount) - 1;
    std::uint32_t potsMoving = kAllPots;

    // Duty hand-off: sequence counter (odd while the audio thread writes;
    // the even store is a release, the reader's first load an acquire, so a
    // reader seeing it even sees the totals it covers) and the number of state
    // resets (a protected value like the totals). [audio-thread] writes,
    // [thread-safe] reads.
    std::atomic<std::uint32_t> dutySequence{0};
    std::atomic<std::uint32_t> dutyResets{0};
    // [main-thread] What the previous take saw.
    DutyCounts dutyTaken{};
    std::uint32_t dutyTakenResets = 0;
};

}  // namespace fxcore

#include "fxcore/FXCoreArithmetic.h"
