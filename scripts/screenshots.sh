#!/usr/bin/env bash
# Makes every picture in docs/ again, from the build in BUILD (default build):
#   docs/panel-<mode>-<lit|unlit>.png      the editor's frame drawn offscreen
#   docs/panel-x11-<mode>-<lit|unlit>.png  the editor in an X11 window, read back from Xvfb
#   docs/panel-host-gui-mix-bypassed.png   corlinde-host gui after a drag of MIX to 0.7 and a
#                                          press of BYPASS, injected with xdotool
# The first twelve are the same bytes on every run (docs_screenshots_test compares them);
# the last shows a live audio thread and the timing of injected input, so it is an
# illustration that may differ in the lamp from run to run.
#   scripts/screenshots.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
XVFB=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset +extension XTEST")
cmake --build "$BUILD" --target corlinde_panel_screenshots corlinde-host corlinde_jr_clap

"$BUILD/editor/corlinde_panel_screenshots" docs
"${XVFB[@]}" "$BUILD/editor/corlinde_panel_screenshots" docs --x11

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/drive.sh" <<'DRIVE'
set -euo pipefail
host=$1 plugin=$2 shot=$3 log=$4
"$host" gui "$plugin" --seconds 4 --screenshot "$shot" > "$log" &
pid=$!
# The editor takes input once the host has said it is up.
until grep -q '^gui: .* editor ' "$log"; do
  kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.05
done
xdotool mousemove --sync 196 95 mousedown 1
for y in 90 85 80 75 70 65 60 55; do xdotool mousemove --sync 196 "$y"; done
xdotool mouseup 1
xdotool mousemove --sync 196 617 click 1
wait "$pid"
DRIVE
"${XVFB[@]}" bash "$work/drive.sh" "$BUILD/host/corlinde-host" "$BUILD/module/corlinde-jr.clap" \
  docs/panel-host-gui-mix-bypassed.png "$work/gui.log"
grep -E 'MIX" = |BYPASS" = 1|wrote' "$work/gui.log" | tail -n 3
