#!/usr/bin/env bash
# Checks that every tracked C and C++ source is formatted as the root .clang-format says.
# Prints clang-format's findings for each misformatted file and exits 1 when there is one;
# exits 2 when clang-format 14 is missing. Fix a file with: clang-format-14 -i FILE
#   scripts/check-format.sh            every tracked source
#   scripts/check-format.sh FILE...    only these files
set -euo pipefail
cd "$(dirname "$0")/.."

# Another clang-format version formats some constructs differently; the style is pinned to 14.
formatter=""
for candidate in clang-format-14 clang-format; do
  if command -v "$candidate" > /dev/null && "$candidate" --version | grep -q 'version 14\.'; then
    formatter=$candidate
    break
  fi
done
if [ -z "$formatter" ]; then
  echo "check-format: clang-format 14 not found (apt-get install clang-format-14)" >&2
  exit 2
fi

if [ ! -f .clang-format ]; then
  echo "check-format: no .clang-format at the repository's root" >&2
  exit 2
fi

if (($#)); then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- '*.c' '*.cc' '*.cpp' '*.cxx' '*.h' '*.hh' '*.hpp')
fi
if ((${#files[@]} == 0)); then
  echo "check-format: no C or C++ sources to check" >&2
  exit 2
fi

# --dry-run -Werror: a warning and a non-zero status per misformatted file, nothing rewritten.
bad=()
for file in "${files[@]}"; do
  if ! "$formatter" --style=file --dry-run -Werror "$file"; then
    bad+=("$file")
  fi
done
if ((${#bad[@]})); then
  echo "check-format: ${#bad[@]} of ${#files[@]} files are not formatted:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
