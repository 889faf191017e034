#!/usr/bin/env bash
# figure-tables.py in a scratch repository: --check fails (and shows the diff) when a README's
# table differs from the recorded figures or a key was never recorded, the write mode fills
# the table, and --check then passes.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
git init -q .
mkdir -p scripts/figures sub build/figures
cp "$root/scripts/figure-tables.py" scripts/
printf '| a | b |\n|---|---|\n| {x.one} | {x.two} |\n' > scripts/figures/pair.md
printf 'Intro.\n\n<!-- figure-table pair -->\nstale\n<!-- end figure-table -->\n\nEnd.\n' > sub/README.md
printf '# top\n' > README.md
git add -A
printf '1.5' > build/figures/x.one

fail() { echo "FAIL: $*" >&2; exit 1; }
run() { set +e; output=$(python3 scripts/figure-tables.py build "$@" 2>&1); status=$?; set -e; }

run --check
[ "$status" -eq 1 ] || fail "a key never recorded gave status $status: $output"
grep -q 'no test recorded x.two' <<< "$output" || fail "the missing key is not named: $output"

printf '%s' '-2' > build/figures/x.two
run --check
[ "$status" -eq 1 ] || fail "a stale table gave status $status: $output"
grep -q '^-stale' <<< "$output" || fail "no diff shown: $output"
grep -q '^+| 1.5 | -2 |' <<< "$output" || fail "the diff lacks the generated row: $output"

run
[ "$status" -eq 0 ] || fail "the write mode failed: $output"
grep -q '^| 1.5 | -2 |$' sub/README.md || fail "the table was not filled: $(cat sub/README.md)"
grep -q '^End.$' sub/README.md || fail "text after the table was lost"

run --check
[ "$status" -eq 0 ] || fail "a filled table does not check: $output"
echo "figure-tables test passed"
