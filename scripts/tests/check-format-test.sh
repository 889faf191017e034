#!/usr/bin/env bash
# check-format.sh in a scratch repository: it checks tracked and new files alike, skips
# ignored and deleted ones, names each misformatted file and exits 1, and 0 once all are clean.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
git init -q .
mkdir scripts
cp "$root/scripts/check-format.sh" scripts/
cp "$root/.clang-format" .
printf 'int tracked = 1;\n' > tracked.cpp
printf 'int gone = 1;\n' > gone.cpp
printf 'ignored/\n' > .gitignore
git add tracked.cpp gone.cpp .gitignore
git -c user.name=t -c user.email=t@t commit -q -m fixture
rm gone.cpp
mkdir ignored
printf 'int  ignored ;\n' > ignored/bad.cpp
printf 'int  fresh ;\n' > fresh.h

fail() { echo "FAIL: $*" >&2; exit 1; }
set +e
output=$(bash scripts/check-format.sh 2>&1)
status=$?
set -e
[ "$status" -eq 1 ] || fail "a new misformatted file gave status $status: $output"
grep -q '^  fresh.h$' <<< "$output" || fail "fresh.h not named: $output"
grep -q 'ignored/bad.cpp\|gone.cpp' <<< "$output" && fail "an ignored or deleted file was checked: $output"
grep -q '1 of 2 files' <<< "$output" || fail "wrong count: $output"

printf 'int fresh;\n' > fresh.h
output=$(bash scripts/check-format.sh 2>&1) || fail "clean files failed: $output"
grep -q '2 files formatted' <<< "$output" || fail "wrong count: $output"
echo "check-format test passed"
