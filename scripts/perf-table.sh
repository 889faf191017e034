#!/usr/bin/env bash
# Prints the performance tables of README.md and fxcore/README.md as Markdown,
# from one run on this machine:
#   - instruction counts from valgrind --tool=callgrind (stable on a shared,
#     loaded machine), per sample of FXCoreCore::run for the core's benchmark
#     programs and the three frozen fixture programs, and per sample of the
#     plug-in's process() and of run inside it for the embedded firmware;
#   - wall times from Google Benchmark (median of 3 repetitions; these move
#     with the machine's load, which is printed beside them).
#
#   scripts/perf-table.sh [build dir]     (default: build; needs the
#                                          fxcore_core_bench, plugin_process_bench
#                                          and plugin_process_profile targets)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
CORE_BENCH=$BUILD/fxcore/fxcore_core_bench
PLUGIN_BENCH=$BUILD/plugin/plugin_process_bench
PLUGIN_PROFILE=$BUILD/plugin/plugin_process_profile
for tool in "$CORE_BENCH" "$PLUGIN_BENCH" "$PLUGIN_PROFILE"; do
  [ -x "$tool" ] || { echo "missing $tool: build it first (cmake --build $BUILD --target $(basename "$tool"))" >&2; exit 1; }
done
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

RUN_FN='fxcore::FXCoreCore::run(float const*)'
PROCESS_FN='fxcoreplug::FXCorePlugin::process(clap_process const*)'
CORE_SAMPLES=100000  # fxcore_core_bench --samples=... runs this many

# Instructions collected inside function $1 while running the rest of the arguments.
callgrind_ir() {
  local fn=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" --toggle-collect="$fn" "$@" 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

core_ir() { callgrind_ir "$RUN_FN" "$CORE_BENCH" --samples="$1"; }

# ---- the core ----------------------------------------------------------------------------
declare -A IR
for program in single single-lfo example mix expensive-lfo kavro drisk vestra; do
  IR[$program]=$(core_ir "$program")
done
"$CORE_BENCH" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$work/core.json" 2>/dev/null
LOAD_CORE=$(cut -d' ' -f1 /proc/loadavg)
MIX_WORDS=$("$CORE_BENCH" --samples=mix | sed -n 's/.* \([0-9]*\) words per sample.*/\1/p')

python3 - "$work/core.json" "$CORE_SAMPLES" "$LOAD_CORE" "$(nproc)" "$MIX_WORDS" \
  "${IR[single]}" "${IR[single-lfo]}" "${IR[example]}" "${IR[mix]}" "${IR[expensive-lfo]}" \
  "${IR[kavro]}" "${IR[drisk]}" "${IR[vestra]}" <<'EOF'
import json, sys
path, samples, load, cores, mixWords = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], int(sys.argv[5])
single, lfo, example, mix, expensive, kavro, drisk, vestra = (int(v) / samples for v in sys.argv[6:14])
medians = {}
for b in json.load(open(path))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        medians[b["run_name"]] = b["cpu_time"]  # ns per iteration = per sample
def ns(name):
    return f"{medians[name]:.1f}" if name in medians else "-"
print(f"Emulated core, `run` per sample (callgrind over {samples} samples; ns: Google Benchmark,")
print(f"CPU time, median of 3, machine load {load} on {cores} cores):")
print()
print("| program | instructions / sample | instructions / word | ns / sample |")
print("|---|---|---|---|")
print(f"| 1 word, LFO rates 0 (fixed work) | {single:.0f} | - | {ns('BM_SingleWord')} |")
print(f"| 1 word, 4 LFOs and 2 ramps running | {lfo:.0f} | {(lfo - single) / 4:.1f} per running LFO (ramps included) | {ns('BM_SingleWordLfosRunning')} |")
print(f"| delay example (4 words) | {example:.0f} | {(example - single) / 4:.1f} above fixed work | {ns('BM_DelayExample')} |")
print(f"| realistic mix (1024 words, {mixWords} executed) | {mix:.0f} | {(mix - single) / mixWords:.2f} above fixed work | {ns('BM_RealisticMix')} |")
print(f"| floating point only (1024 words, LFOs running) | {expensive:.0f} | {(expensive - lfo) / 1024:.1f} above fixed work | {ns('BM_ExpensiveOnly')} |")
for name, ir, arg in (("KAVRO", kavro, 0), ("DRISK", drisk, 1), ("VESTRA", vestra, 2)):
    print(f"| fixture {name} (firmware of 584802b, pots fixed, a sine in each input) | {ir:.0f} | - | {ns(f'BM_Fixture/{arg}')} |")
EOF
echo

# ---- the plug-in ------------------------------------------------------------------------
# Steady state per sample: the difference between 300 and 100 blocks of 128 frames, so the
# first block's program load and the set-up drop out.
FRAMES=128
"$PLUGIN_BENCH" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$work/plugin.json" 2>/dev/null
LOAD_PLUGIN=$(cut -d' ' -f1 /proc/loadavg)
rows=()
for mode in 0 1 2; do
  p100=$(callgrind_ir "$PROCESS_FN" "$PLUGIN_PROFILE" "$mode" 100 "$FRAMES")
  p300=$(callgrind_ir "$PROCESS_FN" "$PLUGIN_PROFILE" "$mode" 300 "$FRAMES")
  r100=$(callgrind_ir "$RUN_FN" "$PLUGIN_PROFILE" "$mode" 100 "$FRAMES")
  r300=$(callgrind_ir "$RUN_FN" "$PLUGIN_PROFILE" "$mode" 300 "$FRAMES")
  rows+=("$mode $p100 $p300 $r100 $r300")
done
python3 - "$work/plugin.json" "$FRAMES" "$LOAD_PLUGIN" "$(nproc)" "${rows[@]}" <<'EOF'
import json, sys
path, frames, load, cores = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
factor = {}
for b in json.load(open(path))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        factor[b["run_name"]] = b["x_realtime"]
names = {0: "KAVRO", 1: "DRISK", 2: "VESTRA"}
print(f"The plug-in with its embedded firmware (callgrind: steady state per sample of `process` and of")
print(f"the core's `run` inside it, 300 minus 100 blocks of {frames} frames; real-time factors: Google")
print(f"Benchmark, CPU time, median of 3, one instance on one core, machine load {load} on {cores} cores):")
print()
print("| mode | instances per core, 48 kHz, 128-frame blocks | real-time factor at 512 frames | `process` instr. / sample | core `run` | plug-in around `run` |")
print("|---|---|---|---|---|---|")
for row in sys.argv[5:]:
    mode, p100, p300, r100, r300 = (int(v) for v in row.split())
    samples = 200 * frames
    process, run = (p300 - p100) / samples, (r300 - r100) / samples
    f128 = factor.get(f"processEmbeddedProgram/mode:{mode}/frames:128/real_time", factor.get(f"processEmbeddedProgram/mode:{mode}/frames:128"))
    f512 = factor.get(f"processEmbeddedProgram/mode:{mode}/frames:512/real_time", factor.get(f"processEmbeddedProgram/mode:{mode}/frames:512"))
    inst = f"{int(f128)}" if f128 else "-"
    x512 = f"{f512:.1f}x" if f512 else "-"
    print(f"| {mode} {names[mode]} | {inst} | {x512} | {process:.0f} | {run:.0f} | {process - run:.1f} |")
EOF
