#!/usr/bin/env bash
# Checks that every C and C++ source a commit would carry (tracked, or new and not ignored)
# is formatted as the root .clang-format says, one clang-format per core.
# Prints clang-format's findings for each misformatted file and exits 1 when there is one;
# exits 2 when clang-format 14 is missing. Fix a file with: clang-format-14 -i FILE
#   scripts/check-format.sh            every such source
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
  # Tracked files deleted in the work tree are not carried; new files not ignored are.
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
    '*.c' '*.cc' '*.cpp' '*.cxx' '*.h' '*.hh' '*.hpp' | sort -u |
    while IFS= read -r f; do [ -f "$f" ] && printf '%s\n' "$f"; done)
fi
if ((${#files[@]} == 0)); then
  echo "check-format: no C or C++ sources to check" >&2
  exit 2
fi

# --dry-run -Werror: a warning and a non-zero status per misformatted file, nothing rewritten.
# Each file's verdict lands in the list of bad files; the findings go to stderr as they come.
list=$(mktemp)
trap 'rm -f "$list"' EXIT
export formatter
printf '%s\0' "${files[@]}" |
  xargs -0 -P "$(nproc)" -n 8 sh -c \
    'for f; do "$formatter" --style=file --dry-run -Werror "$f" || printf "%s\n" "$f"; done' sh \
    >> "$list"
mapfile -t bad < <(sort "$list")
if ((${#bad[@]})); then
  echo "check-format: ${#bad[@]} of ${#files[@]} files are not formatted:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
