#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and CI need, only those missing.
set -euo pipefail
packages=(
  cmake ninja-build make g++ pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format-14
  libcairo2-dev libpng-dev libxcb1-dev libxcb-xtest0-dev
  libsndfile1-dev
  xvfb xauth x11-utils xdotool
  valgrind
  # the panel-art generator's lettering (editor/art)
  fonts-urw-base35 fonts-league-spartan fonts-bebas-neue
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq || true
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
