#!/usr/bin/env bash
# The main job on a fresh machine: install the missing Debian packages, build
# in Release, install the plug-in into ~/.clap, and render the bundled demo
# clip through each of the pedal's three modes and once bypassed, each with
# the tail the echo or reverb leaves after the clip (corlinde-host's default
# --tail); then say where the command-line host and the assembler are.
#
#   BUILD_DIR  build folder (default build-release)
#   OUT_DIR    where the renders go (default out/demo)
#   JOBS       parallel build jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-release}
OUT_DIR=${OUT_DIR:-out/demo}
CLIP=demo/corlinde-demo.wav
export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}

bash scripts/install-deps.sh

echo "== building (Release) in $BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DCORLINDE_TESTS=OFF -DCORLINDE_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j "${JOBS:-$(nproc)}" --target corlinde_jr_clap corlinde-host fxasm

echo "== installing the plug-in"
cmake --install "$BUILD_DIR" | grep -v '^-- Install configuration' || true
PLUGIN="$HOME/.clap/corlinde-jr.clap"
HOST="$BUILD_DIR/host/corlinde-host"
FXASM="$BUILD_DIR/tools/fxasm/fxasm"
if [ ! -f "$PLUGIN" ]; then
  echo "demo: the plug-in was not installed at $PLUGIN" >&2
  exit 1
fi

echo "== rendering $CLIP"
mkdir -p "$OUT_DIR"
OUT_NAME=$OUT_DIR  # as given, for the commands printed at the end
OUT_DIR=$(cd "$OUT_DIR" && pwd)
# name, then the render options
renders=(
  "mode0-kavro|--mode KAVRO"
  "mode1-drisk|--mode DRISK"
  "mode2-vestra|--mode VESTRA"
  "bypassed|--mode KAVRO --press 0"
)
summary=()
for entry in "${renders[@]}"; do
  name=${entry%%|*}
  read -r -a options <<<"${entry#*|}"
  out="$OUT_DIR/corlinde-demo-$name.wav"
  # The host's last line reads: wrote PATH: 2 ch, R Hz, L s, ...; peak P dBFS, RMS R dBFS
  line=$("$HOST" render "${options[@]}" "$PLUGIN" "$CLIP" "$out" | tail -n 1)
  length=$(sed -n 's/.* Hz, \([^ ]*\) s, .*/\1/p' <<<"$line")
  peak=$(sed -n 's/.*peak \([^ ]*\) dBFS.*/\1/p' <<<"$line")
  rms=$(sed -n 's/.*RMS \([^ ]*\) dBFS.*/\1/p' <<<"$line")
  summary+=("$(printf '  %-36s %7s s   peak %6s dBFS   RMS %6s dBFS' "$(basename "$out")" "$length" "$peak" "$rms")")
done

echo
echo "The plug-in is installed at $PLUGIN; a CLAP host finds it there."
echo "Demo renders in $OUT_DIR/ (4.5 s of clip and its tail; the bypassed one presses the footswitch at the start):"
printf '%s\n' "${summary[@]}"
echo
echo "The command-line host is $HOST and the assembler $FXASM (not on the PATH);"
echo "from $(pwd), try:"
echo "  $HOST info $PLUGIN"
echo "  $HOST render $PLUGIN $CLIP $OUT_NAME/vestra.wav --mode VESTRA"
