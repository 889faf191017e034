#pragma once
// The bank list and custom program that the audio thread's program switch reads, and the
// hand-off that replaces them from the main thread while processing runs.
//
// A catalogue is immutable once published. The main thread builds a new one for every
// successful custom-program load and publishes it with one atomic pointer store; the audio
// thread reads the published pointer at each program check. A replaced catalogue (and the
// custom program it named) is kept until the audio thread can no longer be reading it:
// the audio thread announces the catalogue it reads in a hazard pointer, and the main thread
// frees only what that pointer does not name. At most one retired catalogue can be in use at a
// time, so retired entries never pile up over repeated state loads.
//
// The audio thread never waits: when a publish races its read, the check is skipped and runs
// again at the next block or event.

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace fxcore {
class FXCoreProgram;
}

namespace fxcoreplug {

// A named group of programs, one per mode of the pedal's mode toggle.
struct Bank {
    std::string name;                 // unique within a bank list
    std::vector<int> programForMode;  // entry m: the program slot of mode m
};

struct ProgramCatalogue {
    std::vector<Bank> banks;
    // The program in the custom slot, or null; owned by the plug-in (or, once retired, by the
    // hand-off), never by the catalogue.
    const fxcore::FXCoreProgram* customProgram = nullptr;
};

class CatalogueHandoff {
public:
    CatalogueHandoff() = default;
    CatalogueHandoff(const CatalogueHandoff&) = delete;
    CatalogueHandoff& operator=(const CatalogueHandoff&) = delete;
    ~CatalogueHandoff();

    // [main-thread] Makes next the catalogue the audio thread reads. The previous catalogue is
    // retired together with retiredProgram, the custom program it named (null if none), and
    // both are freed once the audio thread cannot be reading them.
    void publish(std::unique_ptr<const ProgramCatalogue> next,
                 std::unique_ptr<const fxcore::FXCoreProgram> retiredProgram);

    // [main-thread] Frees every retired entry the audio thread is not reading.
    void collect();

    // [main-thread] Retired entries not yet freed (0 or 1 after a collect).
    std::size_t retiredCount() const { return retired.size(); }

    // [main-thread] The catalogue last published, or null before the first publish.
    const ProgramCatalogue* latest() const { return current.get(); }

    // [audio-thread] The catalogue to read until leave(), or null when a publish raced this
    // call (nothing may be read then; try again at the next check). Wait-free.
    const ProgramCatalogue* enter();

    // [audio-thread] Ends the read begun by a non-null enter().
    void leave();

private:
    struct Retired {
        std::unique_ptr<const ProgramCatalogue> catalogue;
        std::unique_ptr<const fxcore::FXCoreProgram> program;
    };

    // Written by publish (seq_cst), read by enter (seq_cst). The seq_cst order of this store,
    // the hazard store in enter and the two loads that follow them is what guarantees that the
    // main thread never frees a catalogue the audio thread has validated in enter.
    std::atomic<const ProgramCatalogue*> published{nullptr};
    // The hazard pointer: written by the audio thread (seq_cst in enter, release in leave),
    // read by collect (seq_cst, so every read of the catalogue before leave happens before the
    // free).
    std::atomic<const ProgramCatalogue*> reading{nullptr};

    std::unique_ptr<const ProgramCatalogue> current;  // [main-thread] owner of published
    std::vector<Retired> retired;                     // [main-thread]
};

}  // namespace fxcoreplug
