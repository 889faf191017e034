#!/usr/bin/env bash
# The committed panel pictures in docs/ are what the editor draws today, offscreen and in an
# X11 window (run under Xvfb): the tool draws them again into a scratch folder and each must
# be the same bytes. After a change to the editor, the pictures or the firmware, make them
# again with scripts/screenshots.sh.
#   screenshots-test.sh TOOL DOCS
set -euo pipefail
tool=$1 docs=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" "$work" > /dev/null
"$tool" "$work" --x11 > /dev/null
status=0
for made in "$work"/*.png; do
  name=$(basename "$made")
  if ! cmp -s "$made" "$docs/$name"; then
    echo "docs/$name is not what the editor draws now: run scripts/screenshots.sh" >&2
    status=1
  fi
done
count=$(find "$work" -name '*.png' | wc -l)
[ "$count" -eq 12 ] || { echo "the tool made $count pictures, not 12" >&2; status=1; }
[ "$status" -eq 0 ] && echo "the $count panel pictures in docs/ are current"
exit "$status"
