#pragma once
// What the end-to-end tests of corlinde-host share: running the host binary,
// a scratch folder, test signals, WAV files through libsndfile, and the same
// render done in-process through the emulator core.

#include <cstdint>
#include <string>
#include <vector>

namespace fxcorehost::test {

// Paths the build passes in.
std::string hostPath();
std::string pluginPath();
std::string notAPluginPath();
std::string firmwareHexPath(int mode);

struct RunResult {
    int exitCode = -1;  // the process's exit status; 128 + n when killed by signal n
    std::string out;
    std::string err;
};

// Runs corlinde-host with args (argv[1..]) and waits for it.
RunResult runHost(const std::vector<std::string>& args);

// Starts corlinde-host with stdout and stderr into the given files; the pid,
// or -1. waitHost waits and gives the exit code as RunResult does, and the
// child's peak resident memory in kilobytes when maxResidentKb is given.
int startHost(const std::vector<std::string>& args, const std::string& outPath, const std::string& errPath);
// The same with stdout on an open descriptor (a pipe, say).
int startHost(const std::vector<std::string>& args, int outFd, const std::string& errPath);
int waitHost(int pid, long* maxResidentKb = nullptr);

// A reader of a FIFO in a process of its own (cat), copying what it reads
// into copyPath; the pid, or -1. finishFifoReader waits for it to read to the
// end when the writer succeeded, and ends it first when the writer failed
// (and may never have opened the FIFO).
int startFifoReader(const std::string& fifoPath, const std::string& copyPath);
void finishFifoReader(int pid, bool writerSucceeded);

// The whole file as bytes ("" when it cannot be read).
std::string readText(const std::string& path);

// A fresh folder under TMPDIR, removed with everything in it at destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string path(const std::string& name) const { return m_path + "/" + name; }
    const std::string& root() const { return m_path; }
    // Names of everything in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::string m_path;
};

// Interleaved audio.
struct Audio {
    int channels = 2;
    int sampleRate = 48000;
    std::vector<float> samples;
    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size()) / channels; }
};

// A guitar-like test signal: decaying tones with noise, different on the two
// channels, every sample on the 24-bit grid so it passes the core unchanged.
Audio testSignal(int sampleRate, double seconds, int channels = 2);

// Writes 32-bit float WAV (exact) unless pcm24 is set.
bool writeWav(const std::string& path, const Audio& audio, bool pcm24 = false);
bool readAudio(const std::string& path, Audio& audio);

// The plug-in's processing of one file, redone sample by sample on a core.
struct ReferenceSetup {
    int mode = 0;
    float pots[6] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    double inputTrimDb = 0.0;
    double outputTrimDb = 0.0;
    bool monitor = false;
    // Samples from which the footswitch pin (switch 4) is held for one MIDI
    // press: (int)(rate x 0.12) - 1 samples.
    std::vector<std::int64_t> footswitchPresses;
};

// False (with a failed gtest assertion) when the firmware cannot be loaded.
bool referenceRender(const ReferenceSetup& setup, const Audio& input, Audio& output);

// Index of the first sample (interleaved) where a and b differ, -1 if none;
// a different length counts as a difference at the shorter end.
std::int64_t firstDifference(const Audio& a, const Audio& b);

}  // namespace fxcorehost::test
