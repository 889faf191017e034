#include "HostTestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreProgram.h"

extern char** environ;

namespace fxcorehost::test {

std::string hostPath() {
    return CORLINDE_HOST_PATH;
}
std::string pluginPath() {
    return CORLINDE_CLAP_PATH;
}
std::string notAPluginPath() {
    return CORLINDE_NOT_A_CLAP_PATH;
}
std::string firmwareHexPath(int mode) {
    static const char* const kPaths[] = {CORLINDE_FIRMWARE_HEX_0, CORLINDE_FIRMWARE_HEX_1,
                                         CORLINDE_FIRMWARE_HEX_2};
    return kPaths[mode];
}

namespace {

void removeTree(const std::string& path) {
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            const std::string child = path + "/" + name;
            if (e->d_type == DT_DIR)
                removeTree(child);
            else
                unlink(child.c_str());
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

// Starts the host with actions already holding what stdout and stderr are.
int spawnHost(const std::vector<std::string>& args, posix_spawn_file_actions_t& actions) {
    const std::string program = hostPath();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program;
        return -1;
    }
    return pid;
}

}  // namespace

int startFifoReader(const std::string& fifoPath, const std::string& copyPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, copyPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const char* argv[] = {"cat", fifoPath.c_str(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "cat", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

void finishFifoReader(int pid, bool writerSucceeded) {
    if (pid < 0) return;
    if (!writerSucceeded) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

std::string readText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

int startHost(const std::vector<std::string>& args, const std::string& outPath, const std::string& errPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return spawnHost(args, actions);
}

int startHost(const std::vector<std::string>& args, int outFd, const std::string& errPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return spawnHost(args, actions);
}

int waitHost(int pid, long* maxResidentKb) {
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return -1;
    if (maxResidentKb) *maxResidentKb = usage.ru_maxrss;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

RunResult runHost(const std::vector<std::string>& args) {
    RunResult result;
    ScratchDir capture;
    const std::string outPath = capture.path("stdout");
    const std::string errPath = capture.path("stderr");
    result.exitCode = waitHost(startHost(args, outPath, errPath));
    result.out = readText(outPath);
    result.err = readText(errPath);
    return result;
}

ScratchDir::ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/corlinde-host-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data())) m_path = buffer.data();
}

ScratchDir::~ScratchDir() {
    if (!m_path.empty()) removeTree(m_path);
}

std::vector<std::string> ScratchDir::entries() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(m_path.c_str())) {
        while (dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

Audio testSignal(int sampleRate, double seconds, int channels) {
    Audio audio;
    audio.channels = channels;
    audio.sampleRate = sampleRate;
    const auto frames = static_cast<std::int64_t>(seconds * sampleRate);
    audio.samples.resize(static_cast<std::size_t>(frames * channels));
    std::uint32_t noise = 0x1234567u;
    const double noteHz[] = {82.41, 164.81, 246.94, 329.63};
    for (std::int64_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / sampleRate;
        const int note = static_cast<int>(t * 4.0) % 4;
        const double sinceNote = t - std::floor(t * 4.0) / 4.0;
        const double envelope = 0.45 * std::exp(-6.0 * sinceNote);
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double n = (static_cast<double>(noise >> 8) / 8388608.0 - 1.0) * 0.02;
            const double x = envelope * std::sin(2.0 * M_PI * noteHz[note] * (1.0 + 0.003 * c) * t) + n;
            audio.samples[static_cast<std::size_t>(f * channels + c)] =
                static_cast<float>(std::nearbyint(x * 8388608.0) / 8388608.0);
        }
    }
    return audio;
}

bool writeWav(const std::string& path, const Audio& audio, bool pcm24) {
    SF_INFO info{};
    info.channels = audio.channels;
    info.samplerate = audio.sampleRate;
    info.format = SF_FORMAT_WAV | (pcm24 ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const sf_count_t written = sf_writef_float(file, audio.samples.data(), audio.frames());
    sf_close(file);
    return written == audio.frames();
}

bool readAudio(const std::string& path, Audio& audio) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return false;
    audio.channels = info.channels;
    audio.sampleRate = info.samplerate;
    audio.samples.assign(static_cast<std::size_t>(info.frames * info.channels), 0.0f);
    const sf_count_t got = sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return got == info.frames;
}

bool referenceRender(const ReferenceSetup& setup, const Audio& input, Audio& output) {
    fxcore::FXCoreProgram program;
    program.presets = fxcore::FXCoreProgram::defaultPresets();
    const auto loaded = program.loadFromFile(firmwareHexPath(setup.mode));
    if (!loaded.ok) {
        ADD_FAILURE() << "firmware " << setup.mode << ": " << loaded.error;
        return false;
    }
    auto core = std::make_unique<fxcore::FXCoreCore>();
    core->sampleRate = static_cast<double>(input.sampleRate);
    program.applyTo(*core);
    core->setPots(setup.pots);

    // The plug-in's conversions: gains in double, then to float; products in float.
    const auto inputGain = static_cast<float>(std::pow(10.0, setup.inputTrimDb / 20.0));
    const auto outputGain = static_cast<float>(std::pow(10.0, setup.outputTrimDb / 20.0));
    const int first = setup.monitor ? 2 : 0;
    const auto pressLength = static_cast<std::int64_t>(input.sampleRate * 0.12) - 1;
    constexpr std::uint32_t kFootswitchPin = 1u << 4;

    output.channels = 2;
    output.sampleRate = input.sampleRate;
    output.samples.assign(static_cast<std::size_t>(input.frames() * 2), 0.0f);
    for (std::int64_t f = 0; f < input.frames(); ++f) {
        std::uint32_t pins = 0x7F;
        for (const std::int64_t start : setup.footswitchPresses)
            if (f >= start && f < start + pressLength) pins &= ~kFootswitchPin;
        core->pins = pins;
        const auto at = [&](int c) {
            return input
                .samples[static_cast<std::size_t>(f * input.channels + (input.channels == 1 ? 0 : c))];
        };
        const float in[4] = {at(0) * inputGain, at(1) * inputGain, 0.0f, 0.0f};
        core->run(in);
        output.samples[static_cast<std::size_t>(2 * f)] = core->getOutput(first) * outputGain;
        output.samples[static_cast<std::size_t>(2 * f + 1)] = core->getOutput(first + 1) * outputGain;
    }
    return true;
}

std::int64_t firstDifference(const Audio& a, const Audio& b) {
    const std::size_t n = std::min(a.samples.size(), b.samples.size());
    for (std::size_t i = 0; i < n; ++i)
        if (std::memcmp(&a.samples[i], &b.samples[i], sizeof(float)) != 0)
            return static_cast<std::int64_t>(i);
    return a.samples.size() == b.samples.size() ? -1 : static_cast<std::int64_t>(n);
}

}  // namespace fxcorehost::test
