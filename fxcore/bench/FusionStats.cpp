// The fused-sequence statistics: each program runs on the fixtures' fixed
// input word by word (FXCoreCore::runWordByWord), which gives how often the
// pass arrives at each word by a jump or at the start. From a word where it
// arrives, the pass runs straight on to the next jump; along that stretch it
// dispatches once per listed sequence (the longest at each word) or single
// word, exactly as setProgram groups the words. The derived list is built
// greedily: each step adds the sequence that saves the most dispatches per
// sample, summed over the programs, given the sequences already chosen.

#include "fxcore/bench/FusionStats.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <queue>
#include <string>
#include <unordered_set>
#include <vector>

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreDispatch.h"
#include "fxcore/FXCoreProgram.h"
#include "fxcore/bench/FixtureRig.h"

namespace fxcore::bench {
namespace {

constexpr std::uint8_t kStop = 0xFF;  // a word no sequence holds (jumps, invalid words)
constexpr long kStatSamples = 4800;
constexpr std::size_t kMaxLength = 4;

// A sequence of two to four entries packed into one key, unused bytes kStop.
using Key = std::uint32_t;
Key keyOf(const std::uint8_t* entries, std::size_t length) {
    Key key = 0xFFFFFFFFu;
    for (std::size_t k = 0; k < length; ++k)
        key = (key & ~(0xFFu << (8 * k))) | (static_cast<Key>(entries[k]) << (8 * k));
    return key;
}
std::size_t lengthOf(Key key) {
    std::size_t length = 0;
    while (length < kMaxLength && ((key >> (8 * length)) & 0xFFu) != kStop) ++length;
    return length;
}
std::string nameOf(Key key, const char* separator, const char* prefix) {
    std::string name;
    for (std::size_t k = 0; k < lengthOf(key); ++k) {
        if (k > 0) name += separator;
        name += prefix;
        name += dispatch::kEntryNames[(key >> (8 * k)) & 0xFFu];
    }
    return name;
}

struct Stretch {
    std::size_t program;
    std::int32_t begin;
    std::int32_t end;  // the first word after it (a jump, an invalid word or the end)
    double weight;     // arrivals per sample
};

struct Program {
    std::string name;
    std::vector<std::uint8_t> entries;  // per word; kStop for words no sequence holds
    std::vector<double> executed;       // per word, per sample
    std::vector<double> arrivals;       // per word, per sample: reached by a jump or at the start
    double words = 0;                   // executed per sample
};

bool loadProgram(FXCoreCore& core, const std::string& path) {
    FXCoreProgram program;
    const FXCoreProgram::Result result = program.loadFromFile(path);
    if (!result.ok) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), result.error.c_str());
        return false;
    }
    core.sampleRate = kFixtureRate;
    program.applyTo(core);
    core.setPots(kFixturePots);
    return true;
}

bool profile(const std::string& name, const std::string& path, Program& out) {
    auto core = std::make_unique<FXCoreCore>();
    if (!loadProgram(*core, path)) return false;
    out.name = name;
    const auto length = static_cast<std::size_t>(core->programLength);
    out.entries.assign(length, kStop);
    for (std::size_t pc = 0; pc < length; ++pc) {
        const std::uint8_t entry = FXCoreCore::decodeWord(core->program[pc]).dispatch;
        if (dispatch::continuesWithNextWord(entry)) out.entries[pc] = entry;
    }
    out.executed.assign(length, 0.0);
    out.arrivals.assign(length, 0.0);
    const auto observe = [](void* context, int pc, int next) {
        auto& program = *static_cast<Program*>(context);
        const auto at = static_cast<std::size_t>(pc);
        program.executed[at] += 1.0;
        if (pc == 0) program.arrivals[0] += 1.0;
        const bool straightOn = next == pc + 1 && program.entries[at] != kStop;
        if (!straightOn && next < static_cast<int>(program.entries.size()))
            program.arrivals[static_cast<std::size_t>(next)] += 1.0;
    };
    float in[4];
    for (long n = 0; n < kStatSamples; ++n) {
        fixtureInput(n, in);
        core->runWordByWord(in, observe, &out);
    }
    for (double& count : out.executed) count /= kStatSamples;
    for (double& count : out.arrivals) count /= kStatSamples;
    for (double count : out.executed) out.words += count;
    return true;
}

// Dispatches per sample of one stretch, grouped by `longest` (the length of
// the sequence the pass runs at a word, at least 1).
template <typename Longest>
double dispatchesOf(const Program& program, const Stretch& s, Longest longest) {
    double count = 0;
    for (std::int32_t pc = s.begin; pc < s.end; ++count)
        pc += static_cast<std::int32_t>(
            longest(program.entries.data() + pc, static_cast<std::size_t>(s.end - pc)));
    return count * s.weight;
}

std::size_t longestOfList(const std::unordered_set<Key>& list, const std::uint8_t* entries,
                          std::size_t available) {
    for (std::size_t length = std::min(kMaxLength, available); length >= 2; --length)
        if (list.count(keyOf(entries, length)) != 0) return length;
    return 1;
}

std::size_t longestOfCore(const std::uint8_t* entries, std::size_t available) {
    const int index = dispatch::longestSequenceAt(entries, available);
    return index < 0 ? 1 : dispatch::kFusedSequences[static_cast<std::size_t>(index)].length;
}

}  // namespace

int printFusionStats(int argc, char** argv) {
    std::size_t limit = 160;
    double minimumGain = 0.0;
    std::vector<Program> programs;
    for (const Fixture& fixture : kFixtures) {
        programs.emplace_back();
        if (!profile(std::string("fixture ") + fixture.name, fixturePath(fixture.name), programs.back()))
            return 1;
    }
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--limit=", 8) == 0) {
            limit = static_cast<std::size_t>(std::strtoul(argv[i] + 8, nullptr, 10));
            continue;
        }
        if (std::strncmp(argv[i], "--min-gain=", 11) == 0) {
            minimumGain = std::strtod(argv[i] + 11, nullptr);
            continue;
        }
        programs.emplace_back();
        if (!profile(argv[i], argv[i], programs.back())) return 1;
    }

    std::vector<Stretch> stretches;
    for (std::size_t p = 0; p < programs.size(); ++p) {
        const Program& program = programs[p];
        const auto length = static_cast<std::int32_t>(program.entries.size());
        for (std::int32_t pc = 0; pc < length; ++pc) {
            if (program.arrivals[static_cast<std::size_t>(pc)] == 0.0) continue;
            std::int32_t end = pc;
            while (end < length && program.entries[static_cast<std::size_t>(end)] != kStop) ++end;
            if (end > pc) stretches.push_back({p, pc, end, program.arrivals[static_cast<std::size_t>(pc)]});
        }
    }

    // Every sequence of two to four words inside a stretch: how often it runs
    // per sample in each program, and in which stretches it lies.
    struct Candidate {
        std::vector<double> perSample;
        std::vector<std::size_t> occurrences;
        std::vector<std::size_t> stretches;
    };
    std::map<Key, Candidate> candidates;
    for (std::size_t p = 0; p < programs.size(); ++p) {
        const Program& program = programs[p];
        std::vector<bool> seen(program.entries.size(), false);
        for (std::size_t si = 0; si < stretches.size(); ++si) {
            const Stretch& s = stretches[si];
            if (s.program != p) continue;
            for (std::int32_t pc = s.begin; pc + 1 < s.end; ++pc) {
                const bool first = !seen[static_cast<std::size_t>(pc)];
                seen[static_cast<std::size_t>(pc)] = true;
                for (std::size_t length = 2;
                     length <= kMaxLength && pc + static_cast<std::int32_t>(length) <= s.end; ++length) {
                    Candidate& c = candidates[keyOf(program.entries.data() + pc, length)];
                    if (c.perSample.empty()) c.perSample.assign(programs.size(), 0.0);
                    if (c.occurrences.empty()) c.occurrences.assign(programs.size(), 0);
                    if (c.stretches.empty() || c.stretches.back() != si) c.stretches.push_back(si);
                    if (!first) continue;  // a word in two stretches (two arrivals before it) counts once
                    c.perSample[p] += program.executed[static_cast<std::size_t>(pc)];
                    ++c.occurrences[p];
                }
            }
        }
    }

    std::printf("Programs (run word by word for %ld samples of the fixtures' input; per sample):\n\n",
                kStatSamples);
    std::printf(
        "| program | words | dispatches, fused list of the core | dispatches, derived list |\n|---|---|---|---|\n");
    std::vector<double> coreDispatches(programs.size(), 0.0);
    for (const Stretch& s : stretches)
        coreDispatches[s.program] += dispatchesOf(programs[s.program], s, longestOfCore);

    // The greedy list, with lazily updated gains.
    std::unordered_set<Key> list;
    std::vector<double> current(stretches.size());
    const auto byList = [&list](const std::uint8_t* entries, std::size_t available) {
        return longestOfList(list, entries, available);
    };
    for (std::size_t si = 0; si < stretches.size(); ++si)
        current[si] = dispatchesOf(programs[stretches[si].program], stretches[si], byList);
    const auto gainOf = [&](Key key) {
        list.insert(key);
        double gain = 0;
        for (std::size_t si : candidates[key].stretches)
            gain += current[si] - dispatchesOf(programs[stretches[si].program], stretches[si], byList);
        list.erase(key);
        return gain;
    };
    std::priority_queue<std::pair<double, Key>> queue;
    for (const auto& [key, c] : candidates) queue.push({gainOf(key), key});
    std::vector<std::pair<Key, double>> chosen;
    while (!queue.empty() && chosen.size() < limit) {
        const auto [bound, key] = queue.top();
        queue.pop();
        const double gain = gainOf(key);
        if (gain <= 0.0) continue;
        if (!queue.empty() && gain < queue.top().first) {
            queue.push({gain, key});
            continue;
        }
        if (gain < minimumGain) break;  // the best one left saves too little

        list.insert(key);
        for (std::size_t si : candidates[key].stretches)
            current[si] = dispatchesOf(programs[stretches[si].program], stretches[si], byList);
        chosen.push_back({key, gain});
    }
    std::vector<double> derived(programs.size(), 0.0);
    for (std::size_t si = 0; si < stretches.size(); ++si) derived[stretches[si].program] += current[si];
    for (std::size_t p = 0; p < programs.size(); ++p)
        std::printf("| %s | %.1f | %.1f | %.1f |\n", programs[p].name.c_str(), programs[p].words,
                    coreDispatches[p], derived[p]);

    std::printf(
        "\nThe most frequent sequences (runs per sample in each program, in the order above; "
        "in brackets, where it occurs):\n\n");
    std::vector<std::pair<double, Key>> byFrequency;
    for (const auto& [key, c] : candidates) {
        double total = 0;
        for (double v : c.perSample) total += v;
        byFrequency.push_back({total, key});
    }
    std::sort(byFrequency.rbegin(), byFrequency.rend());
    for (std::size_t i = 0; i < std::min<std::size_t>(byFrequency.size(), 60); ++i) {
        const Candidate& c = candidates[byFrequency[i].second];
        std::printf("%6.1f  %-60s", byFrequency[i].first, nameOf(byFrequency[i].second, " ", "").c_str());
        for (std::size_t p = 0; p < programs.size(); ++p)
            std::printf(" %5.1f(%zu)", c.perSample[p], c.occurrences[p]);
        std::printf("\n");
    }

    std::printf(
        "\nDerived list (at most %zu sequences, each saving at least %.2f dispatches per sample): "
        "the dispatches per sample each saves over the ones before it, all programs together:\n\n",
        limit, minimumGain);
    for (std::size_t i = 0; i < chosen.size(); ++i)
        std::printf("%4zu %6.1f  %s\n", i + 1, chosen[i].second, nameOf(chosen[i].first, " ", "").c_str());
    std::printf("\nThe list for fxcore/FXCoreDispatch.h:\n\n#define FXCORE_FUSED_SEQUENCES(X) \\\n");
    for (std::size_t i = 0; i < chosen.size(); ++i)
        std::printf("    X(%s)%s\n", nameOf(chosen[i].first, ", ", "k").c_str(),
                    i + 1 < chosen.size() ? " \\" : "");
    return 0;
}

}  // namespace fxcore::bench
