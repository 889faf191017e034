#pragma once
// fxcore_core_bench --fusion-stats: how often each sequence of two to four
// words runs in the given programs, and the list of fused sequences derived
// from it (fxcore/README.md, "Regenerating the fused sequences").

namespace fxcore::bench {

// argv holds the arguments after --fusion-stats: HEX files beside the
// fixtures, and --limit=<n> for the length of the derived list. Returns the
// process's exit code.
int printFusionStats(int argc, char** argv);

}  // namespace fxcore::bench
